// The window's re-entry guard: taken only through scopes, so that no way out of
// a handler can leave it held.
#include "app/ReentryGuard.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A handler with the early returns and the throw that the window's handlers have.
int Handler(TReentryGuard& guard, int path, bool& ranPastTheGuard) {
    const auto entered = guard.Enter();
    if (!entered) return -1;
    ranPastTheGuard = true;
    if (path == 0) return 0;
    if (path == 1) throw std::runtime_error("failed");
    return 2;
}

TEST(ReentryGuard, EveryWayOutOfAHandlerLeavesItFree) {
    TReentryGuard guard;
    for (int path : {0, 1, 2}) {
        SCOPED_TRACE(path);
        bool ran = false;
        try {
            Handler(guard, path, ran);
        } catch (const std::runtime_error&) {
        }
        EXPECT_TRUE(ran);
        EXPECT_FALSE(guard.Held());
    }
}

TEST(ReentryGuard, AHandlerFindingItHeldReturnsAtOnceAndLeavesItHeld) {
    TReentryGuard guard;
    const TReentryGuard::TScope held = guard.Hold();
    bool ran = false;
    EXPECT_EQ(Handler(guard, 0, ran), -1);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(guard.Held());
}

TEST(ReentryGuard, NestedHoldsPutBackWhatTheyFound) {
    TReentryGuard guard;
    {
        auto outer = guard.Enter();
        ASSERT_TRUE(outer.has_value());
        {
            const TReentryGuard::TScope inner = guard.Hold();
            EXPECT_TRUE(guard.Held());
        }
        EXPECT_TRUE(guard.Held());  // the inner scope found it held
        outer.reset();              // a handler may leave before a box of its own
        EXPECT_FALSE(guard.Held());
    }
    EXPECT_FALSE(guard.Held());
}

TEST(ReentryGuard, ReleaseLetsTheNextHandlerInWhileAnInterruptedOneWaits) {
    TReentryGuard guard;
    auto waiting = guard.Enter();  // a handler waiting in a nested event loop
    guard.Release();               // Esc
    bool ran = false;
    EXPECT_EQ(Handler(guard, 2, ran), 2);
    EXPECT_TRUE(ran);
    waiting.reset();
    EXPECT_FALSE(guard.Held());
}

}  // namespace

// The hand-off of frames to the view's thread: copies only when the thread is idle,
// drops frames while it is busy, never allocates once prepared, and the finished frame
// arrives whole.
#include "signalview/FrameHandOff.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <numbers>
#include <vector>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
// The replaced operator new takes its memory from malloc, so free is its match; the
// compiler cannot see that through the replacement.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

// Waits (without a time limit of its own: the test's timeout bounds it) for the
// notice of the view's thread.
class TNotice {
public:
    void Signal() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++count_;
        cv_.notify_all();
    }
    void WaitFor(int count) {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [&] { return count_ >= count; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    int count_ = 0;
};

std::vector<double> Sine(std::size_t n, double amplitude) {
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i) x[i] = amplitude * std::sin(2 * std::numbers::pi * 1000.0 * i / 78125.0);
    return x;
}

TEST(FrameHandOff, OffersWhileIdleDropsWhileBusy) {
    TNotice notice;
    signalview::TFrameHandOff handOff([&] { notice.Signal(); });
    const std::size_t n = 1 << 16;
    ASSERT_TRUE(handOff.Prepare(n));
    EXPECT_EQ(handOff.Capacity(), n);
    const std::vector<double> first = Sine(n, 1.0);
    const std::vector<double> second = Sine(n, 2.0);
    const std::string reading = "707.107 мВ";

    counting = true;
    EXPECT_TRUE(handOff.Offer(first.data(), n, 78125.0, 1, 3.0, reading));
    // Until Collect the thread owns the incoming frame: a second frame is dropped.
    EXPECT_FALSE(handOff.Offer(second.data(), n, 78125.0, 1, 3.0, reading));
    counting = false;
    EXPECT_EQ(allocations.load(), 0) << "the hand-off allocated per frame";
    EXPECT_EQ(handOff.Dropped(), 1u);

    notice.WaitFor(1);
    ASSERT_TRUE(handOff.Collect());
    const signalview::TViewFrame& shown = handOff.Shown();
    EXPECT_EQ(shown.Count, n);
    EXPECT_EQ(shown.Channel, 1);
    EXPECT_EQ(shown.Reading, reading);
    EXPECT_EQ(shown.Number, 1u);
    EXPECT_EQ(shown.Samples[12345], first[12345]);
    EXPECT_EQ(shown.Bins, n / 2);
    EXPECT_NEAR(shown.Analysis.PeakLevelDbv, 20 * std::log10(1.0 / std::numbers::sqrt2), 0.01);
    EXPECT_FALSE(handOff.Collect());

    // Idle again: the next frame is taken, and the shown one stays until it is done.
    counting = true;
    EXPECT_TRUE(handOff.Offer(second.data(), n, 78125.0, 1, 3.0, reading));
    counting = false;
    EXPECT_EQ(allocations.load(), 0);
    EXPECT_EQ(handOff.Shown().Samples[12345], first[12345]);
    notice.WaitFor(2);
    ASSERT_TRUE(handOff.Collect());
    EXPECT_EQ(handOff.Shown().Number, 2u);
    EXPECT_EQ(handOff.Shown().Samples[12345], second[12345]);
    EXPECT_NEAR(handOff.Shown().Analysis.PeakLevelDbv, 20 * std::log10(2.0 / std::numbers::sqrt2), 0.01);
}

TEST(FrameHandOff, RefusesWhatDoesNotFit) {
    signalview::TFrameHandOff handOff;
    const std::vector<double> x = Sine(4096, 1.0);
    EXPECT_FALSE(handOff.Offer(x.data(), x.size(), 78125.0, 0, 10.0, ""));  // not prepared
    ASSERT_TRUE(handOff.Prepare(2048));
    EXPECT_FALSE(handOff.Offer(x.data(), x.size(), 78125.0, 0, 10.0, ""));  // larger than prepared
    EXPECT_FALSE(handOff.Prepare(8));                                       // too short for a spectrum
    EXPECT_EQ(handOff.Capacity(), 0u);
    EXPECT_EQ(handOff.Dropped(), 0u);
}

}  // namespace

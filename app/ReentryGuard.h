#pragma once

#include <optional>
#include <utility>

// The window's re-entry guard. Every handler enters it on its way in and leaves
// it on every way out; while it is held, the controls' change handlers do
// nothing, so the changes a handler makes to other controls run no handler.
// It is only taken through a scope, so that no early return can leave it held.
class TReentryGuard {
public:
    // Holds the guard for one block and puts back what it was.
    class TScope {
    public:
        explicit TScope(TReentryGuard& guard) : guard_(&guard), was_(std::exchange(guard.held_, true)) {}
        TScope(TScope&& other) noexcept : guard_(std::exchange(other.guard_, nullptr)), was_(other.was_) {}
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;
        TScope& operator=(TScope&&) = delete;
        ~TScope() {
            if (guard_ != nullptr) guard_->held_ = was_;
        }

    private:
        TReentryGuard* guard_;
        bool was_;
    };

    TReentryGuard() = default;
    TReentryGuard(const TReentryGuard&) = delete;
    TReentryGuard& operator=(const TReentryGuard&) = delete;

    bool Held() const { return held_; }

    // A handler's way in: empty while the guard is held (the handler returns at
    // once), else the scope that holds it until the handler returns.
    [[nodiscard]] std::optional<TScope> Enter() {
        if (held_) return std::nullopt;
        return std::optional<TScope>(std::in_place, *this);
    }
    // Code that changes controls holds it whether or not it is held already.
    [[nodiscard]] TScope Hold() { return TScope(*this); }

    // Esc and "Выход": a handler interrupted in one of its waits must not keep
    // the window from answering. The scopes still open put back what they
    // found when they end.
    void Release() { held_ = false; }

private:
    bool held_ = false;
};

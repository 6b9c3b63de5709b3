#pragma once

#include <utility>

// Sets the window's Busy flag for one block and puts back what it was, so
// that the controls' change handlers do nothing meanwhile.
class TBusyScope {
public:
    explicit TBusyScope(bool& busy) : busy_(busy), was_(std::exchange(busy, true)) {}
    ~TBusyScope() { busy_ = was_; }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

private:
    bool& busy_;
    bool was_;
};

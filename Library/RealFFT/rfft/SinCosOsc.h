#pragma once

#include <cmath>

namespace rfft {

// Recursive sine/cosine generator: each step rotates the current (cos, sin) pair by a
// fixed angle, so the highest passes need no table and no trigonometric call.
template <class T>
class SinCosOsc {
public:
    void set_step(double angle)
    {
        step_cos_ = static_cast<T>(std::cos(angle));
        step_sin_ = static_cast<T>(std::sin(angle));
    }
    void reset()
    {
        cos_ = 1;
        sin_ = 0;
    }
    // Restart the sequence from a known (cos, sin) pair.
    void seed(T c, T s)
    {
        cos_ = c;
        sin_ = s;
    }
    void step()
    {
        const T c = cos_;
        const T s = sin_;
        cos_ = c * step_cos_ - s * step_sin_;
        sin_ = c * step_sin_ + step_cos_ * s;
    }
    T get_cos() const { return cos_; }
    T get_sin() const { return sin_; }
    T get_step_cos() const { return step_cos_; }
    T get_step_sin() const { return step_sin_; }

private:
    T cos_ = 1;
    T sin_ = 0;
    T step_cos_ = 1;
    T step_sin_ = 0;
};

} // namespace rfft

#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "rfft/DynArray.h"
#include "rfft/SinCosOsc.h"

namespace rfft {

namespace detail {
struct FourStepPlan;
using TransformFn = bool (*)(FourStepPlan& plan, double* f, const double* x, double* scratch,
                             const std::atomic<bool>* abort);
} // namespace detail

// Which compiled copy of the passes a plan uses. Best picks the widest the CPU runs
// (AVX-512, AVX2 with FMA, else plain x86-64); Portable forces the plain copy, so tests
// cover it on any machine.
enum class Kernels { Best, Portable };

// Forward real FFT for power-of-two lengths.
//
// Output layout for X_j = sum_n x[n] * exp(-2*pi*i*j*n/N), not normalised:
//   f[j]       =  Re X_j   for j = 0 ... N/2   (f[0] is the sum, f[N/2] the Nyquist term)
//   f[N/2 + j] = -Im X_j   for j = 1 ... N/2 - 1
//
// From N = 2^FourStepMinBits on, the transform is a complex FFT of N/2 points
// (z[n] = x[2n] + i x[2n+1]) followed by a pass that separates the real spectrum; the
// complex FFT runs as one Stockham sequence while it fits the caches, above that in the
// four-step order (see FourStep.h). Below, the levels run in decimation in time from a
// cosine table. All tables are built once by the constructor, every twiddle factor
// rounded from a long double sine or cosine (or the product of two such); a transform
// allocates nothing and calls no trigonometric function.
//
// The optional abort flag belongs to the caller. The transform looks at it between its
// passes and returns early, leaving an incomplete output, once it reads true; the caller
// checks the flag after the call and discards the result.
template <class T>
class RealFft {
public:
    static constexpr int MaxBitDepth = 30;
    static constexpr int TrigTableMaxLevel = 12;
    static constexpr int FourStepMinBits = 10;

    using AbortFlag = std::atomic<bool>;

    // Preconditions: length is a power of two (length > 0) and log2(length) <= MaxBitDepth.
    // Throws std::bad_alloc when the tables do not fit in memory.
    explicit RealFft(std::int32_t length, const AbortFlag* abort_flag = nullptr, Kernels kernels = Kernels::Best);
    virtual ~RealFft();

    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    std::int32_t length() const { return length_; }
    int bit_count() const { return bit_count_; }

    // The engine's own work buffer of at least length() elements.
    T* scratch();

    // Preconditions: f and x are non-null, hold length() elements each, f != x and
    // neither is scratch(). x is not modified.
    void forward_fft(T* f, const T* x);

private:
    bool stop_requested() const
    {
        return abort_flag_ != nullptr && abort_flag_->load(std::memory_order_relaxed);
    }
    void init_bit_reversal();
    void init_cosine_table();
    void init_oscillators();

    bool first_levels(T* even, T* odd, const T* x);
    void level_pass(T* dst, const T* src, int level) const;
    bool pair_pass(T* d, int level) const;
    void twiddle_run(int level, long first, long count, T* tw_cos, T* tw_sin) const;

    std::int32_t length_ = 0;
    int bit_count_ = 0;
    DynArray<long> bit_reversal_;
    DynArray<T> cosine_table_;
    DynArray<T> buffer_;
    DynArray<SinCosOsc<T>> oscillators_;
    // From N = 2^FourStepMinBits on: the four-step plan and the passes picked for the CPU.
    std::unique_ptr<detail::FourStepPlan> four_step_;
    detail::TransformFn transform_ = nullptr;
    const AbortFlag* abort_flag_ = nullptr;
};

extern template class RealFft<double>;

} // namespace rfft

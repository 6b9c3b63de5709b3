#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace rfft {

enum class Kernels;

namespace detail {

struct AlignedFree {
    std::align_val_t alignment{64};
    void operator()(double* p) const { ::operator delete[](p, alignment); }
};

// Heap block of doubles on a cache-line boundary, for the tables and the work buffers.
// Large blocks start on a 2 MiB boundary and ask the kernel for huge pages: the passes
// walk them in strides of many pages, which would otherwise miss the TLB at every step.
class AlignedDoubles {
public:
    void resize(std::size_t count);
    double* data() const { return data_.get(); }
    std::size_t size() const { return size_; }

private:
    static constexpr std::size_t HugePage = std::size_t{2} << 20;
    std::unique_ptr<double[], AlignedFree> data_;
    std::size_t size_ = 0;
};

// Twiddle factors of a Stockham radix-4 transform of `length` points: stage t (sub-transform
// length n = length / 4^t, m = n/4) holds for p = 0 ... m-1 the six values
// cos, sin of 2 pi p/n, 2 * 2 pi p/n and 3 * 2 pi p/n, from offset[t]. When log2(length)
// is odd they end at n = 8 and a radix-8 stage (constant twiddles) follows.
struct StockhamTables {
    long length = 0;
    int radix4_stages = 0;
    bool radix8_last = false;
    long offset[16] = {};
    AlignedDoubles twiddles;

    void build(long n);
};

// exp(-2 pi i j / period) for 0 <= j < period as the product of two exactly rounded
// factors from small tables: hi[j >> bits] * lo[j & (2^bits - 1)], each as (cos, sin).
struct SplitRoots {
    int bits = 0;
    AlignedDoubles lo;
    AlignedDoubles hi;

    void build(long period, long count);
};

// The plan of the complex transform of M = N/2 points (z[n] = x[2n] + i x[2n+1]) by the
// four-step scheme, M = rows * cols: FFTs of length rows down the columns, the twiddle
// factors W_M^(row * col), FFTs of length cols along the rows, then the real spectrum
// from the complex one. All data are kept split: real parts, then imaginary parts.
struct FourStepPlan {
    long n = 0;
    long m = 0;
    long rows = 0;
    long cols = 0;
    long stride = 0;           // of the rows in scratch: a little more than cols (see build)
    bool stream_scratch = false; // scratch exceeds the caches: the column pass streams it
    StockhamTables column_fft; // length rows
    StockhamTables row_fft;    // length cols
    AlignedDoubles lane_roots; // per row r: cos[8], sin[8] of 2 pi r l / M, l = 0 ... 7
    SplitRoots roots_m;        // W_M^j
    SplitRoots roots_n;        // W_N^k, k < N/4
    // Up to SingleMaxPoints the whole transform of M points is one Stockham sequence over
    // f and scratch instead (it fits the caches); its first stage has its own table, by
    // rows: cos, sin of 2 pi p k / M for k = 1, 2, 3, each over p = 0 ... M/4 - 1.
    static constexpr long SingleMaxPoints = long{1} << 12;
    bool single = false;
    // From here on the column pass writes scratch past the caches (measured: from 2^18
    // points on it gains 5 to 12 %; below, the row pass finds scratch in the caches).
    static constexpr long StreamMinPoints = long{1} << 18;
    // From here on the row pass writes f past the caches too (measured: from 2^21 points
    // on 1 to 9 % faster, though the real pass then reads f from memory; below, 4 to 38 %
    // slower).
    static constexpr long StreamOutputMinPoints = long{1} << 21;
    bool stream_output = false;
    // Up to here the row pass does its first stage straight from the scratch rows, saving
    // a sweep over the batch buffer: measured 2 to 10 % faster up to 2^15 points, from
    // 2^16 on 1 to 14 % slower than the copy.
    static constexpr long RowDirectMaxPoints = long{1} << 15;
    bool row_direct = false;
    StockhamTables whole_fft;
    AlignedDoubles first_stage;
    AlignedDoubles work;       // four buffers of max(rows, cols) * 8 doubles
    AlignedDoubles scratch;    // 2 * rows * stride doubles: the result of the column pass

    void build(long length);
};

using TransformFn = bool (*)(FourStepPlan& plan, double* f, const double* x, double* scratch,
                             const std::atomic<bool>* abort);

// The transform compiled for the widest instruction set the CPU has, or the plain one.
TransformFn pick_transform(Kernels kernels);

} // namespace detail
} // namespace rfft

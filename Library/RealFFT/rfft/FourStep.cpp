#include "rfft/FourStep.h"

#include <cmath>
#include <numbers>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "rfft/RealFft.h"

namespace rfft::detail {

namespace {

// cos and sin of 2 pi j / period, each rounded once from long double.
void unit_root(long j, long period, double& c, double& s)
{
    const long double angle = 2.0L * std::numbers::pi_v<long double> * static_cast<long double>(j)
        / static_cast<long double>(period);
    c = static_cast<double>(std::cos(angle));
    s = static_cast<double>(std::sin(angle));
}

int log2_of(long n)
{
    int k = 0;
    while ((long{1} << k) < n) {
        ++k;
    }
    return k;
}

} // namespace

void AlignedDoubles::resize(std::size_t count)
{
    const std::size_t bytes = count * sizeof(double);
    // Small blocks on a cache line only: on a common 2 MiB boundary the tables would all
    // fall into the same cache sets.
    const bool huge = bytes >= HugePage;
    const std::align_val_t alignment{huge ? HugePage : 64};
    data_ = std::unique_ptr<double[], AlignedFree>(static_cast<double*>(::operator new[](bytes, alignment)), AlignedFree{alignment});
    size_ = count;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (huge) {
        madvise(data_.get(), bytes, MADV_HUGEPAGE); // a hint: without it the passes are slower, not wrong
    }
#endif
}

void StockhamTables::build(long n)
{
    length = n;
    const int bits = log2_of(n);
    radix8_last = bits % 2 == 1;
    radix4_stages = radix8_last ? (bits - 3) / 2 : bits / 2;
    long total = 0;
    for (int t = 0; t < radix4_stages; ++t) {
        offset[t] = total;
        total += 6 * ((n >> (2 * t)) / 4);
    }
    twiddles.resize(static_cast<std::size_t>(total > 0 ? total : 1));
    double* tw = twiddles.data();
    for (int t = 0; t < radix4_stages; ++t) {
        const long sub = n >> (2 * t);
        for (long p = 0; p < sub / 4; ++p) {
            for (long k = 1; k <= 3; ++k) {
                unit_root(k * p, sub, tw[offset[t] + 6 * p + 2 * (k - 1)], tw[offset[t] + 6 * p + 2 * (k - 1) + 1]);
            }
        }
    }
}

void SplitRoots::build(long period, long count)
{
    bits = (log2_of(count) + 1) / 2;
    if (bits < 2) {
        bits = 2;
    }
    const long lo_count = long{1} << bits;
    const long hi_count = (count + lo_count - 1) / lo_count;
    lo.resize(static_cast<std::size_t>(2 * lo_count));
    hi.resize(static_cast<std::size_t>(2 * hi_count));
    for (long i = 0; i < lo_count; ++i) {
        unit_root(i, period, lo.data()[i], lo.data()[lo_count + i]);
    }
    for (long i = 0; i < hi_count; ++i) {
        unit_root(i * lo_count, period, hi.data()[i], hi.data()[hi_count + i]);
    }
}

void FourStepPlan::build(long length)
{
    n = length;
    m = length / 2;
    const int bits = log2_of(m);
    single = m <= SingleMaxPoints;
    if (single) {
        whole_fft.build(m);
        const long q = m / 4;
        first_stage.resize(static_cast<std::size_t>(6 * q));
        for (long p = 0; p < q; ++p) {
            for (long k = 1; k <= 3; ++k) {
                unit_root(k * p, m, first_stage.data()[(2 * k - 2) * q + p], first_stage.data()[(2 * k - 1) * q + p]);
            }
        }
        roots_n.build(n, m / 2);
        scratch.resize(static_cast<std::size_t>(n + 64));
        return;
    }
    // The shape trades the strided reads of the column pass against the strided writes
    // of the row pass. Square (rows >= cols) is best from 2^14 to 2^16 points; at 2^13
    // rows of 128 points measured 3 to 8 % faster (both passes' buffers stay in L1); from
    // 2^17 to 2^22 short columns measured 5 to 12 % faster, at 2^23 square again.
    int row_bits = (bits + 1) / 2;
    if (bits == 13) {
        row_bits = 6;
    }
    if (bits >= 17 && bits <= 22) {
        row_bits = bits <= 20 ? 8 : 9;
    }
    rows = long{1} << row_bits;
    cols = m / rows;
    column_fft.build(rows);
    row_fft.build(cols);
    lane_roots.resize(static_cast<std::size_t>(16 * rows));
    for (long r = 0; r < rows; ++r) {
        for (long l = 0; l < 8; ++l) {
            unit_root(r * l, m, lane_roots.data()[16 * r + l], lane_roots.data()[16 * r + 8 + l]);
        }
    }
    roots_m.build(m, m);
    roots_n.build(n, m / 2);
    // A row stride of a power of two would put a column's elements, which the column pass
    // writes one after the other, into a handful of cache sets.
    stride = cols + 8;
    work.resize(static_cast<std::size_t>(4 * 8 * (rows > cols ? rows : cols)));
    scratch.resize(static_cast<std::size_t>(2 * rows * stride));
    stream_scratch = m >= StreamMinPoints;
    row_direct = m <= RowDirectMaxPoints;
    stream_output = m >= StreamOutputMinPoints;
}

} // namespace rfft::detail

// The passes, compiled for AVX-512, for AVX2 with FMA and for plain x86-64. GCC keeps the
// target of each copy to its own functions; which one runs is chosen per plan at run time.
#include <atomic>


// Vector values never cross a call: every helper is inlined.
#pragma GCC diagnostic ignored "-Wpsabi"

#if defined(__x86_64__) && defined(__GNUC__)
#define RFFT_HAS_X86_COPIES 1
#pragma GCC push_options
#pragma GCC target("avx512f,avx512vl,avx2,fma")
#define RFFT_ISA avx512
#include "rfft/FourStepPasses.inc"
#undef RFFT_ISA
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx2,fma")
#define RFFT_ISA avx2
#include "rfft/FourStepPasses.inc"
#undef RFFT_ISA
#pragma GCC pop_options
#endif

#define RFFT_ISA portable
#include "rfft/FourStepPasses.inc"
#undef RFFT_ISA



namespace rfft::detail {

TransformFn pick_transform(Kernels kernels)
{
#ifdef RFFT_HAS_X86_COPIES
    if (kernels == Kernels::Best) {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl")) {
            return &avx512::transform;
        }
        if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) {
            return &avx2::transform;
        }
    }
#endif
    return &portable::transform;
}

} // namespace rfft::detail

#include "signalview/ColumnReduction.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace signalview {

namespace {

// Folds lows[0 ... n-1] into lo and highs[0 ... n-1] into hi (for plain samples both are
// x). With SSE2 four values a step in two pairs of running extremes, so that the pass is
// bound by memory, not by the chain of comparisons. minpd(v, lo) is v < lo ? v : lo, as
// std::min(lo, v): a NaN is passed over the same way.
void Fold(const double* lows, const double* highs, std::size_t n, double& lo, double& hi) {
    std::size_t i = 0;
#if defined(__SSE2__)
    if (n >= 8) {
        __m128d lo0 = _mm_set1_pd(lo);
        __m128d lo1 = lo0;
        __m128d hi0 = _mm_set1_pd(hi);
        __m128d hi1 = hi0;
        for (; i + 4 <= n; i += 4) {
            lo0 = _mm_min_pd(_mm_loadu_pd(lows + i), lo0);
            lo1 = _mm_min_pd(_mm_loadu_pd(lows + i + 2), lo1);
            hi0 = _mm_max_pd(_mm_loadu_pd(highs + i), hi0);
            hi1 = _mm_max_pd(_mm_loadu_pd(highs + i + 2), hi1);
        }
        alignas(16) double lanes[4];
        _mm_store_pd(lanes, _mm_min_pd(lo0, lo1));
        _mm_store_pd(lanes + 2, _mm_max_pd(hi0, hi1));
        lo = std::min(lo, std::min(lanes[0], lanes[1]));
        hi = std::max(hi, std::max(lanes[2], lanes[3]));
    }
#endif
    for (; i < n; ++i) {
        lo = std::min(lo, lows[i]);
        hi = std::max(hi, highs[i]);
    }
}

// Writes the column of x[begin ... end-1] (end > begin): the whole blocks inside it from
// their extremes, the samples before and after them one by one.
void Reduce(const double* x, const TBlockExtremes& blocks, std::size_t begin, std::size_t end, TColumn& column) {
    double lo = x[begin];
    double hi = x[begin];
    const std::size_t firstBlock = (begin + 1 + BlockSamples - 1) / BlockSamples;
    const std::size_t endBlock = end / BlockSamples;
    if (blocks.Min != nullptr && endBlock > firstBlock) {
        Fold(x + begin + 1, x + begin + 1, firstBlock * BlockSamples - begin - 1, lo, hi);
        Fold(blocks.Min + firstBlock, blocks.Max + firstBlock, endBlock - firstBlock, lo, hi);
        Fold(x + endBlock * BlockSamples, x + endBlock * BlockSamples, end - endBlock * BlockSamples, lo, hi);
    } else {
        Fold(x + begin + 1, x + begin + 1, end - begin - 1, lo, hi);
    }
    column = TColumn{begin, end, lo, hi};
}

}  // namespace

void ComputeBlockExtremes(const double* x, std::size_t samples, double* min, double* max) {
    for (std::size_t b = 0; b < BlockCount(samples); ++b) {
        const std::size_t begin = b * BlockSamples;
        TColumn column;
        Reduce(x, TBlockExtremes{}, begin, std::min(samples, begin + BlockSamples), column);
        min[b] = column.Min;
        max[b] = column.Max;
    }
}

std::size_t ReduceMinMax(const double* x, std::size_t first, std::size_t last, std::size_t columns, TColumn* out) {
    return ReduceMinMax(x, TBlockExtremes{}, first, last, columns, out);
}

std::size_t ReduceMinMax(const double* x, const TBlockExtremes& blocks, std::size_t first, std::size_t last,
                         std::size_t columns, TColumn* out) {
    if (last <= first || columns == 0) return 0;
    const std::size_t length = last - first;
    const std::size_t count = std::min(columns, length);
    std::size_t begin = first;
    for (std::size_t k = 0; k < count; ++k) {
        // The products stay far below 2^64: length < 2^40 and count < 2^24 in any use.
        const std::size_t end = first + static_cast<std::size_t>((static_cast<unsigned long long>(length) * (k + 1)) / count);
        Reduce(x, blocks, begin, end, out[k]);
        begin = end;
    }
    return count;
}

std::size_t ReduceMinMaxLog(const double* x, std::size_t first, std::size_t last, std::size_t columns, TColumn* out) {
    return ReduceMinMaxLog(x, TBlockExtremes{}, first, last, columns, out);
}

std::size_t ReduceMinMaxLog(const double* x, const TBlockExtremes& blocks, std::size_t first, std::size_t last,
                            std::size_t columns, TColumn* out) {
    first = std::max<std::size_t>(first, 1);
    if (last <= first || columns == 0) return 0;
    const double ratio = std::log(static_cast<double>(last) / static_cast<double>(first));
    std::size_t written = 0;
    std::size_t begin = first;
    for (std::size_t k = 0; k < columns && begin < last; ++k) {
        std::size_t end = last;
        if (k + 1 < columns) {
            const double edge = static_cast<double>(first) * std::exp(ratio * static_cast<double>(k + 1) / static_cast<double>(columns));
            end = std::clamp<std::size_t>(static_cast<std::size_t>(std::ceil(edge)), begin, last);
        }
        if (end == begin) continue;  // no index falls into this column
        Reduce(x, blocks, begin, end, out[written++]);
        begin = end;
    }
    return written;
}

}  // namespace signalview

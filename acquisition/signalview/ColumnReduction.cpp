#include "signalview/ColumnReduction.h"

#include <algorithm>
#include <cmath>

namespace signalview {

namespace {

// Writes the column of x[begin ... end-1] (end > begin).
void Reduce(const double* x, std::size_t begin, std::size_t end, TColumn& column) {
    double lo = x[begin];
    double hi = x[begin];
    for (std::size_t i = begin + 1; i < end; ++i) {
        lo = std::min(lo, x[i]);
        hi = std::max(hi, x[i]);
    }
    column = TColumn{begin, end, lo, hi};
}

}  // namespace

std::size_t ReduceMinMax(const double* x, std::size_t first, std::size_t last, std::size_t columns, TColumn* out) {
    if (last <= first || columns == 0) return 0;
    const std::size_t length = last - first;
    const std::size_t count = std::min(columns, length);
    std::size_t begin = first;
    for (std::size_t k = 0; k < count; ++k) {
        // The products stay far below 2^64: length < 2^40 and count < 2^24 in any use.
        const std::size_t end = first + static_cast<std::size_t>((static_cast<unsigned long long>(length) * (k + 1)) / count);
        Reduce(x, begin, end, out[k]);
        begin = end;
    }
    return count;
}

std::size_t ReduceMinMaxLog(const double* x, std::size_t first, std::size_t last, std::size_t columns, TColumn* out) {
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
        Reduce(x, begin, end, out[written++]);
        begin = end;
    }
    return written;
}

}  // namespace signalview

#pragma once

#include <cstddef>

namespace signalview {

// One pixel column of a reduced curve: the samples Begin ... End - 1 and their
// smallest and largest value.
struct TColumn {
    std::size_t Begin = 0;
    std::size_t End = 0;
    double Min = 0.0;
    double Max = 0.0;
};

// Splits x[first ... last-1] into at most `columns` adjacent runs of samples of equal
// length (to one sample) and writes each run's minimum and maximum to out, in order.
// Every sample belongs to exactly one column, so no extreme value is lost, however
// narrow. With fewer samples than columns each sample is a column of its own.
// Returns the number of columns written (0 for an empty range or no columns);
// out holds at least `columns` entries.
std::size_t ReduceMinMax(const double* x, std::size_t first, std::size_t last, std::size_t columns, TColumn* out);

// The same for a logarithmic axis: column k covers the indices from
// first * (last / first)^(k / columns) on (first >= 1), so every column has the same
// width on a logarithmic scale of the index. Columns that would hold no index are
// left out; every index of the range is still in exactly one column.
std::size_t ReduceMinMaxLog(const double* x, std::size_t first, std::size_t last, std::size_t columns, TColumn* out);

}  // namespace signalview

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

// The extremes of a curve per block of BlockSamples samples: Min[b] and Max[b] are the
// smallest and largest of x[b * BlockSamples ...] (the last block may be shorter).
// The reductions below read them instead of the samples of every whole block inside a
// column, so that a redraw reads about 1/32 of the frame; null pointers: no blocks.
inline constexpr std::size_t BlockSamples = 64;
struct TBlockExtremes {
    const double* Min = nullptr;
    const double* Max = nullptr;
};
// The number of blocks of a curve of `samples` samples.
inline std::size_t BlockCount(std::size_t samples) { return (samples + BlockSamples - 1) / BlockSamples; }
// Writes min and max (BlockCount(samples) entries each) for x[0 ... samples-1].
void ComputeBlockExtremes(const double* x, std::size_t samples, double* min, double* max);

// Splits x[first ... last-1] into at most `columns` adjacent runs of samples of equal
// length (to one sample) and writes each run's minimum and maximum to out, in order.
// Every sample belongs to exactly one column, so no extreme value is lost, however
// narrow. With fewer samples than columns each sample is a column of its own.
// Returns the number of columns written (0 for an empty range or no columns);
// out holds at least `columns` entries.
std::size_t ReduceMinMax(const double* x, std::size_t first, std::size_t last, std::size_t columns, TColumn* out);
// The same columns, taken from the blocks of x (ComputeBlockExtremes of all of x) where they can.
std::size_t ReduceMinMax(const double* x, const TBlockExtremes& blocks, std::size_t first, std::size_t last,
                         std::size_t columns, TColumn* out);

// The same for a logarithmic axis: column k covers the indices from
// first * (last / first)^(k / columns) on (first >= 1), so every column has the same
// width on a logarithmic scale of the index. Columns that would hold no index are
// left out; every index of the range is still in exactly one column.
std::size_t ReduceMinMaxLog(const double* x, std::size_t first, std::size_t last, std::size_t columns, TColumn* out);
std::size_t ReduceMinMaxLog(const double* x, const TBlockExtremes& blocks, std::size_t first, std::size_t last,
                            std::size_t columns, TColumn* out);

}  // namespace signalview

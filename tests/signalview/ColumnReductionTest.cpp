// The reduction to pixel columns keeps every minimum and maximum: frames with narrow
// spikes at the first and last sample of columns, on linear and logarithmic axes.
#include "signalview/ColumnReduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace {

using signalview::TColumn;

struct TCase {
    const char* name;
    std::size_t samples;
    std::size_t first;
    std::size_t last;  // 0: samples
    std::size_t columns;
    bool log;
};

// A quiet sine-free frame (small ramp) with spikes of +-1000 at every edge of the
// linear columns of this case and at a few other spots.
std::vector<double> Frame(const TCase& c, std::vector<std::size_t>& spikes) {
    std::vector<double> x(c.samples);
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = 1e-3 * static_cast<double>(i % 97);
    const std::size_t last = c.last == 0 ? c.samples : c.last;
    const std::size_t length = last - c.first;
    for (std::size_t k = 0; k <= c.columns; ++k) {
        const std::size_t edge = c.first + length * k / c.columns;
        for (std::size_t i : {edge, edge == 0 ? 0 : edge - 1})
            if (i >= c.first && i < last) spikes.push_back(i);
    }
    spikes.push_back(c.first);
    spikes.push_back(last - 1);
    spikes.push_back(c.first + length / 3);
    for (std::size_t s = 0; s < spikes.size(); ++s) x[spikes[s]] = s % 2 == 0 ? 1000.0 + s : -1000.0 - s;
    return x;
}

class ColumnReductionTest : public testing::TestWithParam<TCase> {};

TEST_P(ColumnReductionTest, EveryExtremeStays) {
    const TCase& c = GetParam();
    std::vector<std::size_t> spikes;
    const std::vector<double> x = Frame(c, spikes);
    const std::size_t last = c.last == 0 ? c.samples : c.last;
    std::vector<TColumn> out(c.columns);
    const std::size_t n = c.log ? signalview::ReduceMinMaxLog(x.data(), c.first, last, c.columns, out.data())
                                : signalview::ReduceMinMax(x.data(), c.first, last, c.columns, out.data());
    ASSERT_GT(n, 0u);
    ASSERT_LE(n, c.columns);
    const std::size_t begin = c.log ? std::max<std::size_t>(c.first, 1) : c.first;
    if (!c.log) {
        EXPECT_EQ(n, std::min(c.columns, last - c.first));
    }
    // The columns cover the range without a gap or an overlap, in order.
    EXPECT_EQ(out[0].Begin, begin);
    EXPECT_EQ(out[n - 1].End, last);
    for (std::size_t k = 0; k < n; ++k) {
        ASSERT_LT(out[k].Begin, out[k].End) << k;
        if (k > 0) {
            ASSERT_EQ(out[k].Begin, out[k - 1].End) << k;
        }
        // Each column's extremes are those of its samples.
        const auto [lo, hi] = std::minmax_element(x.begin() + out[k].Begin, x.begin() + out[k].End);
        EXPECT_EQ(out[k].Min, *lo) << k;
        EXPECT_EQ(out[k].Max, *hi) << k;
    }
    // Every spike lies on the vertical stroke of the column that holds it (its minimum to
    // its maximum), and the frame's extremes are a column's extremes.
    for (std::size_t s : spikes) {
        if (s < begin) continue;
        const auto column = std::find_if(out.begin(), out.begin() + n, [s](const TColumn& t) { return s >= t.Begin && s < t.End; });
        ASSERT_NE(column, out.begin() + n) << s;
        EXPECT_TRUE(column->Min <= x[s] && x[s] <= column->Max) << "spike at " << s << " lost";
    }
    const auto [lo, hi] = std::minmax_element(x.begin() + begin, x.begin() + last);
    EXPECT_TRUE(std::any_of(out.begin(), out.begin() + n, [&](const TColumn& t) { return t.Min == *lo; }));
    EXPECT_TRUE(std::any_of(out.begin(), out.begin() + n, [&](const TColumn& t) { return t.Max == *hi; }));

    // The same columns from the frame's block extremes.
    std::vector<double> blockMin(signalview::BlockCount(x.size())), blockMax(blockMin.size());
    signalview::ComputeBlockExtremes(x.data(), x.size(), blockMin.data(), blockMax.data());
    const signalview::TBlockExtremes blocks{blockMin.data(), blockMax.data()};
    std::vector<TColumn> fromBlocks(c.columns);
    ASSERT_EQ(c.log ? signalview::ReduceMinMaxLog(x.data(), blocks, c.first, last, c.columns, fromBlocks.data())
                    : signalview::ReduceMinMax(x.data(), blocks, c.first, last, c.columns, fromBlocks.data()),
              n);
    for (std::size_t k = 0; k < n; ++k) {
        EXPECT_EQ(fromBlocks[k].Begin, out[k].Begin) << k;
        EXPECT_EQ(fromBlocks[k].End, out[k].End) << k;
        EXPECT_EQ(fromBlocks[k].Min, out[k].Min) << k;
        EXPECT_EQ(fromBlocks[k].Max, out[k].Max) << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, ColumnReductionTest,
    testing::Values(TCase{"exact_multiple", 1 << 12, 0, 0, 256, false},
                    TCase{"uneven", 100003, 0, 0, 977, false},
                    TCase{"zoomed", 1 << 16, 12345, 23456, 640, false},
                    TCase{"fewer_samples_than_columns", 300, 0, 0, 1000, false},
                    TCase{"one_column", 5000, 0, 0, 1, false},
                    TCase{"columns_of_3_samples", 999, 0, 0, 333, false},
                    TCase{"columns_of_9_to_12_samples", 10007, 5, 10000, 997, false},
                    TCase{"large", 1 << 20, 0, 0, 1900, false},
                    TCase{"blocks_zoomed_off_their_edges", 1 << 18, 1001, 250001, 700, false},
                    TCase{"log_whole", 1 << 15, 1, 0, 800, true},
                    TCase{"log_from_zero", 1 << 12, 0, 0, 500, true},
                    TCase{"log_zoomed", 1 << 16, 1000, 20000, 640, true},
                    TCase{"log_more_columns_than_bins", 200, 1, 0, 1000, true}),
    [](const testing::TestParamInfo<TCase>& info) { return std::string(info.param.name); });

TEST(ColumnReduction, EmptyRangeGivesNoColumn) {
    const double x[4] = {1, 2, 3, 4};
    TColumn out[4];
    EXPECT_EQ(signalview::ReduceMinMax(x, 2, 2, 4, out), 0u);
    EXPECT_EQ(signalview::ReduceMinMax(x, 0, 4, 0, out), 0u);
    EXPECT_EQ(signalview::ReduceMinMaxLog(x, 0, 1, 4, out), 0u);
}

}  // namespace

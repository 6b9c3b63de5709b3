#pragma once

#include <cstddef>

namespace computation {

// Pairwise summation of term(i) for i = first ... first + count - 1: the rounding error
// grows with log2(count) instead of count, so a 2^24-term sum keeps nearly full double
// precision. The base blocks use four partial sums so that they vectorise.
template <class Term>
double PairwiseSum(std::size_t first, std::size_t count, const Term& term)
{
    constexpr std::size_t Block = 64;
    if (count <= Block) {
        double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
        std::size_t i = 0;
        for (; i + 4 <= count; i += 4) {
            s0 += term(first + i);
            s1 += term(first + i + 1);
            s2 += term(first + i + 2);
            s3 += term(first + i + 3);
        }
        for (; i < count; ++i) {
            s0 += term(first + i);
        }
        return (s0 + s1) + (s2 + s3);
    }
    // Split on a multiple of the block size so the halves stay block-aligned.
    const std::size_t half = ((count / 2 + Block - 1) / Block) * Block;
    return PairwiseSum(first, half, term) + PairwiseSum(first + half, count - half, term);
}

// Neumaier's compensated sum, for short sums whose terms are produced one by one.
class TCompensatedSum {
public:
    void Add(double v)
    {
        const double t = sum_ + v;
        if ((sum_ >= 0 ? sum_ : -sum_) >= (v >= 0 ? v : -v)) {
            comp_ += (sum_ - t) + v;
        } else {
            comp_ += (v - t) + sum_;
        }
        sum_ = t;
    }
    double Value() const { return sum_ + comp_; }

private:
    double sum_ = 0.0;
    double comp_ = 0.0;
};

} // namespace computation

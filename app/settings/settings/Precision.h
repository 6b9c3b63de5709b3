#pragma once

#include <cstdint>
#include <array>
#include <string>

namespace settings {

inline constexpr std::uint16_t kMaxPrecision = 10;

// A stored precision as a count of decimals: above 10 (negative values included, as
// the count is unsigned) becomes 10.
std::uint16_t LimitPrecision(std::int32_t stored);

// "0." followed by `count` zeros: 2 gives "0.00", 0 gives "0." (whole numbers).
std::string DisplayPattern(std::uint16_t count);

// The patterns of a row of counts.
template <std::size_t N>
std::array<std::string, N> DisplayPatterns(const std::array<std::uint16_t, N>& counts) {
    std::array<std::string, N> patterns;
    for (std::size_t i = 0; i < N; ++i) patterns[i] = DisplayPattern(counts[i]);
    return patterns;
}

}  // namespace settings

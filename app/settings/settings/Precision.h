#pragma once

#include <cstdint>
#include <string>

namespace settings {

inline constexpr std::uint16_t kMaxPrecision = 10;

// A stored precision as a count of decimals: above 10 (negative values included, as
// the count is unsigned) becomes 10.
std::uint16_t LimitPrecision(std::int32_t stored);

// "0." followed by `count` zeros: 2 gives "0.00", 0 gives "0." (whole numbers).
std::string DisplayPattern(std::uint16_t count);

}  // namespace settings

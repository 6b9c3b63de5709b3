#include "settings/Precision.h"

namespace settings {

std::uint16_t LimitPrecision(std::int32_t stored) {
    if (stored < 0 || stored > kMaxPrecision) return kMaxPrecision;
    return static_cast<std::uint16_t>(stored);
}

std::string DisplayPattern(std::uint16_t count) {
    return "0." + std::string(count, '0');
}

}  // namespace settings

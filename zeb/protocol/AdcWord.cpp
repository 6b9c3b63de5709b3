#include "protocol/AdcWord.h"

#include <cmath>

namespace zebwire {

std::uint32_t packWord(int channel, std::int32_t code, bool overload) {
    return (kWordTag << 28) | (overload ? (1u << 26) : 0u) | (static_cast<std::uint32_t>(channel & 3) << 24) |
           (static_cast<std::uint32_t>(code) & 0x00FFFFFFu);
}

std::optional<DecodedWord> unpackWord(std::uint32_t word) {
    if ((word >> 28) != kWordTag || (word & (1u << 27)) != 0) return std::nullopt;
    DecodedWord d;
    d.overload = (word & (1u << 26)) != 0;
    d.channel = static_cast<int>((word >> 24) & 3u);
    std::uint32_t raw = word & 0x00FFFFFFu;
    d.code = (raw & 0x00800000u) ? static_cast<std::int32_t>(raw) - 0x01000000 : static_cast<std::int32_t>(raw);
    return d;
}

std::optional<double> rangeVolts(int rangeCode) {
    static constexpr double kVolts[kRangeCodeCount] = {1.0, 0.3, 0.1, 0.03, 10.0, 3.0};
    if (rangeCode < 0 || rangeCode >= kRangeCodeCount) return std::nullopt;
    return kVolts[rangeCode];
}

std::optional<AdcRate> adcRate(int rateIndex) {
    // flag, divisor per index; frequency = 20 MHz / ((flag ? 384 : 256) * divisor),
    // except index 22 whose nominal value is 39062.49 Hz.
    static constexpr std::uint8_t kRows[kRateCount][2] = {
        {1, 15}, {1, 14}, {1, 13}, {1, 12}, {1, 11}, {0, 15}, {0, 14}, {1, 9}, {0, 13},
        {0, 12}, {0, 11}, {1, 7},  {0, 10}, {0, 9},  {0, 8},  {1, 5},  {0, 7}, {0, 6},
        {0, 5},  {1, 3},  {0, 4},  {0, 3},  {0, 2},  {1, 1},  {0, 1}};
    if (rateIndex < 0 || rateIndex >= kRateCount) return std::nullopt;
    const auto flag = kRows[rateIndex][0];
    const auto divisor = kRows[rateIndex][1];
    double f = 20'000'000.0 / ((flag ? 384.0 : 256.0) * divisor);
    if (rateIndex == 22) f = 39062.49;
    return AdcRate{f, flag, divisor};
}

std::int32_t voltsToCode(double volts, double fullScale, bool& overload) {
    const double scaled = std::isfinite(volts) ? volts / fullScale * kFullScaleCode : 0.0;
    overload = !std::isfinite(volts) || std::fabs(volts) > fullScale;
    if (scaled >= kFullScaleCode) return kFullScaleCode;
    if (scaled <= -kFullScaleCode) return -kFullScaleCode;
    return static_cast<std::int32_t>(std::lround(scaled));
}

}  // namespace zebwire

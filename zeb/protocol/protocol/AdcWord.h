// The ZEB44 sample word and the module's range and rate tables.
//
// Word layout (also documented in zeb44api.h):
//   bits 31..28  tag, always 0xA (a word without it is malformed)
//   bit  27      overflow mark: set only on the first word after words the server
//                skipped because the module's buffer overflowed (a reader that
//                fell behind); unpackWord refuses it like a malformed word
//   bit  26      overload: the input left the range at this sample (code clipped)
//   bits 25..24  channel index c (channel c + 1)
//   bits 23..0   signed 24-bit two's-complement code; +-kFullScaleCode = +-full scale
// A stream holds, per sample instant, one word per enabled channel in channel order.
#pragma once

#include <cstdint>
#include <optional>

namespace zebwire {

inline constexpr std::uint32_t kWordTag = 0xAu;
inline constexpr std::uint32_t kOverflowBit = 1u << 27;
inline constexpr std::int32_t kFullScaleCode = 8388607;  // 2^23 - 1
inline constexpr int kRangeCodeCount = 6;
inline constexpr int kRateCount = 25;
inline constexpr int kChannels = 4;

struct DecodedWord {
    int channel = 0;            // 0..3
    std::int32_t code = 0;      // -2^23 .. 2^23 - 1
    bool overload = false;
};

// Precondition: channel 0..3, |code| <= kFullScaleCode.
std::uint32_t packWord(int channel, std::int32_t code, bool overload);
// nullopt for a word without the tag or with the reserved bit set.
std::optional<DecodedWord> unpackWord(std::uint32_t word);

// Full-scale volts of a module range code 0..5 (0 -> 1 V, 1 -> 0.3, 2 -> 0.1,
// 3 -> 0.03, 4 -> 10, 5 -> 3); nullopt for any other code.
std::optional<double> rangeVolts(int rangeCode);

struct AdcRate {
    double frequency;   // Hz
    std::uint8_t divider384;
    std::uint8_t divisor;
};
// The 25 ADC rates by rate index; nullopt outside 0..24.
std::optional<AdcRate> adcRate(int rateIndex);

// The 24-bit code for an input of `volts` on a range of `fullScale` volts,
// clipped to +-kFullScaleCode; `overload` tells whether it was clipped.
std::int32_t voltsToCode(double volts, double fullScale, bool& overload);
inline double codeToVolts(std::int32_t code, double fullScale) {
    return static_cast<double>(code) * fullScale / kFullScaleCode;
}

}  // namespace zebwire

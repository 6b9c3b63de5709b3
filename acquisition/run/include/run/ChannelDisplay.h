#pragma once

#include "computation/ChannelComputation.h"
#include "instrument/Zeb44Tables.h"

#include <array>
#include <string>

namespace run {

inline constexpr const char* DashesText = "--------";  // a field without a value
inline constexpr const char* MillivoltUnit = "мВ";
inline constexpr const char* KilohertzUnit = "кГц";

// Display patterns per range index ("0.00" and the like), as a run starts with them.
struct TDisplayPatterns {
    std::array<std::string, instrument::RangeCount> Dc;
    std::array<std::string, instrument::RangeCount> Ac;
    std::array<std::string, instrument::RangeCount> Fr;
};

// What one channel frame shows after a frame.
struct TChannelDisplay {
    enum class TKind {
        Dc,               // the DC value; the second field disabled with dashes
        AcWithFrequency,  // the AC value and the frequency
        AcOnly,           // the AC value; the second field disabled with dashes
        Unticked,         // dashes in both fields, nothing else changes
    };
    TKind Kind = TKind::Unticked;
    bool Overload = false;  // the values in red instead of lime
    std::string Value;      // millivolts in the range's pattern, or dashes
    std::string Frequency;  // kilohertz in the range's pattern, or dashes
};

// A channel's texts: DC or AC value x 1000 (millivolts), the frequency x 0.001
// (kilohertz, spectral method only), each in its pattern for the channel's range
// (the default range's pattern for an index outside the table).
TChannelDisplay MakeChannelDisplay(bool ticked, computation::TChannelMode mode, computation::TMethod method,
                                   int rangeIndex, const computation::TChannelResult& result, bool overload,
                                   const TDisplayPatterns& patterns);

}  // namespace run

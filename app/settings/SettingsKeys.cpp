#include "settings/SettingsKeys.h"

#include "settings/SettingsTables.h"

#include <cassert>
#include <charconv>

namespace settings {

std::string ChannelKey(std::string_view prefix, int channelIndex) {
    assert(channelIndex >= 0 && channelIndex < kChannelCount);
    return std::string(prefix) + std::to_string(channelIndex + 1);
}

std::string RangeText(int rangeIndex) {
    assert(rangeIndex >= 0 && rangeIndex < kRangeCount);
    // to_chars ignores the locale, as the file's '.' requires.
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, kRangeVolts[rangeIndex],
                                         std::chars_format::fixed, 2);
    std::string text(buffer, ec == std::errc() ? end : buffer);
    if (text.size() < 5) text.insert(0, 5 - text.size(), ' ');
    return text;
}

std::string PrecisionKey(int rangeIndex, PrecisionKind kind) {
    const char* kindText = kind == PrecisionKind::Dc ? "DC" : kind == PrecisionKind::Ac ? "AC" : "FR";
    return "АЦП. Диапазон " + RangeText(rangeIndex) + " В. " + kindText + " precision";
}

}  // namespace settings

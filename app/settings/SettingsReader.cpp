#include "settings/SettingsReader.h"

#include "IniFile/IniFile.h"
#include "settings/Precision.h"
#include "settings/SettingsKeys.h"

#include <limits>
#include <optional>

namespace settings {

ApplicationSettings ReadApplicationSettings(const inifile::TIniFile& file) {
    ApplicationSettings s;
    s.autoSave = file.ReadInteger(kGeneralSection, kAutoSaveKey, 0) != 0;
    s.windowTop = file.ReadInteger(kGeneralSection, kWindowTopKey, -1);
    s.windowLeft = file.ReadInteger(kGeneralSection, kWindowLeftKey, -1);
    s.correctionCoefSource = file.ReadInteger(kGeneralSection, kCoefSourceKey, 1);
    return s;
}

LinkSettings ReadLinkSettings(const inifile::TIniFile& file) {
    LinkSettings s;
    s.autoResume = file.ReadInteger(kLinkSection, kAutoResumeKey, 0) != 0;
    return s;
}

LimitsSettings ReadLimitsSettings(const inifile::TIniFile& file) {
    LimitsSettings all;
    for (int c = 0; c < kChannelCount; ++c) {
        readings::TBenchSettings s;
        s.NullMode = file.ReadInteger(kLimitsSection, ChannelKey(kNullModePrefix, c), 0) == 1 ? readings::TNullMode::Volts
                                                                                             : readings::TNullMode::Off;
        s.NullVolts = file.ReadFloat(kLimitsSection, ChannelKey(kNullVoltsPrefix, c), 0.0);
        s.AverageCount = file.ReadInteger(kLimitsSection, ChannelKey(kAverageCountPrefix, c), 1);
        s.LimitsOn = file.ReadBool(kLimitsSection, ChannelKey(kLimitsOnPrefix, c), false);
        const auto limit = [&](std::string_view prefix) -> std::optional<double> {
            const std::string text = file.ReadString(kLimitsSection, ChannelKey(prefix, c), "");
            if (text.empty()) return std::nullopt;
            const double nan = std::numeric_limits<double>::quiet_NaN();
            const double value = file.ReadFloat(kLimitsSection, ChannelKey(prefix, c), nan);
            return value;  // an unreadable number fails the validation below
        };
        s.Lower = limit(kLowerLimitPrefix);
        s.Upper = limit(kUpperLimitPrefix);
        if (!readings::ValidateBenchSettings(s, c)) all[static_cast<std::size_t>(c)] = s;
    }
    return all;
}

DiscoverySettings ReadDiscoverySettings(const inifile::TIniFile& file) {
    DiscoverySettings s;
    s.crateSerial = file.ReadString(kDiscoverySection, kCrateSerialKey, "");
    s.moduleSlot = file.ReadInteger(kDiscoverySection, kModuleSlotKey, -1);
    return s;
}

ModuleSettings ReadModuleSettings(const inifile::TIniFile& file) {
    const std::string_view section = kModuleSection;
    ModuleSettings s;
    // The run's rule for texts it does not know: a method other than "fft" sums, an
    // amplitude other than "rms" is the peak.
    s.computationMethod = computation::MethodFromText(
        file.ReadString(section, kComputationMethodKey, computation::MethodText(s.computationMethod)));
    s.amplitudeType = computation::AmplitudeTypeFromText(
        file.ReadString(section, kAmplitudeTypeKey, computation::AmplitudeTypeText(s.amplitudeType)));
    s.adcRateIndex = file.ReadInteger(section, kAdcRateIndexKey, instrument::DefaultAdcRateIndex);
    s.maxAcquisitionTime = file.ReadFloat(section, kMaxAcquisitionTimeKey, 1.0);
    for (int r = 0; r < kRangeCount; ++r) {
        s.dcPrecision[r] = LimitPrecision(file.ReadInteger(section, PrecisionKey(r, PrecisionKind::Dc), s.dcPrecision[r]));
        s.acPrecision[r] = LimitPrecision(file.ReadInteger(section, PrecisionKey(r, PrecisionKind::Ac), s.acPrecision[r]));
        s.frPrecision[r] = LimitPrecision(file.ReadInteger(section, PrecisionKey(r, PrecisionKind::Fr), s.frPrecision[r]));
        s.dcFormat[r] = DisplayPattern(s.dcPrecision[r]);
        s.acFormat[r] = DisplayPattern(s.acPrecision[r]);
        s.frFormat[r] = DisplayPattern(s.frPrecision[r]);
    }
    s.allChannels = file.ReadBool(section, kAllChannelsKey, true);
    s.commonRangeIndex = file.ReadInteger(section, kCommonRangeKey, 0);
    s.connectionModeIndex = file.ReadInteger(section, kConnectionModeKey, 0);
    s.commonMethodIndex = file.ReadInteger(section, kCommonMethodKey, 0);
    for (int i = 0; i < kChannelCount; ++i) {
        s.channelEnabled[i] = file.ReadBool(section, ChannelKey(kChannelEnabledPrefix, i), true);
        s.channelRangeIndex[i] = file.ReadInteger(section, ChannelKey(kChannelRangePrefix, i), 0);
        s.channelMethodIndex[i] = file.ReadInteger(section, ChannelKey(kChannelMethodPrefix, i), 0);
    }
    return s;
}

ModuleControls ResolveModuleControls(const ModuleSettings& stored) {
    ModuleControls c;
    c.adcRateIndex = ListSelection(stored.adcRateIndex, kAdcRateCount);
    c.commonRangeIndex = ListSelection(stored.commonRangeIndex, kRangeCount);
    c.connectionModeIndex = ListSelection(stored.connectionModeIndex, kConnectionModeCount);
    c.commonMethodIndex = ListSelection(stored.commonMethodIndex, kMeasuringModeCount);
    for (int i = 0; i < kChannelCount; ++i) {
        c.channelEnabled[i] = stored.allChannels || stored.channelEnabled[i];
        c.channelRangeIndex[i] = c.commonRangeIndex >= 0
                                     ? c.commonRangeIndex
                                     : ListSelection(stored.channelRangeIndex[i], kRangeCount);
        c.channelMethodIndex[i] = c.commonMethodIndex >= 0
                                      ? c.commonMethodIndex
                                      : ListSelection(stored.channelMethodIndex[i], kMeasuringModeCount);
    }
    bool alike = true;
    for (int i = 1; i < kChannelCount; ++i) alike = alike && c.channelEnabled[i] == c.channelEnabled[0];
    c.allChannels = !alike ? GroupCheck::Mixed : c.channelEnabled[0] ? GroupCheck::Checked : GroupCheck::Unchecked;
    return c;
}

}  // namespace settings

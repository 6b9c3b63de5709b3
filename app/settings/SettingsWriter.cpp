#include "settings/SettingsWriter.h"

#include "IniFile/IniFile.h"
#include "settings/SettingsKeys.h"

namespace settings {
namespace {

using inifile::IniStatus;
using inifile::TIniFile;

// Collects the first failure of a group of writes and ends the group with a flush.
class WriteGroup {
public:
    WriteGroup(TIniFile& file, std::string_view section) : file_(file), section_(section) {}

    void Text(std::string_view key, std::string_view value) { Note(file_.WriteString(section_, key, value)); }
    void Integer(std::string_view key, std::int32_t value) { Note(file_.WriteInteger(section_, key, value)); }
    void Bool(std::string_view key, bool value) { Note(file_.WriteBool(section_, key, value)); }
    void Float(std::string_view key, double value) { Note(file_.WriteFloat(section_, key, value)); }
    void Section(std::string_view section) { section_ = section; }

    IniStatus Flush() {
        IniStatus flushed = file_.Flush();
        if (flushed) return status_;
        if (status_) return flushed;
        status_.message += "\n" + flushed.message;
        return status_;
    }

private:
    void Note(IniStatus status) {
        if (status_ && !status) status_ = std::move(status);
    }

    TIniFile& file_;
    std::string_view section_;
    IniStatus status_;
};

}  // namespace

IniStatus WriteDefaultApplicationSettings(TIniFile& file) {
    WriteGroup group(file, kGeneralSection);
    group.Bool(kAutoSaveKey, false);
    group.Integer(kWindowTopKey, -1);
    group.Integer(kWindowLeftKey, -1);
    group.Integer(kCoefSourceKey, 0);
    group.Section(kDiscoverySection);
    group.Text(kCrateSerialKey, "");
    group.Integer(kModuleSlotKey, -1);
    return group.Flush();
}

IniStatus WriteDefaultModuleSettings(TIniFile& file) {
    WriteGroup group(file, kModuleSection);
    const ModuleSettings defaults;
    group.Text(kComputationMethodKey, computation::MethodText(defaults.computationMethod));
    group.Text(kAmplitudeTypeKey, computation::AmplitudeTypeText(defaults.amplitudeType));
    group.Float(kMaxAcquisitionTimeKey, 1.0);
    group.Integer(kAdcRateIndexKey, instrument::DefaultAdcRateIndex);
    group.Bool(kAllChannelsKey, true);
    for (int i = 0; i < kChannelCount; ++i) group.Bool(ChannelKey(kChannelEnabledPrefix, i), true);
    group.Integer(kCommonRangeKey, 0);
    for (int i = 0; i < kChannelCount; ++i) group.Integer(ChannelKey(kChannelRangePrefix, i), 0);
    group.Integer(kConnectionModeKey, 0);
    group.Integer(kCommonMethodKey, 0);
    for (int i = 0; i < kChannelCount; ++i) group.Integer(ChannelKey(kChannelMethodPrefix, i), 0);
    for (int r = 0; r < kRangeCount; ++r) {
        group.Integer(PrecisionKey(r, PrecisionKind::Dc), defaults.dcPrecision[r]);
        group.Integer(PrecisionKey(r, PrecisionKind::Ac), defaults.acPrecision[r]);
        group.Integer(PrecisionKey(r, PrecisionKind::Fr), defaults.frPrecision[r]);
    }
    return group.Flush();
}

IniStatus SaveApplicationSettings(TIniFile& file, const ApplicationControls& controls) {
    WriteGroup group(file, kGeneralSection);
    group.Bool(kAutoSaveKey, controls.autoSave);
    group.Integer(kWindowTopKey, controls.windowTop);
    group.Integer(kWindowLeftKey, controls.windowLeft);
    if (controls.selectedCrateSerial) {
        group.Section(kDiscoverySection);
        group.Text(kCrateSerialKey, *controls.selectedCrateSerial);
        if (controls.selectedModuleSlot) group.Integer(kModuleSlotKey, *controls.selectedModuleSlot);
    }
    return group.Flush();
}

IniStatus SaveLinkSettings(TIniFile& file, const LinkSettings& link) {
    WriteGroup group(file, kLinkSection);
    group.Bool(kAutoResumeKey, link.autoResume);
    return group.Flush();
}

IniStatus SaveLimitsSettings(TIniFile& file, const LimitsSettings& limits) {
    WriteGroup group(file, kLimitsSection);
    for (int c = 0; c < kChannelCount; ++c) {
        const readings::TBenchSettings& s = limits[static_cast<std::size_t>(c)];
        group.Integer(ChannelKey(kNullModePrefix, c), s.NullMode == readings::TNullMode::Volts ? 1 : 0);
        group.Float(ChannelKey(kNullVoltsPrefix, c), s.NullVolts);
        group.Integer(ChannelKey(kAverageCountPrefix, c), s.AverageCount);
        group.Bool(ChannelKey(kLimitsOnPrefix, c), s.LimitsOn);
        const auto limit = [&](std::string_view prefix, const std::optional<double>& value) {
            if (value)
                group.Float(ChannelKey(prefix, c), *value);
            else
                group.Text(ChannelKey(prefix, c), "");
        };
        limit(kLowerLimitPrefix, s.Lower);
        limit(kUpperLimitPrefix, s.Upper);
    }
    return group.Flush();
}

IniStatus SaveModuleSettings(TIniFile& file, const ModuleControls& controls) {
    WriteGroup group(file, kModuleSection);
    group.Integer(kAdcRateIndexKey, controls.adcRateIndex);
    group.Bool(kAllChannelsKey, controls.allChannels == GroupCheck::Checked);
    for (int i = 0; i < kChannelCount; ++i)
        group.Bool(ChannelKey(kChannelEnabledPrefix, i), controls.channelEnabled[i]);
    group.Integer(kCommonRangeKey, controls.commonRangeIndex);
    for (int i = 0; i < kChannelCount; ++i)
        group.Integer(ChannelKey(kChannelRangePrefix, i), controls.channelRangeIndex[i]);
    group.Integer(kConnectionModeKey, controls.connectionModeIndex);
    group.Integer(kCommonMethodKey, controls.commonMethodIndex);
    for (int i = 0; i < kChannelCount; ++i)
        group.Integer(ChannelKey(kChannelMethodPrefix, i), controls.channelMethodIndex[i]);
    return group.Flush();
}

}  // namespace settings

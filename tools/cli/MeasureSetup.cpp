#include "MeasureSetup.h"

#include "IniFile/IniFile.h"
#include "settings/SettingsReader.h"

#include <filesystem>

namespace {

// The window's measuring mode of a channel after a load: the connection mode and the
// common measuring-mode list (AC only measures AC, own zero only DC).
computation::TChannelMode ChannelMode(int connectionMode, int commonMethodIndex) {
    const bool ac = connectionMode == 1 || (connectionMode == 0 && commonMethodIndex == 1);
    return ac ? computation::TChannelMode::Ac : computation::TChannelMode::Dc;
}

}  // namespace

bool MakeSetup(const TCliOptions& o, TMeasureSetup& setup, std::string& error) {
    settings::ModuleSettings stored;
    if (o.SettingsFile) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(*o.SettingsFile, ec)) {
            error = "нет файла настроек " + *o.SettingsFile;
            return false;
        }
        const inifile::TIniFile file(*o.SettingsFile);
        if (!file.LoadStatus()) {
            error = file.LoadStatus().message;
            return false;
        }
        stored = settings::ReadModuleSettings(file);
        const settings::DiscoverySettings discovery = settings::ReadDiscoverySettings(file);
        if (!discovery.crateSerial.empty()) setup.WantedCrate = discovery.crateSerial;
        if (discovery.moduleSlot >= 1 && discovery.moduleSlot <= 16) setup.WantedSlot = discovery.moduleSlot;
    }
    if (o.Method) stored.computationMethod = *o.Method;
    if (o.Amplitude) stored.amplitudeType = *o.Amplitude;
    if (o.MaxTime) stored.maxAcquisitionTime = *o.MaxTime;
    settings::ModuleControls controls = settings::ResolveModuleControls(stored);
    if (o.AdcRateIndex) controls.adcRateIndex = *o.AdcRateIndex;
    if (o.ConnectionMode) controls.connectionModeIndex = *o.ConnectionMode;
    if (o.Channels) controls.channelEnabled = *o.Channels;
    if (o.CommonRangeIndex) controls.channelRangeIndex.fill(*o.CommonRangeIndex);
    for (int c = 0; c < 4; ++c)
        if (o.ChannelRangeIndex[c]) controls.channelRangeIndex[c] = *o.ChannelRangeIndex[c];
    if (o.MeasuringMode) controls.commonMethodIndex = *o.MeasuringMode;

    run::TModuleParameters& p = setup.Parameters;
    p.AdcRateIndex = controls.adcRateIndex;
    p.ConnectionMode = controls.connectionModeIndex;
    run::TRunSettings& s = setup.Settings;
    s.ComputationMethod = stored.computationMethod;
    s.AmplitudeType = stored.amplitudeType;
    s.MaxAcquisitionTime = stored.maxAcquisitionTime;
    for (int c = 0; c < 4; ++c) {
        p.ChannelEnabled[c] = controls.channelEnabled[c];
        p.RangeIndex[c] = controls.channelRangeIndex[c];
        s.RangeIndex[c] = controls.channelRangeIndex[c];
        s.ChannelMode[c] = ChannelMode(controls.connectionModeIndex, controls.commonMethodIndex);
    }
    setup.Patterns = {stored.dcFormat, stored.acFormat, stored.frFormat};
    setup.CrateSerial = o.CrateSerial;
    setup.Slot = o.Slot;
    return true;
}


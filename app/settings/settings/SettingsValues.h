#pragma once

#include "computation/ChannelComputation.h"
#include "readings/BenchFunctions.h"
#include "settings/Precision.h"
#include "settings/SettingsTables.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace settings {

// Section "Приложение. Общие" as read.
struct ApplicationSettings {
    bool autoSave = false;                 // save on close
    std::int32_t windowTop = -1;           // -1: leave the window where it is
    std::int32_t windowLeft = -1;          // -1: leave the window where it is
    std::int32_t correctionCoefSource = 1;

    friend bool operator==(const ApplicationSettings&, const ApplicationSettings&) = default;
};

// Section "Приложение. Связь с модулем" as read and written.
struct LinkSettings {
    bool autoResume = false;  // a run lost with its module waits and resumes by itself

    friend bool operator==(const LinkSettings&, const LinkSettings&) = default;
};

// Section "Приложение. Допуски и статистика" as read and written: per channel.
using LimitsSettings = std::array<readings::TBenchSettings, kChannelCount>;

// Section "Приложение. Обнаружение" as read.
struct DiscoverySettings {
    std::string crateSerial;       // empty: no crate wanted
    std::int32_t moduleSlot = -1;  // as stored; discovery takes it as signed 16-bit, -1 none

    friend bool operator==(const DiscoverySettings&, const DiscoverySettings&) = default;
};

// Section "Модуль ZEB44" as read: defaults where a key is missing or unreadable,
// list indices as stored (ResolveModuleControls() turns the ones outside their list
// into "no selection").
struct ModuleSettings {
    computation::TMethod computationMethod = computation::TMethod::Spectral;          // "fft" or "sum"
    computation::TAmplitudeType amplitudeType = computation::TAmplitudeType::Rms;  // "rms" or "amp"
    double maxAcquisitionTime = 1.0;        // seconds
    std::int32_t adcRateIndex = instrument::DefaultAdcRateIndex;
    bool allChannels = true;
    std::array<bool, kChannelCount> channelEnabled{true, true, true, true};
    std::int32_t commonRangeIndex = 0;  // -1: the channels differ
    std::array<std::int32_t, kChannelCount> channelRangeIndex{0, 0, 0, 0};
    std::int32_t connectionModeIndex = 0;
    std::int32_t commonMethodIndex = 0;  // 0 DC, 1 AC; -1: the channels differ
    std::array<std::int32_t, kChannelCount> channelMethodIndex{0, 0, 0, 0};

    // Decimals shown per range (index = range index), limited to 10, and the display
    // patterns built from them ("0." and that many "0").
    std::array<std::uint16_t, kRangeCount> dcPrecision = DefaultPrecisions(PrecisionDefault::Dc);
    std::array<std::uint16_t, kRangeCount> acPrecision = DefaultPrecisions(PrecisionDefault::Ac);
    std::array<std::uint16_t, kRangeCount> frPrecision = DefaultPrecisions(PrecisionDefault::Fr);
    std::array<std::string, kRangeCount> dcFormat = DisplayPatterns(dcPrecision);
    std::array<std::string, kRangeCount> acFormat = DisplayPatterns(acPrecision);
    std::array<std::string, kRangeCount> frFormat = DisplayPatterns(frPrecision);

    friend bool operator==(const ModuleSettings&, const ModuleSettings&) = default;
};

// The three states of the "all channels" check box.
enum class GroupCheck { Unchecked, Checked, Mixed };

// The multimeter page's parameter controls: item indices (-1 = no selection) and check
// box states. What a load puts into the controls, and what a save writes from them.
struct ModuleControls {
    int adcRateIndex = instrument::DefaultAdcRateIndex;
    GroupCheck allChannels = GroupCheck::Checked;
    std::array<bool, kChannelCount> channelEnabled{true, true, true, true};
    int commonRangeIndex = 0;
    std::array<int, kChannelCount> channelRangeIndex{0, 0, 0, 0};
    int connectionModeIndex = 0;
    int commonMethodIndex = 0;
    std::array<int, kChannelCount> channelMethodIndex{0, 0, 0, 0};

    friend bool operator==(const ModuleControls&, const ModuleControls&) = default;
};

// What a save takes from the window besides the module controls.
struct ApplicationControls {
    bool autoSave = false;                          // the "save on close" check box
    int windowTop = 0;
    int windowLeft = 0;
    std::optional<std::string> selectedCrateSerial;  // the selected crate's serial; none: no crate selected
    std::optional<int> selectedModuleSlot;           // the selected module's slot; none: no module selected
};

}  // namespace settings

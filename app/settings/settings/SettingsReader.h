#pragma once

#include "settings/SettingsValues.h"

namespace inifile {
class TIniFile;
}

namespace settings {

// Readers of the three sections. Every missing or unreadable value reads as its default;
// they never fail.
ApplicationSettings ReadApplicationSettings(const inifile::TIniFile& file);
DiscoverySettings ReadDiscoverySettings(const inifile::TIniFile& file);
LinkSettings ReadLinkSettings(const inifile::TIniFile& file);
// A channel whose entries do not pass readings::ValidateBenchSettings takes the defaults
// whole; a null that waits for the next reading is read as off.
LimitsSettings ReadLimitsSettings(const inifile::TIniFile& file);
ModuleSettings ReadModuleSettings(const inifile::TIniFile& file);

// What the controls show after a load:
// - an index outside its list (the stored -1 included) gives no selection (-1);
// - a ticked group check box ticks every channel, otherwise each channel's own key counts;
// - a common range or method with a selection is copied to every channel, otherwise each
//   channel's own key counts (and an own index outside the list gives no selection);
// - the group check box then takes the channels' common state, or Mixed when they differ.
ModuleControls ResolveModuleControls(const ModuleSettings& stored);

}  // namespace settings

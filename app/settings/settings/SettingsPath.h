#pragma once

#include <string>
#include <string_view>

namespace settings {

// The settings file beside the program: `executableDirectory` joined with "Voltcheck.ini"
// by the platform's separator.
std::string SettingsFilePath(std::string_view executableDirectory);

// The settings file in the user's configuration folder:
// `$XDG_CONFIG_HOME/Voltcheck/Voltcheck.ini`, where an unset, empty or relative
// XDG_CONFIG_HOME stands for `$HOME/.config`. `xdgConfigHome` and `home` are the
// variables' values (nullptr when unset). Empty when neither gives an absolute folder.
std::string UserSettingsFilePath(const char* xdgConfigHome, const char* home);

// Whether the program may create and replace files in `directory` (an existing folder
// the process can write to and enter).
bool IsWritableDirectory(std::string_view directory);

// Where the program keeps its settings file: beside the executable when that folder is
// writable (a portable copy keeps its settings with it), otherwise in the user's
// configuration folder (an installed program under /usr/bin). The configuration
// folder is not created here. Reads XDG_CONFIG_HOME and HOME.
std::string ProgramSettingsFilePath(std::string_view executableDirectory);

}  // namespace settings

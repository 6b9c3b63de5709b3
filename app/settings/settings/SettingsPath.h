#pragma once

#include <string>
#include <string_view>

namespace settings {

// The settings file beside the program: `executableDirectory` joined with "Voltcheck.ini"
// by the platform's separator.
std::string SettingsFilePath(std::string_view executableDirectory);

}  // namespace settings

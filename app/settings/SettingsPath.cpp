#include "settings/SettingsPath.h"

#include "settings/SettingsKeys.h"

#include <filesystem>

namespace settings {

std::string SettingsFilePath(std::string_view executableDirectory) {
    return (std::filesystem::path(executableDirectory) / kSettingsFileName).string();
}

}  // namespace settings

#include "settings/SettingsPath.h"

#include "settings/SettingsKeys.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace settings {

namespace {

// The folder of the program's own files inside the user's configuration folder.
constexpr std::string_view kUserSettingsFolder = "Voltcheck";

bool IsAbsoluteFolder(const char* value) { return value != nullptr && value[0] == '/'; }

}  // namespace

std::string SettingsFilePath(std::string_view executableDirectory) {
    return (std::filesystem::path(executableDirectory) / kSettingsFileName).string();
}

std::string UserSettingsFilePath(const char* xdgConfigHome, const char* home) {
    std::filesystem::path configHome;
    if (IsAbsoluteFolder(xdgConfigHome))
        configHome = xdgConfigHome;
    else if (IsAbsoluteFolder(home))
        configHome = std::filesystem::path(home) / ".config";
    else
        return {};
    return (configHome / kUserSettingsFolder / kSettingsFileName).string();
}

bool IsWritableDirectory(std::string_view directory) {
    const std::string path(directory);
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_directory(path, ec)) return false;
    return ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string ProgramSettingsFilePath(std::string_view executableDirectory) {
    if (IsWritableDirectory(executableDirectory)) return SettingsFilePath(executableDirectory);
    std::string user = UserSettingsFilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    // Without a home folder the place beside the program is the only one there is.
    return user.empty() ? SettingsFilePath(executableDirectory) : user;
}

}  // namespace settings

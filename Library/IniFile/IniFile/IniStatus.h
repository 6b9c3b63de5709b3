#pragma once

#include <string>
#include <utility>

namespace inifile {

// Result of a settings-file operation. A failure carries a Russian message for the
// operator that names the file, ready for a message box.
struct IniStatus {
    bool ok = true;
    std::string message;

    explicit operator bool() const noexcept { return ok; }

    static IniStatus Success() { return {}; }
    static IniStatus Failure(std::string text) { return {false, std::move(text)}; }
};

}  // namespace inifile

#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace inifile {

// Whole-file reading and replacing for the settings file.

struct FileReadResult {
    bool exists = false;          // false: no file at the path (nothing to read)
    std::string bytes;
    std::optional<std::string> error;  // the file exists but could not be read: why
};

// Reads a regular file of at most `maxBytes`. Opening never blocks (a FIFO at the
// path is an error, not a hang).
FileReadResult ReadWholeFile(const std::string& path, std::size_t maxBytes);

// Writes `bytes` to a new file beside `path`, syncs it and renames it over `path`.
// A symbolic link at `path` is followed, so the link stays and its target is replaced.
// The permissions of an existing file are kept. On failure the new file is removed,
// the old file is untouched and the result says why (in Russian, with the system's
// reason); nullopt on success.
std::optional<std::string> ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace inifile

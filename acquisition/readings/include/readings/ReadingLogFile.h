#pragma once

#include "readings/ReadingFormat.h"

#include <optional>
#include <string>

namespace readings {

// A CSV file that readings are appended to, line by line: each line is written whole
// and reaches the system before Append returns, so that the file never ends in the
// middle of a line, whatever happens to the program afterwards. A header line goes
// before the first reading and before every reading whose columns differ from the
// last header written.
class TReadingLogFile {
public:
    TReadingLogFile() = default;
    TReadingLogFile(const TReadingLogFile&) = delete;
    TReadingLogFile& operator=(const TReadingLogFile&) = delete;
    ~TReadingLogFile() { Close(); }

    // Opens path for appending (created when missing, what it holds kept). False with
    // the system's reason in error.
    bool Open(const std::string& path, std::string& error);
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

    // Writes the reading (after a header when needed). A failed write (disk full, no
    // permission, the file removed) takes back what it wrote of the line and returns
    // false with the reason in error; the file stays open for the caller to close.
    bool Append(const TColumns& columns, const TReading& reading, std::string& error);

    void Close();

private:
    bool WriteLine(const std::string& line, std::string& error);

    int fd_ = -1;
    std::string path_;
    std::optional<TColumns> header_;
};

}  // namespace readings

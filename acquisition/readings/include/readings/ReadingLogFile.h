#pragma once

#include "readings/ReadingFormat.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace readings {

// A CSV file that readings are appended to, line by line: each line is written whole
// and reaches the system before Append returns, so that the file never ends in the
// middle of a line, whatever happens to the program afterwards. A header line goes
// before the first reading and before every reading whose columns (or event column)
// differ from the last header written.
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
    bool Append(const TColumns& columns, const TReading& reading, std::string& error) {
        return Append(columns, reading, TEventColumn::Without, error);
    }
    bool Append(const TColumns& columns, const TReading& reading, TEventColumn event, std::string& error);
    // An event line ("lost: ...", "resumed after ...") in the columns of the last header,
    // after a header with the event column when that one had none. Writes nothing (and
    // returns true) while no header has been written: an event belongs to the readings
    // around it.
    bool AppendEvent(std::chrono::system_clock::time_point time, std::string_view text, std::string& error);

    void Close();

private:
    bool WriteLine(const std::string& line, std::string& error);

    int fd_ = -1;
    std::string path_;
    std::optional<std::pair<TColumns, TEventColumn>> header_;
};

}  // namespace readings

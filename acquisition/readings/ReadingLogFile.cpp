#include "readings/ReadingLogFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace readings {

bool TReadingLogFile::Open(const std::string& path, std::string& error) {
    Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    fd_ = fd;
    path_ = path;
    header_.reset();
    return true;
}

bool TReadingLogFile::Append(const TColumns& columns, const TReading& reading, TEventColumn event,
                             std::string& error) {
    if (fd_ < 0) {
        error = std::strerror(EBADF);
        return false;
    }
    if (header_ != std::pair(columns, event)) {
        if (!WriteLine(CsvHeader(columns, event), error)) return false;
        header_ = std::pair(columns, event);
    }
    return WriteLine(CsvLine(columns, reading, event), error);
}

bool TReadingLogFile::AppendEvent(std::chrono::system_clock::time_point time, std::string_view text,
                                  std::string& error) {
    if (fd_ < 0) {
        error = std::strerror(EBADF);
        return false;
    }
    if (!header_) return true;
    if (header_->second != TEventColumn::With) {
        if (!WriteLine(CsvHeader(header_->first, TEventColumn::With), error)) return false;
        header_->second = TEventColumn::With;
    }
    return WriteLine(CsvEventLine(header_->first, time, text), error);
}

bool TReadingLogFile::WriteLine(const std::string& line, std::string& error) {
    // A file removed from its folder still takes writes that nobody will ever read.
    struct stat status {};
    if (::fstat(fd_, &status) != 0 || status.st_nlink == 0) {
        error = "файл удалён";
        return false;
    }
    const off_t start = ::lseek(fd_, 0, SEEK_END);
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(fd_, line.data() + written, line.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = std::strerror(n < 0 ? errno : EIO);
            // Take back the part of the line that got in, so the file ends with a whole line.
            if (written > 0 && start >= 0 && ::ftruncate(fd_, start) != 0) error += " (строка записана не полностью)";
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

void TReadingLogFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    header_.reset();
}

}  // namespace readings

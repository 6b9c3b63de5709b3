#include "LineOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto SyncPeriod = std::chrono::seconds(1);
constexpr int MaxNameTries = 1000;  // files started within one second of each other: -002, -003, ...

std::int64_t PeriodSeconds(TRotateKind kind) { return kind == TRotateKind::Daily ? 86400 : 3600; }

// "20261211T130000Z"
std::string NameStamp(std::chrono::system_clock::time_point time) {
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    ::gmtime_r(&t, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%SZ", &utc);
    return buffer;
}

// base with "-STAMP" (and "-K" for the K-th file of the same second) before its extension.
std::string StampedName(const std::string& base, const std::string& stamp, int k) {
    const std::filesystem::path path(base);
    std::string name = path.stem().string() + "-" + stamp;
    if (k > 1) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "-%03d", k);
        name += suffix;
    }
    return (path.parent_path() / (name + path.extension().string())).string();
}

std::string Reason() { return std::strerror(errno != 0 ? errno : EIO); }

}  // namespace

TLineOutput::~TLineOutput() {
    std::string ignored;
    Close(ignored);
}

bool TLineOutput::Open(const std::optional<std::string>& path, const TRotation& rotation, std::string& error) {
    base_ = path;
    rotation_ = rotation;
    if (!base_) return true;
    if (!OpenFile(TClock::now(), error)) return false;
    syncer_ = std::thread([this] { SyncLoop(); });
    return true;
}

bool TLineOutput::OpenFile(TClock::time_point start, std::string& error) {
    const bool stamped = rotation_.Kind != TRotateKind::None;
    int fd = -1;
    std::string path;
    for (int k = 1; fd < 0 && k <= MaxNameTries; ++k) {
        path = stamped ? StampedName(*base_, NameStamp(start), k) : *base_;
        const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (stamped ? O_EXCL : O_TRUNC);
        fd = ::open(path.c_str(), flags, 0644);
        if (fd < 0 && !(stamped && errno == EEXIST)) break;
    }
    if (fd < 0) {
        error = "не могу создать файл " + path + ": " + Reason();
        return false;
    }
    fd_ = fd;
    path_ = path;
    name_ = path;
    fileBytes_ = 0;
    if (rotation_.Kind == TRotateKind::Hourly || rotation_.Kind == TRotateKind::Daily) {
        const std::int64_t period = PeriodSeconds(rotation_.Kind);
        const std::int64_t seconds = std::chrono::duration_cast<std::chrono::seconds>(start.time_since_epoch()).count();
        nextBoundary_ = TClock::time_point(std::chrono::seconds((seconds / period + 1) * period));
    }
    if (preamble_.empty()) return true;
    if (!WriteAll(fd_, preamble_, error)) return false;
    return WriteSidecar(error);
}

bool TLineOutput::CloseFile(std::string& error) {
    if (!base_ || fd_ < 0) return true;
    bool ok = true;
    // A pipe or a device named as the file cannot be synced (EINVAL): nothing is lost there.
    if (::fdatasync(fd_) != 0 && errno != EINVAL) {
        error = "не могу записать на диск " + name_ + ": " + Reason();
        ok = false;
    }
    if (::close(fd_) != 0 && ok) {
        error = "не могу закрыть " + name_ + ": " + Reason();
        ok = false;
    }
    fd_ = -1;
    unsynced_ = 0;
    return ok;
}

bool TLineOutput::WriteAll(int fd, const std::string& text, std::string& error) {
    std::size_t written = 0;
    while (written < text.size()) {
        errno = 0;
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "не могу записать в " + name_ + ": " + Reason();
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    fileBytes_ += text.size();
    ++unsynced_;
    return true;
}

bool TLineOutput::WriteSidecar(std::string& error) {
    // Only a regular file has a folder to put the sidecar in (not /dev/stdout, a pipe).
    struct stat status {};
    if (sidecar_.empty() || !base_ || ::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) return true;
    const std::string path = path_ + ".json";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    for (std::size_t written = 0; ok && written < sidecar_.size();) {
        const ssize_t n = ::write(fd, sidecar_.data() + written, sidecar_.size() - written);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) written += static_cast<std::size_t>(n);
    }
    ok = ok && (::fdatasync(fd) == 0 || errno == EINVAL);
    if (fd >= 0 && ::close(fd) != 0) ok = false;
    if (!ok) error = "не могу записать " + path + ": " + Reason();
    return ok;
}

bool TLineOutput::SetPreamble(std::string preamble, std::string sidecar, std::string& error) {
    const std::lock_guard lock(mutex_);
    preamble_ = std::move(preamble);
    sidecar_ = std::move(sidecar);
    preambleBytes_ = preamble_.size();
    return WriteAll(fd_, preamble_, error) && WriteSidecar(error);
}

bool TLineOutput::RotationDue(std::size_t lineBytes, TClock::time_point now) const {
    switch (rotation_.Kind) {
    case TRotateKind::None:
        return false;
    case TRotateKind::Hourly:
    case TRotateKind::Daily:
        return now >= nextBoundary_;
    case TRotateKind::Size:
        // A file holds at least one line beyond its preamble, however large.
        return fileBytes_ > preambleBytes_ && fileBytes_ + lineBytes > rotation_.Bytes;
    }
    return false;
}

bool TLineOutput::Write(const std::string& line, std::string& error) {
    const std::lock_guard lock(mutex_);
    if (base_ && fd_ < 0) {
        error = "файл " + name_ + " закрыт";
        return false;
    }
    const TClock::time_point now = TClock::now();
    if (RotationDue(line.size(), now)) {
        if (!CloseFile(error)) return false;
        // A time boundary names the file after itself (the last one passed); a size
        // limit after the moment.
        TClock::time_point start = now;
        if (rotation_.Kind != TRotateKind::Size) {
            const std::int64_t period = PeriodSeconds(rotation_.Kind);
            const std::int64_t seconds = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
            start = TClock::time_point(std::chrono::seconds(seconds / period * period));
        }
        if (!OpenFile(start, error)) return false;
    }
    return WriteAll(fd_, line, error);
}

bool TLineOutput::Close(std::string& error) {
    if (!base_) return true;
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    wake_.notify_all();
    if (syncer_.joinable()) syncer_.join();
    const std::lock_guard lock(mutex_);
    return CloseFile(error);
}

void TLineOutput::SyncLoop() {
    std::unique_lock lock(mutex_);
    while (!closing_) {
        wake_.wait_for(lock, SyncPeriod, [this] { return closing_; });
        // A failed sync shows again at the close, which reports it.
        if (unsynced_ > 0 && fd_ >= 0) {
            ::fdatasync(fd_);
            unsynced_ = 0;
        }
    }
}

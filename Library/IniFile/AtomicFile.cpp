#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace inifile {
namespace {

std::string Reason(const char* what, int error) {
    return std::string(what) + " (" + std::strerror(error) + ")";
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now and reports the result: a failing close can be the first sign of a
    // write that did not reach the disk.
    int Close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

private:
    int fd_;
};

std::string ParentDirectory(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The file that is really replaced: the target of a symbolic link, else the path.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
    }
    return path;
}

bool WriteAll(int fd, std::string_view bytes, int& error) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

FileReadResult ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    FileReadResult result;
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) return result;  // no such file
        result.exists = true;
        result.error = Reason("не могу открыть файл", error);
        return result;
    }
    result.exists = true;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        result.error = Reason("не могу узнать размер файла", errno);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.error = "это не обычный файл";
        return result;
    }
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        result.error = "файл слишком велик для файла настроек";
        return result;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            result.error = Reason("ошибка чтения", errno);
            return result;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
        if (bytes.size() > maxBytes) {  // the file grew while being read
            result.error = "файл слишком велик для файла настроек";
            return result;
        }
    }
    result.bytes = std::move(bytes);
    return result;
}

std::optional<std::string> ReplaceFile(const std::string& path, std::string_view bytes) {
    const std::string target = ResolveTarget(path);

    struct stat old {};
    const bool oldExists = ::stat(target.c_str(), &old) == 0;
    if (oldExists && !S_ISREG(old.st_mode)) return std::string("это не обычный файл");

    // A name of our own beside the target: same file system, so the rename is atomic.
    static std::atomic<unsigned> counter{0};
    std::string temporary;
    int fdValue = -1;
    for (int attempt = 0; attempt < 100 && fdValue < 0; ++attempt) {
        temporary = target + ".tmp-" + std::to_string(::getpid()) + "-" +
                    std::to_string(counter.fetch_add(1));
        fdValue = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fdValue < 0 && errno != EEXIST) break;
    }
    if (fdValue < 0) return Reason("не могу создать новый файл рядом со старым", errno);
    FileDescriptor fd(fdValue);

    auto fail = [&](const char* what, int error) {
        if (fd.get() >= 0) fd.Close();
        ::unlink(temporary.c_str());
        return std::optional<std::string>(Reason(what, error));
    };

    if (oldExists) (void)::fchmod(fd.get(), old.st_mode & 07777);  // best effort
    int error = 0;
    if (!WriteAll(fd.get(), bytes, error)) return fail("ошибка записи", error);
    if (::fsync(fd.get()) != 0) return fail("ошибка записи на диск", errno);
    if (fd.Close() != 0) return fail("ошибка закрытия файла", errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return fail("не могу заменить старый файл новым", errno);

    // Make the rename itself durable; the new file is in place whatever this gives.
    FileDescriptor directory(::open(ParentDirectory(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0) (void)::fsync(directory.get());
    return std::nullopt;
}

}  // namespace inifile

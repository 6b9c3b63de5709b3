#include "protocol/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace zebwire {

int msUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return 0;
    return left > 1'000'000 ? 1'000'000 : static_cast<int>(left);
}

int connectTcp(std::uint32_t address, std::uint16_t port, int timeoutMs) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    int rc = ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    if (rc != 0 && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        rc = ::poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
        int err = 0;
        socklen_t len = sizeof err;
        if (rc == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0)
            rc = 0;
        else
            rc = -1;
    }
    if (rc != 0) {
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

bool sendAll(int fd, std::span<const std::uint8_t> bytes, Clock::time_point deadline) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        pollfd p{fd, POLLOUT, 0};
        const int rc = ::poll(&p, 1, msUntil(deadline));
        if (rc < 0 && errno == EINTR) continue;
        if (rc <= 0) return false;
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

long recvSome(int fd, std::span<std::uint8_t> out, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int rc = ::poll(&p, 1, msUntil(deadline));
        if (rc < 0 && errno == EINTR) continue;
        if (rc < 0) return -1;
        if (rc == 0) {
            // Timed out: what arrived, if less than the low-water mark, is still the caller's.
            const ssize_t n = ::recv(fd, out.data(), out.size(), MSG_DONTWAIT);
            if (n > 0) return static_cast<long>(n);
            if (n == 0) return -1;
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
        }
        const ssize_t n = ::recv(fd, out.data(), out.size(), MSG_DONTWAIT);
        if (n > 0) return static_cast<long>(n);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (msUntil(deadline) == 0) return 0;
            continue;
        }
        return -1;  // error, or 0 = peer closed
    }
}

bool setLowWater(int fd, int bytes) {
    const int value = bytes < 1 ? 1 : bytes;
    return ::setsockopt(fd, SOL_SOCKET, SO_RCVLOWAT, &value, sizeof value) == 0;
}

std::uint16_t serverPort(std::uint16_t fallback) {
    const char* text = std::getenv("ZEB_SERVER_PORT");
    if (text == nullptr || *text == '\0') return fallback;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 1 || value > 65535) return fallback;
    return static_cast<std::uint16_t>(value);
}

void closeSocket(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace zebwire

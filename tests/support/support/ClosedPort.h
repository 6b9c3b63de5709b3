// A loopback port that is bound but never listens, held while the object
// lives: a connect to it is refused at once, and nobody else can take the
// port meanwhile. Tests use it for "no crate server".
#pragma once

#include <arpa/inet.h>
#include <cstdint>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace zebtest {

class ClosedPort {
public:
    ClosedPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }
    ~ClosedPort() {
        if (fd_ >= 0) ::close(fd_);
    }
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;

    bool valid() const { return port_ != 0; }
    std::uint16_t port() const { return port_; }
    // Points both crate libraries at this port (ZEB_SERVER_PORT).
    void exportPort() const { ::setenv("ZEB_SERVER_PORT", std::to_string(port_).c_str(), 1); }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace zebtest

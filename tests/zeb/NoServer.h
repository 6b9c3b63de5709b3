// A loopback port on which nothing listens, for the "no server" cases.
#pragma once

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zebtest {

inline std::uint16_t unusedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    ::close(fd);  // bound but never listening: connects are refused
    return ntohs(sa.sin_port);
}

}  // namespace zebtest

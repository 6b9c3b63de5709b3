// Small POSIX TCP helpers with bounded waits, shared by the clients and zebsim.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zebwire {

using Clock = std::chrono::steady_clock;

// Milliseconds left until deadline, at least 0 (for poll).
int msUntil(Clock::time_point deadline);

// Connects to an IPv4 address (host order) within timeoutMs. Returns the
// socket (blocking, TCP_NODELAY, close-on-exec) or -1.
int connectTcp(std::uint32_t address, std::uint16_t port, int timeoutMs);

// Sends all bytes before the deadline; false on error or timeout.
bool sendAll(int fd, std::span<const std::uint8_t> bytes, Clock::time_point deadline);

// Waits until fd is readable or the deadline passes, then reads up to
// out.size() bytes. Returns bytes read (> 0), 0 on timeout, -1 on error or
// orderly close by the peer. At the deadline it still takes what the socket
// holds below its low-water mark.
long recvSome(int fd, std::span<std::uint8_t> out, Clock::time_point deadline);

// The socket counts as readable only once it holds this many bytes (at least 1).
bool setLowWater(int fd, int bytes);

// The port from ZEB_SERVER_PORT when it holds a number 1..65535, else fallback.
std::uint16_t serverPort(std::uint16_t fallback);

void closeSocket(int fd);

}  // namespace zebwire

// The client side of one connection to the crate server: requests with a
// bounded wait for their reply, and the sample-data frames between them.
#pragma once

#include "protocol/Socket.h"
#include "protocol/Wire.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace zebwire {

// Both crate libraries wait this long for a connection and for a reply, so a
// missing or silent server is reported well within a second or two.
constexpr int kConnectTimeoutMs = 500;
constexpr int kReplyTimeoutMs = 2000;

class ClientLink {
public:
    ClientLink() : parser_(kMaxServerPayload) {}
    ~ClientLink() { close(); }
    ClientLink(const ClientLink&) = delete;
    ClientLink& operator=(const ClientLink&) = delete;

    // Status kOk, or kErrConnect when nothing answered within timeoutMs.
    std::int32_t connect(std::uint32_t address, std::uint16_t port, int timeoutMs);
    void close();
    bool connected() const { return fd_ >= 0; }
    // Takes over an open socket kept between calls elsewhere (a request/reply
    // session has no bytes in flight between requests), and gives it back.
    void adopt(int fd) { close(); fd_ = fd; }
    int release() { const int fd = fd_; fd_ = -1; parser_ = FrameParser(kMaxServerPayload); return fd; }

    using DataSink = std::function<void(std::span<const std::uint8_t> words)>;

    // Sends a request and waits up to timeoutMs for its reply. Data frames met
    // meanwhile go to onData (dropped when it is empty). Returns the reply's
    // status; body receives the reply body. On a transport or protocol
    // failure the link is closed and kErrIo / kErrProtocol returned.
    std::int32_t request(MsgType type, std::span<const std::uint8_t> payload, int timeoutMs,
                         std::vector<std::uint8_t>& body, const DataSink& onData = {});

    // Waits until deadline for the next data frame and passes it to onData.
    // Returns 1 when a frame was delivered, 0 on timeout, or a negative status
    // (the link is then closed).
    std::int32_t readData(Clock::time_point deadline, const DataSink& onData);

private:
    std::int32_t fail(std::int32_t status);
    // Next frame before deadline: 1 = frame, 0 = timeout, negative = failure.
    std::int32_t nextFrame(Clock::time_point deadline, Frame& frame);

    int fd_ = -1;
    FrameParser parser_;
    std::vector<std::uint8_t> chunk_ = std::vector<std::uint8_t>(65536);
};

}  // namespace zebwire

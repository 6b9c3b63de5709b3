// The client side of one connection to the crate server: requests with a
// bounded wait for their reply, and the sample-data frames between them.
//
// Once a link has carried its first frames it no longer allocates: requests
// are encoded into a buffer the link keeps, and frames are read in place in
// its parser's buffer.
#pragma once

#include "protocol/Socket.h"
#include "protocol/Wire.h"

#include <cstdint>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

namespace zebwire {

// Both crate libraries wait this long for a connection and for a reply, so a
// missing or silent server is reported well within a second or two.
constexpr int kConnectTimeoutMs = 500;
constexpr int kReplyTimeoutMs = 2000;

// Where the payload of a data frame goes: a non-owning reference to a
// callable taking std::span<const std::uint8_t> (the frame's words, still
// encoded). It refers to the callable it was made from, which must outlive
// it; a sink made from a lambda in a call's argument list lives for that call.
class DataSink {
public:
    DataSink() = default;
    template <class F>
        requires(!std::is_same_v<std::remove_cvref_t<F>, DataSink>)
    DataSink(F&& f)  // NOLINT(google-explicit-constructor): made at the call
        : target_(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
          call_([](void* target, std::span<const std::uint8_t> words) {
              (*static_cast<std::remove_reference_t<F>*>(target))(words);
          }) {}

    explicit operator bool() const { return call_ != nullptr; }
    void operator()(std::span<const std::uint8_t> words) const { call_(target_, words); }

private:
    void* target_ = nullptr;
    void (*call_)(void*, std::span<const std::uint8_t>) = nullptr;
};

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
    int release() {
        lowWater(1);  // handed over as it came
        const int fd = fd_;
        fd_ = -1;
        parser_.reset();
        return fd;
    }

    // Sends a request and waits up to timeoutMs for its reply. Data frames met
    // meanwhile go to onData (dropped when it is empty). Returns the reply's
    // status; body receives the reply body (its capacity is reused). On a
    // transport or protocol failure the link is closed and kErrIo /
    // kErrProtocol returned.
    std::int32_t request(MsgType type, std::span<const std::uint8_t> payload, int timeoutMs,
                         std::vector<std::uint8_t>& body, const DataSink& onData = {});
    // True when the last request failed because the server hung up (closed or
    // reset the connection, or the request could not be sent) before a single
    // byte came back: not a timeout. For the first request of a connection that
    // is a server refusing the client.
    bool hungUp() const { return hungUp_; }

    // Waits until deadline for the next data frame and passes it to onData.
    // Returns 1 when a frame was delivered, 0 on timeout, or a negative status
    // (the link is then closed). wantedBytes: the sample bytes the caller still
    // waits for (0: unknown); the link sleeps until up to that many have arrived
    // (at most kMaxLowWater) instead of waking for every frame the server sends.
    std::int32_t readData(Clock::time_point deadline, const DataSink& onData, std::size_t wantedBytes = 0);

    // The most bytes a data wait lets gather in the socket before it wakes.
    static constexpr std::size_t kMaxLowWater = 64 * 1024;

private:
    std::int32_t fail(std::int32_t status);
    // Next frame before deadline: 1 = frame, 0 = timeout, negative = failure.
    // The frame's payload is valid until the next call.
    std::int32_t nextFrame(Clock::time_point deadline, FrameView& frame);

    // Sets the socket's low-water mark when it differs from the one in force.
    void lowWater(std::size_t bytes);

    int fd_ = -1;
    int lowWater_ = 1;  // the socket's SO_RCVLOWAT
    bool hungUp_ = false;
    bool receivedSinceRequest_ = false;
    FrameParser parser_;
    std::vector<std::uint8_t> request_;  // the encoded request being sent
};

}  // namespace zebwire

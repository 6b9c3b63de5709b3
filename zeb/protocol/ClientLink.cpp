#include "protocol/ClientLink.h"

#include <algorithm>

namespace zebwire {

std::int32_t ClientLink::connect(std::uint32_t address, std::uint16_t port, int timeoutMs) {
    close();
    fd_ = connectTcp(address, port, timeoutMs);
    lowWater_ = 1;
    return fd_ >= 0 ? kOk : kErrConnect;
}

void ClientLink::close() {
    closeSocket(fd_);
    fd_ = -1;
    parser_.reset();
}

void ClientLink::lowWater(std::size_t bytes) {
    const int wanted = static_cast<int>(std::clamp<std::size_t>(bytes, 1, kMaxLowWater));
    if (wanted != lowWater_ && setLowWater(fd_, wanted)) lowWater_ = wanted;
}

std::int32_t ClientLink::fail(std::int32_t status) {
    close();
    return status;
}

std::int32_t ClientLink::nextFrame(Clock::time_point deadline, FrameView& frame) {
    for (;;) {
        if (auto f = parser_.nextView()) {
            frame = *f;
            return 1;
        }
        if (parser_.failed()) return fail(kErrProtocol);
        // Straight into the parser's buffer, as much as the socket holds.
        const long n = recvSome(fd_, parser_.receiveSpace(), deadline);
        if (n < 0) {
            hungUp_ = !receivedSinceRequest_;
            return fail(kErrIo);
        }
        if (n == 0) return 0;
        receivedSinceRequest_ = true;
        parser_.received(static_cast<std::size_t>(n));
    }
}

std::int32_t ClientLink::request(MsgType type, std::span<const std::uint8_t> payload, int timeoutMs,
                                 std::vector<std::uint8_t>& body, const DataSink& onData) {
    body.clear();
    hungUp_ = false;
    receivedSinceRequest_ = false;
    if (fd_ < 0) return kErrNotOpen;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    lowWater(1);  // a reply is a few bytes
    request_.reserve(kHeaderSize + std::max(kMaxRequestPayload, payload.size()));
    encodeFrameInto(request_, static_cast<std::uint16_t>(type), payload);
    if (!sendAll(fd_, request_, deadline)) {
        hungUp_ = true;
        return fail(kErrIo);
    }
    const auto replyType = static_cast<std::uint16_t>(static_cast<std::uint16_t>(type) | kReplyBit);
    for (;;) {
        FrameView frame;
        const std::int32_t rc = nextFrame(deadline, frame);
        if (rc < 0) return rc;
        if (rc == 0) return fail(kErrIo);  // the server did not answer in time
        if (frame.type == static_cast<std::uint16_t>(MsgType::Data)) {
            if (frame.payload.size() % 4 != 0) return fail(kErrProtocol);
            if (onData) onData(frame.payload);
            continue;
        }
        if (frame.type != replyType || frame.payload.size() < 4) return fail(kErrProtocol);
        const std::int32_t status = getI32(frame.payload.data());
        if (!isWireStatus(status)) return fail(kErrProtocol);
        body.assign(frame.payload.begin() + 4, frame.payload.end());
        return status;
    }
}

std::int32_t ClientLink::readData(Clock::time_point deadline, const DataSink& onData, std::size_t wantedBytes) {
    if (fd_ < 0) return kErrNotOpen;
    // Fewer bytes than the samples still wanted never lack: the frames carry more.
    lowWater(wantedBytes > parser_.buffered() ? wantedBytes - parser_.buffered() : 1);
    FrameView frame;
    const std::int32_t rc = nextFrame(deadline, frame);
    if (rc <= 0) return rc;
    // Between requests the server sends nothing but sample data.
    if (frame.type != static_cast<std::uint16_t>(MsgType::Data) || frame.payload.size() % 4 != 0)
        return fail(kErrProtocol);
    onData(frame.payload);
    return 1;
}

}  // namespace zebwire

#include "protocol/Wire.h"

#include <cstring>

namespace zebwire {

bool isWireStatus(std::int32_t status) { return status <= 0 && status >= kErrRefused; }

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint16_t getU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t getU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::vector<std::uint8_t> encodeFrame(std::uint16_t type, std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + payload.size());
    putU32(out, kMagic);
    putU16(out, type);
    putU16(out, 0);
    putU32(out, static_cast<std::uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::vector<std::uint8_t> encodeReply(MsgType request, std::int32_t status, std::span<const std::uint8_t> body) {
    std::vector<std::uint8_t> payload;
    payload.reserve(4 + body.size());
    putI32(payload, status);
    payload.insert(payload.end(), body.begin(), body.end());
    return encodeFrame(static_cast<std::uint16_t>(static_cast<std::uint16_t>(request) | kReplyBit), payload);
}

void FrameParser::feed(std::span<const std::uint8_t> bytes) {
    if (failed_) return;
    // Compact before growing so the buffer stays near one frame in size.
    if (start_ > 0 && start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    } else if (start_ > 65536) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

std::optional<Frame> FrameParser::next() {
    if (failed_ || buffered() < kHeaderSize) return std::nullopt;
    const std::uint8_t* h = buffer_.data() + start_;
    if (getU32(h) != kMagic) {
        failed_ = true;
        error_ = "bad frame magic";
        return std::nullopt;
    }
    if (getU16(h + 6) != 0) {
        failed_ = true;
        error_ = "non-zero reserved header field";
        return std::nullopt;
    }
    const std::uint32_t length = getU32(h + 8);
    if (length > maxPayload_) {
        failed_ = true;
        error_ = "frame payload too long";
        return std::nullopt;
    }
    if (buffered() < kHeaderSize + length) return std::nullopt;
    Frame frame;
    frame.type = getU16(h + 4);
    frame.payload.assign(h + kHeaderSize, h + kHeaderSize + length);
    start_ += kHeaderSize + length;
    return frame;
}

}  // namespace zebwire

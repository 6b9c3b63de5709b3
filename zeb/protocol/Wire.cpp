#include "protocol/Wire.h"

#include <algorithm>
#include <cstring>

namespace zebwire {

bool isWireStatus(std::int32_t status) { return status <= 0 && status >= kErrRefused; }

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.resize(out.size() + 4);
    storeU32(out.data() + out.size() - 4, v);
}

std::uint16_t getU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t getU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void encodeFrameInto(std::vector<std::uint8_t>& out, std::uint16_t type, std::span<const std::uint8_t> payload) {
    out.clear();
    out.reserve(kHeaderSize + payload.size());
    putU32(out, kMagic);
    putU16(out, type);
    putU16(out, 0);
    putU32(out, static_cast<std::uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
}

std::vector<std::uint8_t> encodeFrame(std::uint16_t type, std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> out;
    encodeFrameInto(out, type, payload);
    return out;
}

std::vector<std::uint8_t> encodeReply(MsgType request, std::int32_t status, std::span<const std::uint8_t> body) {
    std::vector<std::uint8_t> payload;
    payload.reserve(4 + body.size());
    putI32(payload, status);
    payload.insert(payload.end(), body.begin(), body.end());
    return encodeFrame(static_cast<std::uint16_t>(static_cast<std::uint16_t>(request) | kReplyBit), payload);
}

void FrameParser::makeRoom(std::size_t room) {
    if (start_ == end_) start_ = end_ = 0;
    if (capacity_ - end_ >= room) return;
    if (start_ > 0) {  // move the partial frame to the front
        std::memmove(buffer_.get(), buffer_.get() + start_, end_ - start_);
        end_ -= start_;
        start_ = 0;
        if (capacity_ - end_ >= room) return;
    }
    const std::size_t capacity = std::max(2 * capacity_, 2 * (end_ + room));
    auto grown = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
    if (end_ > 0) std::memcpy(grown.get(), buffer_.get(), end_);
    buffer_ = std::move(grown);
    capacity_ = capacity;
}

void FrameParser::feed(std::span<const std::uint8_t> bytes) {
    if (failed_ || bytes.empty()) return;
    makeRoom(bytes.size());
    std::memcpy(buffer_.get() + end_, bytes.data(), bytes.size());
    end_ += bytes.size();
}

std::span<std::uint8_t> FrameParser::receiveSpace() {
    makeRoom(kHeaderSize + maxPayload_);
    return std::span(buffer_.get() + end_, capacity_ - end_);
}

void FrameParser::received(std::size_t n) {
    if (failed_) return;
    end_ += std::min(n, capacity_ - end_);
}

void FrameParser::reset() {
    start_ = end_ = 0;
    failed_ = false;
    error_.clear();
}

std::optional<FrameView> FrameParser::nextView() {
    if (failed_ || buffered() < kHeaderSize) return std::nullopt;
    const std::uint8_t* h = buffer_.get() + start_;
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
    start_ += kHeaderSize + length;
    return FrameView{getU16(h + 4), std::span(h + kHeaderSize, length)};
}

std::optional<Frame> FrameParser::next() {
    const auto view = nextView();
    if (!view) return std::nullopt;
    Frame frame;
    frame.type = view->type;
    frame.payload.assign(view->payload.begin(), view->payload.end());
    return frame;
}

}  // namespace zebwire

// Framing of the crate server protocol, shared by the client libraries and zebsim.
//
// Every message is a 12-byte header followed by a payload, all little-endian:
//   u32 magic (kMagic), u16 type, u16 reserved (0), u32 payload length.
// A reply has the type of its request with kReplyBit set and a payload that
// starts with an i32 status (0 = success, else a negative status code).
// Sample data flows from the server as MsgType::Data frames whose payload is
// a whole number of 32-bit sample words (AdcWord.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zebwire {

inline constexpr std::uint32_t kMagic = 0x5A454231u;  // "ZEB1"
inline constexpr std::size_t kHeaderSize = 12;
inline constexpr std::uint16_t kReplyBit = 0x0080;

// Every length read from the network is bounded by one of these.
inline constexpr std::size_t kMaxRequestPayload = 64;
inline constexpr std::size_t kMaxReplyPayload = 512;
inline constexpr std::size_t kMaxDataWords = 16384;
inline constexpr std::size_t kMaxServerPayload = kMaxDataWords * 4;

enum class MsgType : std::uint16_t {
    Hello = 1,           // crate session: serial[16]; empty serial = list crates
    GetCrates = 2,       // reply: 16 x serial[16]
    GetCrateInfo = 3,    // reply: 8 bytes, first = crate type code
    GetCrateModules = 4, // reply: 16 x u16 module id
    OpenModule = 16,     // crateSerial[16], u16 slot; reply: name[16], serial[16], u32 firmware
    SetConfig = 17,      // ModuleConfig (Messages.h)
    StartAdc = 18,       // i32 mode
    StopAdc = 19,
    ClearBuffer = 20,    // i32 mode
    Close = 21,
    Data = 0x0100,       // server -> client only: sample words
};

// Status values carried in replies; equal to the public ZEB_/ZEB44_ codes.
enum Status : std::int32_t {
    kOk = 0,
    kErrArgument = -1,
    kErrNotOpen = -2,
    kErrConnect = -3,
    kErrIo = -4,
    kErrProtocol = -5,
    kErrNoTarget = -6,   // no such crate / no answering module
    kErrRefused = -7,
};
// True for a status a server may send (anything else in a reply is malformed).
bool isWireStatus(std::int32_t status);

struct Frame {
    std::uint16_t type = 0;
    std::vector<std::uint8_t> payload;
};

// A frame read in place: the payload lies in the parser's buffer and stays
// valid until the parser is next fed, given room to receive into, or reset.
struct FrameView {
    std::uint16_t type = 0;
    std::span<const std::uint8_t> payload;
};

// Little-endian field access.
void putU16(std::vector<std::uint8_t>& out, std::uint16_t v);
void putU32(std::vector<std::uint8_t>& out, std::uint32_t v);
// v into p[0..3]; inline, so that a loop over many words compiles to plain stores.
inline void storeU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void putI32(std::vector<std::uint8_t>& out, std::int32_t v) { putU32(out, static_cast<std::uint32_t>(v)); }
std::uint16_t getU16(const std::uint8_t* p);
std::uint32_t getU32(const std::uint8_t* p);
inline std::int32_t getI32(const std::uint8_t* p) { return static_cast<std::int32_t>(getU32(p)); }

// One encoded frame. Precondition: payload.size() fits the receiver's bound.
std::vector<std::uint8_t> encodeFrame(std::uint16_t type, std::span<const std::uint8_t> payload);
// The same into out, replacing its contents; out keeps its capacity, so a
// buffer reused for frames of a bounded size stops allocating.
void encodeFrameInto(std::vector<std::uint8_t>& out, std::uint16_t type, std::span<const std::uint8_t> payload);
// A reply frame: status followed by body.
std::vector<std::uint8_t> encodeReply(MsgType request, std::int32_t status, std::span<const std::uint8_t> body = {});

// Incremental decoder of a byte stream into frames. A bad magic, a non-zero
// reserved field or a length above maxPayload puts it into a failed state
// for good (the stream cannot be resynchronised); the caller then drops the
// connection.
//
// Bytes come in either copied (feed) or received straight into the parser's
// buffer (receiveSpace, then received). The buffer only grows when the bytes
// held do not fit; a reader that takes every complete frame before it
// receives again needs at most two largest frames of room, so after its
// first frames it no longer allocates.
class FrameParser {
public:
    explicit FrameParser(std::size_t maxPayload) : maxPayload_(maxPayload) {}

    void feed(std::span<const std::uint8_t> bytes);
    // Free room after the bytes held, at least one largest frame (header and
    // maxPayload bytes) long; receive into it, then tell received() how much.
    std::span<std::uint8_t> receiveSpace();
    // Precondition: n <= receiveSpace().size() of the call just before.
    void received(std::size_t n);
    // The next complete frame, if any; never after failure. nextView leaves
    // the payload in place (see FrameView), next copies it out.
    std::optional<FrameView> nextView();
    std::optional<Frame> next();
    // Forgets the bytes held and any failure; keeps the buffer.
    void reset();
    bool failed() const { return failed_; }
    const std::string& error() const { return error_; }
    // Bytes held that do not yet form a complete frame.
    std::size_t buffered() const { return end_ - start_; }

private:
    // Makes at least `room` bytes free after the bytes held.
    void makeRoom(std::size_t room);

    std::size_t maxPayload_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t start_ = 0;  // first byte held
    std::size_t end_ = 0;    // one past the last byte held
    bool failed_ = false;
    std::string error_;
};

}  // namespace zebwire

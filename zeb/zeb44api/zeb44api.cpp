// zeb44api over the crate server protocol.
//
// Private state lives in the record: the Session pointer at offset 408 with
// a magic at 404 that marks it valid (a zero-filled or foreign record is a
// closed record), and at offset 112 a copy of the configuration the module
// last accepted, which ZEB44_ProcessData converts with.
//
// The session owns every buffer the per-frame calls need (the words held,
// the reply body, the link's request and receive buffers) and keeps their
// capacity, so that StopADC, ClearBuffer, StartADC, Recv and ProcessData on
// an open, configured record allocate nothing once the first frame is done.
#include "zeb44api.h"

#include "ConvertWords.h"
#include "protocol/AdcWord.h"
#include "protocol/ClientLink.h"
#include "protocol/Messages.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

static_assert(offsetof(ModuleRecord, AdcDivisor) == 40);
static_assert(offsetof(ModuleRecord, Divider384) == 41);
static_assert(offsetof(ModuleRecord, DcCoupling) == 42);
static_assert(offsetof(ModuleRecord, OwnZero) == 43);
static_assert(offsetof(ModuleRecord, RangeCode) == 45);
static_assert(offsetof(ModuleRecord, ChannelEnabled) == 49);
static_assert(offsetof(ModuleRecord, AdcRateIndex) == 56);
static_assert(offsetof(ModuleRecord, Option60) == 60);
static_assert(offsetof(ModuleRecord, Name) == 80);
static_assert(offsetof(ModuleRecord, Serial) == 96);
static_assert(offsetof(ModuleRecord, Reserved112) == 112);
static_assert(offsetof(ModuleRecord, FirmwareVersion) == 400);
static_assert(offsetof(ModuleRecord, Reserved404) == 404);
static_assert(offsetof(ModuleRecord, Session) == 408);
static_assert(ZEB44_ERR_ARGUMENT == zebwire::kErrArgument && ZEB44_ERR_NOT_OPEN == zebwire::kErrNotOpen &&
              ZEB44_ERR_CONNECT == zebwire::kErrConnect && ZEB44_ERR_IO == zebwire::kErrIo &&
              ZEB44_ERR_PROTOCOL == zebwire::kErrProtocol && ZEB44_ERR_NO_MODULE == zebwire::kErrNoTarget &&
              ZEB44_ERR_REFUSED == zebwire::kErrRefused);

namespace {

constexpr std::uint32_t kSessionMagic = 0x5A343453u;
constexpr std::uint32_t kConfigMagic = 0x5A344346u;
// Words held between calls (the module's buffer); more is dropped as overflow.
constexpr std::size_t kMaxPendingWords = std::size_t{1} << 22;

// Copies n encoded (little-endian) words to out.
void copyWords(const std::uint8_t* bytes, std::size_t n, std::uint32_t* out) {
    if constexpr (std::endian::native == std::endian::little) {
        if (n > 0) std::memcpy(out, bytes, n * 4);
    } else {
        for (std::size_t i = 0; i < n; ++i) out[i] = zebwire::getU32(bytes + 4 * i);
    }
}

struct Session {
    zebwire::ClientLink link;
    std::int32_t failure = ZEB44_OK;  // set once the connection is lost
    // Words held between calls (the module's buffer), room for all of them
    // taken at open: pages are only touched as far as words are held.
    std::unique_ptr<std::uint32_t[]> pending;
    std::size_t pendingStart = 0;
    std::size_t pendingEnd = 0;
    std::vector<std::uint8_t> body;  // reply body of the latest control request

    bool allocate() {
        pending.reset(new (std::nothrow) std::uint32_t[kMaxPendingWords]);
        body.reserve(zebwire::kMaxReplyPayload);
        return pending != nullptr;
    }
    std::size_t available() const { return pendingEnd - pendingStart; }
    void clearPending() { pendingStart = pendingEnd = 0; }
    // Takes up to n held words into out; returns how many.
    std::size_t take(std::uint32_t* out, std::size_t n) {
        n = std::min(n, available());
        if (n > 0) std::memcpy(out, pending.get() + pendingStart, n * 4);
        pendingStart += n;
        return n;
    }
    void append(std::span<const std::uint8_t> bytes) {
        const std::size_t n = bytes.size() / 4;
        if (pendingStart == pendingEnd) clearPending();
        if (available() + n > kMaxPendingWords) return;  // overflow: the words are dropped
        if (pendingEnd + n > kMaxPendingWords) {
            std::memmove(pending.get(), pending.get() + pendingStart, available() * 4);
            pendingEnd -= pendingStart;
            pendingStart = 0;
        }
        copyWords(bytes.data(), n, pending.get() + pendingEnd);
        pendingEnd += n;
    }
};

Session* session(const ModuleRecord* m) {
    if (m == nullptr || m->Reserved404 != kSessionMagic) return nullptr;
    return static_cast<Session*>(m->Session);
}

void setSession(ModuleRecord* m, Session* s) {
    m->Session = s;
    m->Reserved404 = s != nullptr ? kSessionMagic : 0;
}

void storeConfig(ModuleRecord* m, const zebwire::ModuleConfig& c) {
    const auto bytes = zebwire::encodeConfig(c);
    const std::uint32_t magic = kConfigMagic;
    std::memcpy(m->Reserved112, &magic, 4);
    std::memcpy(m->Reserved112 + 4, bytes.data(), bytes.size());
}

bool loadConfig(const ModuleRecord* m, zebwire::ModuleConfig& c) {
    std::uint32_t magic = 0;
    std::memcpy(&magic, m->Reserved112, 4);
    if (magic != kConfigMagic) return false;
    auto decoded = zebwire::decodeConfig(std::span(m->Reserved112 + 4, zebwire::kConfigPayload));
    if (!decoded) return false;
    c = *decoded;
    return true;
}

zebwire::ModuleConfig configFromRecord(const ModuleRecord* m) {
    zebwire::ModuleConfig c;
    c.divisor = m->AdcDivisor;
    c.divider384 = m->Divider384 != 0;
    c.dcCoupling = m->DcCoupling != 0;
    c.ownZero = m->OwnZero != 0;
    for (int ch = 0; ch < ZEB44_CHANNELS; ++ch) {
        c.rangeCode[ch] = m->RangeCode[ch];
        c.enabled[ch] = m->ChannelEnabled[ch] != 0;
    }
    c.rateIndex = m->AdcRateIndex;
    c.option60 = m->Option60;
    return c;
}

// Status of a usable open record, or why it is not.
std::int32_t usable(const ModuleRecord* m, Session*& s) {
    if (m == nullptr) return ZEB44_ERR_ARGUMENT;
    s = session(m);
    if (s == nullptr) return ZEB44_ERR_NOT_OPEN;
    return s->failure;
}

// One control request; data met before the reply is kept (or dropped when
// keepData is false). A transport failure marks the session lost.
std::int32_t control(Session* s, zebwire::MsgType type, std::span<const std::uint8_t> payload, bool keepData) {
    const std::int32_t status = s->link.request(type, payload, zebwire::kReplyTimeoutMs, s->body,
                                                [s, keepData](std::span<const std::uint8_t> words) {
                                                    if (keepData) s->append(words);
                                                });
    if (!s->link.connected()) s->failure = status < 0 ? status : ZEB44_ERR_IO;
    return status;
}

std::array<std::uint8_t, 4> modePayload(int32_t mode) {
    const auto v = static_cast<std::uint32_t>(mode);
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

}  // namespace

extern "C" {

int32_t ZEB44_Init(ModuleRecord* module) {
    if (module == nullptr) return ZEB44_ERR_ARGUMENT;
    ZEB44_Close(module);
    std::memset(module->Reserved0, 0, sizeof module->Reserved0);
    std::memset(module->Name, 0, sizeof module->Name);
    std::memset(module->Serial, 0, sizeof module->Serial);
    std::memset(module->Reserved112, 0, sizeof module->Reserved112);
    module->FirmwareVersion = 0;
    setSession(module, nullptr);
    std::memset(module->Reserved416, 0, sizeof module->Reserved416);
    return ZEB44_OK;
}

int32_t ZEB44_Open(ModuleRecord* module, uint32_t address, uint16_t port, const char* crateSerial, uint16_t slot) {
    if (module == nullptr || crateSerial == nullptr || slot < 1 || slot > 16) return ZEB44_ERR_ARGUMENT;
    ZEB44_Close(module);
    setSession(module, nullptr);  // whatever a never-initialised record held there
    std::memset(module->Name, 0, sizeof module->Name);
    std::memset(module->Serial, 0, sizeof module->Serial);
    module->FirmwareVersion = 0;

    auto* s = new (std::nothrow) Session;
    if (s == nullptr) return ZEB44_ERR_IO;
    if (!s->allocate()) {
        delete s;
        return ZEB44_ERR_IO;
    }
    std::int32_t status = s->link.connect(address, zebwire::serverPort(port), zebwire::kConnectTimeoutMs);
    std::vector<std::uint8_t> body;
    if (status == ZEB44_OK) {
        std::vector<std::uint8_t> payload;
        zebwire::putField(payload,
                          zebwire::fieldText(reinterpret_cast<const std::uint8_t*>(crateSerial), zebwire::kSerialField),
                          zebwire::kSerialField);
        zebwire::putU16(payload, slot);
        status = s->link.request(zebwire::MsgType::OpenModule, payload, zebwire::kReplyTimeoutMs, body);
        // A server that hangs up on the open refused the client (it is at its client limit).
        if (status == ZEB44_ERR_IO && s->link.hungUp()) status = ZEB44_ERR_CONNECT;
    }
    if (status == ZEB44_OK && body.size() != zebwire::kIdentityBody) status = ZEB44_ERR_PROTOCOL;
    if (status != ZEB44_OK) {
        delete s;
        return status;
    }
    const auto id = zebwire::decodeIdentity(body.data());
    std::memcpy(module->Name, id.name.data(), id.name.size());
    std::memcpy(module->Serial, id.serial.data(), id.serial.size());
    module->FirmwareVersion = id.firmware;
    setSession(module, s);
    return ZEB44_OK;
}

int32_t ZEB44_IsOpened(ModuleRecord* module) {
    if (module == nullptr) return ZEB44_ERR_ARGUMENT;
    return session(module) != nullptr ? ZEB44_OK : ZEB44_ERR_NOT_OPEN;
}

int32_t ZEB44_Close(ModuleRecord* module) {
    if (module == nullptr) return ZEB44_ERR_ARGUMENT;
    Session* s = session(module);
    if (s == nullptr) return ZEB44_ERR_NOT_OPEN;
    delete s;  // closes the connection; the server stops this session's stream
    setSession(module, nullptr);
    return ZEB44_OK;
}

int32_t ZEB44_SetConfig(ModuleRecord* module) {
    Session* s = nullptr;
    if (const auto rc = usable(module, s); rc != ZEB44_OK) return rc;
    const auto config = configFromRecord(module);
    if (!zebwire::validateConfig(config).empty()) return ZEB44_ERR_ARGUMENT;
    const std::int32_t status = control(s, zebwire::MsgType::SetConfig, zebwire::encodeConfig(config), true);
    if (status == ZEB44_OK) storeConfig(module, config);
    return status;
}

int32_t ZEB44_StopADC(ModuleRecord* module) {
    Session* s = nullptr;
    if (const auto rc = usable(module, s); rc != ZEB44_OK) return rc;
    return control(s, zebwire::MsgType::StopAdc, {}, true);
}

int32_t ZEB44_ClearBuffer(ModuleRecord* module, int32_t mode) {
    Session* s = nullptr;
    if (const auto rc = usable(module, s); rc != ZEB44_OK) return rc;
    if (mode != 0 && mode != 1) return ZEB44_ERR_ARGUMENT;
    s->clearPending();
    const std::int32_t status = control(s, zebwire::MsgType::ClearBuffer, modePayload(mode), false);
    s->clearPending();
    return status;
}

int32_t ZEB44_StartADC(ModuleRecord* module, int32_t mode) {
    Session* s = nullptr;
    if (const auto rc = usable(module, s); rc != ZEB44_OK) return rc;
    if (mode != 0) return ZEB44_ERR_ARGUMENT;
    return control(s, zebwire::MsgType::StartAdc, modePayload(mode), true);
}

int32_t ZEB44_Recv(ModuleRecord* module, uint32_t* destination, void* timeMarks, int32_t count, int32_t timeoutMs) {
    if (module == nullptr || count < 0 || (destination == nullptr && count > 0) || timeMarks != nullptr)
        return ZEB44_ERR_ARGUMENT;
    Session* s = nullptr;
    if (const auto rc = usable(module, s); rc != ZEB44_OK) return rc;
    const auto deadline = zebwire::Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    std::size_t received = s->take(destination, static_cast<std::size_t>(count));
    // A frame's words go straight to destination; what is beyond count is held.
    const auto deliver = [s, destination, count, &received](std::span<const std::uint8_t> words) {
        const std::size_t direct = std::min(words.size() / 4, static_cast<std::size_t>(count) - received);
        copyWords(words.data(), direct, destination + received);
        received += direct;
        s->append(words.subspan(direct * 4));
    };
    for (;;) {
        if (received == static_cast<std::size_t>(count)) return count;
        const std::int32_t rc =
            s->link.readData(deadline, deliver, (static_cast<std::size_t>(count) - received) * sizeof(std::uint32_t));
        if (rc == 0) return static_cast<std::int32_t>(received);  // timeout: what arrived so far (0 = nothing)
        if (rc < 0) {
            s->failure = rc == zebwire::kErrProtocol ? ZEB44_ERR_PROTOCOL : ZEB44_ERR_IO;
            return s->failure;
        }
    }
}

int32_t ZEB44_ProcessData(ModuleRecord* module, const uint32_t* source, double* destination, int32_t count,
                          int32_t option1, int32_t option2, uint8_t overload[ZEB44_CHANNELS]) {
    if (module == nullptr || overload == nullptr || count < 0 || (count > 0 && (source == nullptr || destination == nullptr)) ||
        option1 != 1 || option2 != 1)
        return ZEB44_ERR_ARGUMENT;
    std::fill_n(overload, ZEB44_CHANNELS, std::uint8_t{0});
    zebwire::ModuleConfig config;
    if (!loadConfig(module, config)) return ZEB44_ERR_NOT_CONFIGURED;
    zeb44::TWordLayout layout;
    for (int ch = 0; ch < ZEB44_CHANNELS; ++ch) {
        if (config.enabled[ch] == 0) continue;
        layout.channel[layout.active] = ch;
        layout.fullScale[layout.active] = zebwire::rangeVolts(config.rangeCode[ch]).value_or(0.0);
        ++layout.active;
    }
    if (layout.active == 0 || count % layout.active != 0) return ZEB44_ERR_ARGUMENT;
    std::uint8_t flags[ZEB44_CHANNELS];
    if (!zeb44::ConvertWords(layout, source, destination, static_cast<std::size_t>(count / layout.active), flags))
        return ZEB44_ERR_PROTOCOL;
    std::copy_n(flags, ZEB44_CHANNELS, overload);
    return ZEB44_OK;
}

}  // extern "C"

// zebapi over the crate server protocol. The handle keeps the socket of its
// connection (plus one, 0 = closed) and a magic that ZEB_Init sets, so that a
// handle that never saw ZEB_Init is refused instead of misread.
#include "zebapi.h"

#include "protocol/ClientLink.h"
#include "protocol/Messages.h"

#include <cstddef>
#include <cstring>
#include <string>

static_assert(sizeof(CrateHandle) <= 36);
static_assert(offsetof(CrateHandle, Serial) == 6);
static_assert(offsetof(CrateHandle, Option22) == 22);
static_assert(offsetof(CrateHandle, Connection) == 24);
static_assert(sizeof(CrateInfo) <= 8);
static_assert(offsetof(CrateInfo, TypeCode) == 0);
static_assert(ZEB_ERR_ARGUMENT == zebwire::kErrArgument && ZEB_ERR_NOT_OPEN == zebwire::kErrNotOpen &&
              ZEB_ERR_CONNECT == zebwire::kErrConnect && ZEB_ERR_IO == zebwire::kErrIo &&
              ZEB_ERR_PROTOCOL == zebwire::kErrProtocol && ZEB_ERR_NO_CRATE == zebwire::kErrNoTarget &&
              ZEB_ERR_REFUSED == zebwire::kErrRefused);

namespace {

constexpr std::uint32_t kHandleMagic = 0x5A45424Bu;
constexpr std::uint32_t kLoopback = 0x7F000001u;

bool prepared(const CrateHandle* h) { return h != nullptr && h->Magic == kHandleMagic; }

// One request on the handle's connection; drops the connection when the
// exchange failed at the transport or protocol level.
// hungUp (optional): the server hung up before it answered (see ClientLink::hungUp).
std::int32_t exchange(CrateHandle* h, zebwire::MsgType type, std::span<const std::uint8_t> payload,
                      std::vector<std::uint8_t>& body, bool* hungUp = nullptr) {
    if (h->Connection <= 0) return ZEB_ERR_NOT_OPEN;
    zebwire::ClientLink link;
    link.adopt(h->Connection - 1);
    const std::int32_t status = link.request(type, payload, zebwire::kReplyTimeoutMs, body);
    if (hungUp != nullptr) *hungUp = link.hungUp();
    h->Connection = link.connected() ? link.release() + 1 : 0;
    return status;
}

}  // namespace

extern "C" {

int32_t ZEB_Init(CrateHandle* handle) {
    if (handle == nullptr) return ZEB_ERR_ARGUMENT;
    // A handle is often an uninitialised local: whatever it holds is not ours
    // to close, so ZEB_Init only clears it (ZEB_Close releases a connection).
    std::memset(handle, 0, sizeof *handle);
    handle->Magic = kHandleMagic;
    return ZEB_OK;
}

int32_t ZEB_Open(CrateHandle* handle) {
    if (!prepared(handle)) return ZEB_ERR_ARGUMENT;
    ZEB_Close(handle);
    const int fd = zebwire::connectTcp(kLoopback, zebwire::serverPort(ZEB_DEFAULT_PORT), zebwire::kConnectTimeoutMs);
    if (fd < 0) return ZEB_ERR_CONNECT;
    handle->Connection = fd + 1;
    std::vector<std::uint8_t> payload;
    zebwire::putField(payload,
                      zebwire::fieldText(reinterpret_cast<const std::uint8_t*>(handle->Serial), ZEB_SERIAL_SIZE),
                      zebwire::kSerialField);
    std::vector<std::uint8_t> body;
    bool hungUp = false;
    std::int32_t status = exchange(handle, zebwire::MsgType::Hello, payload, body, &hungUp);
    // A server that hangs up on the greeting refused the client (it is at its client limit).
    if (status == ZEB_ERR_IO && hungUp) status = ZEB_ERR_CONNECT;
    if (status != ZEB_OK) ZEB_Close(handle);
    return status;
}

int32_t ZEB_GetCrates(CrateHandle* handle, char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE]) {
    if (!prepared(handle) || serials == nullptr) return ZEB_ERR_ARGUMENT;
    std::vector<std::uint8_t> body;
    const std::int32_t status = exchange(handle, zebwire::MsgType::GetCrates, {}, body);
    if (status != ZEB_OK) return status;
    if (body.size() != ZEB_MAX_CRATES * ZEB_SERIAL_SIZE) return ZEB_ERR_PROTOCOL;
    std::memcpy(serials, body.data(), body.size());
    for (int i = 0; i < ZEB_MAX_CRATES; ++i) serials[i][ZEB_SERIAL_SIZE - 1] = '\0';
    return ZEB_OK;
}

int32_t ZEB_GetCrateInfo(CrateHandle* handle, CrateInfo* info) {
    if (!prepared(handle) || info == nullptr) return ZEB_ERR_ARGUMENT;
    std::vector<std::uint8_t> body;
    const std::int32_t status = exchange(handle, zebwire::MsgType::GetCrateInfo, {}, body);
    if (status != ZEB_OK) return status;
    if (body.size() != sizeof(CrateInfo)) return ZEB_ERR_PROTOCOL;
    std::memcpy(info, body.data(), sizeof *info);
    return ZEB_OK;
}

int32_t ZEB_GetCrateModules(CrateHandle* handle, uint16_t ids[ZEB_SLOT_COUNT]) {
    if (!prepared(handle) || ids == nullptr) return ZEB_ERR_ARGUMENT;
    std::vector<std::uint8_t> body;
    const std::int32_t status = exchange(handle, zebwire::MsgType::GetCrateModules, {}, body);
    if (status != ZEB_OK) return status;
    if (body.size() != ZEB_SLOT_COUNT * 2) return ZEB_ERR_PROTOCOL;
    for (int k = 0; k < ZEB_SLOT_COUNT; ++k) ids[k] = zebwire::getU16(body.data() + 2 * k);
    return ZEB_OK;
}

int32_t ZEB_Close(CrateHandle* handle) {
    if (!prepared(handle)) return ZEB_ERR_ARGUMENT;
    if (handle->Connection <= 0) return ZEB_ERR_NOT_OPEN;
    zebwire::closeSocket(handle->Connection - 1);
    handle->Connection = 0;
    return ZEB_OK;
}

}  // extern "C"

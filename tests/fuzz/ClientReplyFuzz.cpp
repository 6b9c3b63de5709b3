// libFuzzer target for the crate client libraries' decoding of what a server sends:
// replies, data frames, crate tables, module identities and the sample words.
//
// Input: one byte of choices, then the server's bytes. The server's bytes wait in one
// end of a socket pair, that end shut for writing, and the client side works through
// the other end: the real ClientLink (its frame parser reading straight from the
// socket), the real zebapi calls on a handle holding that socket, and the words of
// every data frame through unpackWord and ZEB44_ProcessData of records configured once
// at start-up against an in-process zebsim. The end shut for writing means every read
// ends at once (data, or the server gone); nothing waits for a timeout.
//
// Choices: bits 0..1 the session (0..2: crate calls starting with GetCrates,
// GetCrateInfo or GetCrateModules; 3: a module session), bits 2..3 the configured
// record for the words, bits 4..7 both the number of data frames the module session
// reads after the start and, plus one, the piece size of the parser cross-check.
#include "Scenario.h"
#include "Server.h"
#include "protocol/AdcWord.h"
#include "protocol/ClientLink.h"
#include "protocol/Messages.h"
#include "protocol/Wire.h"
#include "zeb44api.h"
#include "zebapi.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// Far below a socket pair's buffer, so that the server's bytes always fit before the
// client starts reading.
constexpr std::size_t kMaxServerBytes = 65536;
constexpr std::size_t kMaxWords = 4096;

struct Configured {
    ModuleRecord record{};
    double fullScale[ZEB44_CHANNELS] = {};  // per enabled channel, in stream order
};

struct ConfigChoice {
    std::array<std::uint8_t, 4> enabled;
    std::array<std::uint8_t, 4> range;
    int rateIndex;
    std::uint8_t divisor;
    std::uint8_t divider384;
};

// Records that a real zebsim accepted a configuration for: ZEB44_ProcessData converts
// with the configuration the module last accepted, so that is the only way to get one.
std::array<Configured, 4> ConfigureRecords() {
    static constexpr ConfigChoice kChoices[4] = {
        {{1, 1, 1, 1}, {0, 1, 2, 3}, 24, 1, 0},
        {{1, 0, 0, 0}, {4, 4, 4, 4}, 24, 1, 0},
        {{0, 1, 0, 1}, {4, 5, 4, 0}, 0, 15, 1},
        {{1, 1, 1, 0}, {4, 4, 5, 4}, 22, 2, 0},
    };
    zebsim::Server server(
        zebsim::parseScenario(R"({"crates":[{"serial":"FUZZ","type":30,"modules":[{"slot":1,"serial":"4400001"}]}]})"),
        1.0);
    const std::uint16_t port = server.listen(0);
    Check(port != 0);
    // The library takes the port from the environment when it is set there.
    ::setenv("ZEB_SERVER_PORT", std::to_string(port).c_str(), 1);
    std::atomic<bool> stop{false};
    std::thread serving([&server, &stop] { server.serve(stop); });

    std::array<Configured, 4> records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        ModuleRecord& r = records[i].record;
        const ConfigChoice& c = kChoices[i];
        Check(ZEB44_Init(&r) == ZEB44_OK);
        Check(ZEB44_Open(&r, 0x7F000001u, port, "FUZZ", 1) == ZEB44_OK);
        r.AdcDivisor = c.divisor;
        r.Divider384 = c.divider384;
        r.DcCoupling = 1;
        r.OwnZero = 0;
        r.AdcRateIndex = c.rateIndex;
        r.Option60 = 0;
        int active = 0;
        for (int ch = 0; ch < ZEB44_CHANNELS; ++ch) {
            r.RangeCode[ch] = c.range[static_cast<std::size_t>(ch)];
            r.ChannelEnabled[ch] = c.enabled[static_cast<std::size_t>(ch)];
            if (c.enabled[static_cast<std::size_t>(ch)] != 0)
                records[i].fullScale[active++] = *zebwire::rangeVolts(c.range[static_cast<std::size_t>(ch)]);
        }
        Check(ZEB44_SetConfig(&r) == ZEB44_OK);
        Check(ZEB44_Close(&r) == ZEB44_OK);  // the accepted configuration stays in the record
    }
    stop.store(true);
    serving.join();
    return records;
}

bool IsStatus(std::int32_t status) { return status <= 0 && status >= zebwire::kErrRefused; }

// The frames of `bytes` and the parser's final state, fed in pieces of `piece` bytes
// (0: received in place in one go, as the client does).
struct Parsed {
    std::vector<zebwire::Frame> frames;
    bool failed = false;
    std::size_t buffered = 0;
};

Parsed Parse(zebwire::FrameParser& parser, std::span<const std::uint8_t> bytes, std::size_t piece) {
    // The parser is reused from input to input, as a link reuses its own: its buffer
    // is kept, so that an input costs no large allocation.
    parser.reset();
    Parsed out;
    auto take = [&] {
        while (auto frame = parser.next()) out.frames.push_back(std::move(*frame));
    };
    if (piece == 0) {
        const auto room = parser.receiveSpace();
        Check(room.size() >= zebwire::kHeaderSize + zebwire::kMaxServerPayload);
        const std::size_t n = std::min(room.size(), bytes.size());
        std::copy_n(bytes.begin(), n, room.begin());
        parser.received(n);
        take();
    } else {
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            parser.feed(bytes.subspan(at, std::min(piece, bytes.size() - at)));
            take();
        }
    }
    out.failed = parser.failed();
    out.buffered = parser.buffered();
    return out;
}

void CheckFrames(const Parsed& a, const Parsed& b) {
    // A failed parser takes no more bytes, so what it holds depends on the pieces.
    Check(a.failed == b.failed && a.frames.size() == b.frames.size());
    Check(a.failed || a.buffered == b.buffered);
    for (std::size_t i = 0; i < a.frames.size(); ++i) {
        Check(a.frames[i].type == b.frames[i].type && a.frames[i].payload == b.frames[i].payload);
        Check(a.frames[i].payload.size() <= zebwire::kMaxServerPayload);
    }
}

// zebapi's crate calls, in turn from `first`, until the connection is gone.
void CrateSession(int fd, int first) {
    CrateHandle handle;
    Check(ZEB_Init(&handle) == ZEB_OK);
    handle.Connection = fd + 1;  // the handle's connection: its socket plus one (zebapi.h)
    for (int call = first; call < first + 6 && handle.Connection > 0; ++call) {
        std::int32_t status = ZEB_OK;
        switch (call % 3) {
        case 0: {
            char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE];
            status = ZEB_GetCrates(&handle, serials);
            if (status == ZEB_OK)
                for (const auto& serial : serials) Check(serial[ZEB_SERIAL_SIZE - 1] == '\0');
            break;
        }
        case 1: {
            CrateInfo info{};
            status = ZEB_GetCrateInfo(&handle, &info);
            break;
        }
        default: {
            std::uint16_t ids[ZEB_SLOT_COUNT];
            status = ZEB_GetCrateModules(&handle, ids);
            break;
        }
        }
        Check(IsStatus(status));
    }
    if (handle.Connection > 0) Check(ZEB_Close(&handle) == ZEB_OK);
}

// A module session as zeb44api holds it: open, configure, start, the data between
// requests, stop and clear; the words of every data frame are kept.
void ModuleSession(int fd, int dataFrames, std::vector<std::uint32_t>& words) {
    // One link for every input, as a module session keeps its link for good.
    static zebwire::ClientLink link;
    link.adopt(fd);
    std::vector<std::uint8_t> body;
    const auto keep = [&words](std::span<const std::uint8_t> bytes) {
        Check(bytes.size() % 4 == 0);
        for (std::size_t i = 0; i + 4 <= bytes.size() && words.size() < kMaxWords; i += 4)
            words.push_back(zebwire::getU32(bytes.data() + i));
    };
    std::vector<std::uint8_t> open;
    zebwire::putField(open, "FUZZ", zebwire::kSerialField);
    zebwire::putU16(open, 1);
    std::int32_t status = link.request(zebwire::MsgType::OpenModule, open, zebwire::kReplyTimeoutMs, body, keep);
    Check(IsStatus(status));
    if (status == zebwire::kOk && body.size() == zebwire::kIdentityBody) {
        const zebwire::ModuleIdentity id = zebwire::decodeIdentity(body.data());
        Check(id.name.size() < zebwire::kNameField && id.serial.size() < zebwire::kSerialField);
    }
    const std::array<std::uint8_t, 4> mode{0, 0, 0, 0};
    const struct {
        zebwire::MsgType type;
        std::vector<std::uint8_t> payload;
    } requests[] = {
        {zebwire::MsgType::SetConfig, zebwire::encodeConfig(zebwire::ModuleConfig{})},
        {zebwire::MsgType::StartAdc, {mode.begin(), mode.end()}},
        {zebwire::MsgType::StopAdc, {}},
        {zebwire::MsgType::ClearBuffer, {mode.begin(), mode.end()}},
    };
    for (const auto& r : requests) {
        if (!link.connected()) return;
        status = link.request(r.type, r.payload, zebwire::kReplyTimeoutMs, body, keep);
        Check(IsStatus(status));
        if (r.type != zebwire::MsgType::StartAdc) continue;
        // The stream between requests, as ZEB44_Recv takes it.
        for (int frame = 0; frame < dataFrames; ++frame) {
            const std::int32_t rc = link.readData(zebwire::Clock::now(), keep);
            Check(rc == 1 || rc == 0 || IsStatus(rc));
            if (rc != 1) break;
        }
    }
    link.close();
}

void CheckWords(const std::vector<std::uint32_t>& words, const Configured& configured) {
    for (const std::uint32_t word : words) {
        if (const auto d = zebwire::unpackWord(word)) {
            Check(d->channel >= 0 && d->channel < zebwire::kChannels);
            Check(d->code >= -(zebwire::kFullScaleCode + 1) && d->code <= zebwire::kFullScaleCode);
            Check(zebwire::packWord(d->channel, d->code, d->overload) == word);
        }
    }
    ModuleRecord record = configured.record;
    int active = 0;
    for (int ch = 0; ch < ZEB44_CHANNELS; ++ch) active += record.ChannelEnabled[ch] != 0 ? 1 : 0;
    const std::size_t count = words.size() - words.size() % static_cast<std::size_t>(active);
    std::vector<double> volts(count);
    std::uint8_t overload[ZEB44_CHANNELS];
    const std::int32_t rc = ZEB44_ProcessData(&record, words.data(), volts.data(), static_cast<std::int32_t>(count),
                                              1, 1, overload);
    Check(rc == ZEB44_OK || rc == ZEB44_ERR_PROTOCOL);
    if (rc != ZEB44_OK) return;
    // Channel-major: each enabled channel's samples together, within its range.
    const std::size_t perChannel = count / static_cast<std::size_t>(active);
    for (std::size_t i = 0; i < count; ++i) {
        const double fullScale = configured.fullScale[i / perChannel];
        Check(std::isfinite(volts[i]) && std::fabs(volts[i]) <= fullScale * (1.0 + 1e-6));
    }
    for (const std::uint8_t o : overload) Check(o <= 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::array<Configured, 4> records = ConfigureRecords();
    if (size == 0) return 0;
    const std::uint8_t choices = data[0];
    const std::span<const std::uint8_t> server(data + 1, std::min(size - 1, kMaxServerBytes));

    // The frames the same bytes make, received in place and fed in pieces.
    static zebwire::FrameParser inPlace(zebwire::kMaxServerPayload);
    static zebwire::FrameParser inPieces(zebwire::kMaxServerPayload);
    CheckFrames(Parse(inPlace, server, 0), Parse(inPieces, server, (choices >> 4) + 1u));

    int ends[2];
    Check(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0);
    std::size_t written = 0;
    while (written < server.size()) {
        const ssize_t n = ::write(ends[1], server.data() + written, server.size() - written);
        Check(n > 0);
        written += static_cast<std::size_t>(n);
    }
    ::shutdown(ends[1], SHUT_WR);

    const int session = choices & 3;
    std::vector<std::uint32_t> words;
    if (session < 3)
        CrateSession(ends[0], session);
    else
        ModuleSession(ends[0], choices >> 4, words);
    ::close(ends[1]);
    CheckWords(words, records[(choices >> 2) & 3]);
    return 0;
}

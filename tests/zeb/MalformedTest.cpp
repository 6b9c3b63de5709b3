// Malformed bytes in both directions: sent to zebsim (it answers with an
// error or hangs up, and keeps serving others), and sent by a fake server to
// the client libraries (they report an error, bounded in time and memory).
#include "ZebTestUtil.h"
#include "protocol/Messages.h"
#include "protocol/Socket.h"
#include "protocol/Wire.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace zebtest;
using namespace zebwire;

std::vector<std::uint8_t> rawHeader(std::uint32_t magic, std::uint16_t type, std::uint32_t length) {
    std::vector<std::uint8_t> h;
    putU32(h, magic);
    putU16(h, type);
    putU16(h, 0);
    putU32(h, length);
    return h;
}

// A raw connection to a server.
class RawClient {
public:
    explicit RawClient(std::uint16_t port) : fd_(connectTcp(0x7F000001u, port, 1000)) {}
    ~RawClient() { closeSocket(fd_); }
    bool ok() const { return fd_ >= 0; }
    bool send(const std::vector<std::uint8_t>& bytes) {
        return sendAll(fd_, bytes, Clock::now() + std::chrono::seconds(1));
    }
    // The next frame within 1 s, or nullopt (closed, garbage or silence).
    std::optional<Frame> frame() {
        const auto deadline = Clock::now() + std::chrono::seconds(1);
        for (;;) {
            if (auto f = parser_.next()) return f;
            std::uint8_t buf[4096];
            const long n = recvSome(fd_, buf, deadline);
            if (n <= 0) return std::nullopt;
            parser_.feed(std::span(buf, static_cast<std::size_t>(n)));
        }
    }
    // True when the server closes the connection within 1 s.
    bool closedByPeer() {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 1000) != 1) return false;
        std::uint8_t b;
        return ::recv(fd_, &b, 1, 0) <= 0;
    }

private:
    int fd_;
    FrameParser parser_{kMaxServerPayload};
};

std::int32_t replyStatus(const std::optional<Frame>& f, MsgType type) {
    if (!f || f->type != (static_cast<std::uint16_t>(type) | kReplyBit) || f->payload.size() < 4) return 1;
    return getI32(f->payload.data());
}

class ServerInput : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = startServer(singleModuleScenario()).release(); }
    static void TearDownTestSuite() {
        // A clean exit: no crash, and under the sanitizers no leak or error.
        if (const int code = server_->stop(); code != 0) ADD_FAILURE() << "zebsim exit code " << code;
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override { server_->exportPort(); }
    void TearDown() override {
        // Whatever came before, the server still serves a proper client.
        Record rec;
        EXPECT_EQ(openTestModule(rec.get()), ZEB44_OK);
    }
    static ZebsimProcess* server_;
};
ZebsimProcess* ServerInput::server_ = nullptr;

TEST_F(ServerInput, UnreadableFramesCloseTheConnection) {
    const std::vector<std::uint8_t> cases[] = {
        rawHeader(0x11223344u, 1, 0),
        rawHeader(kMagic, 17, kMaxRequestPayload + 1),
        rawHeader(kMagic, 17, 0xFFFFFFF0u),
        {'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1', '.', '1', '\r', '\n'},
    };
    for (const auto& bytes : cases) {
        RawClient c(server_->port());
        ASSERT_TRUE(c.ok());
        ASSERT_TRUE(c.send(bytes));
        EXPECT_TRUE(c.closedByPeer());
    }
}

TEST_F(ServerInput, WellFramedBadRequestsGetAnErrorReply) {
    RawClient c(server_->port());
    ASSERT_TRUE(c.ok());
    const std::vector<std::uint8_t> serial16(16, 0);
    auto send = [&c](std::uint16_t type, const std::vector<std::uint8_t>& payload) {
        EXPECT_TRUE(c.send(encodeFrame(type, payload)));
        return c.frame();
    };
    auto f = send(0x7777, {});
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->type, 0x7777 | kReplyBit);
    EXPECT_EQ(getI32(f->payload.data()), kErrArgument);
    EXPECT_EQ(replyStatus(send(static_cast<std::uint16_t>(MsgType::SetConfig), std::vector<std::uint8_t>(17)), MsgType::SetConfig),
              kErrNotOpen);
    EXPECT_EQ(replyStatus(send(static_cast<std::uint16_t>(MsgType::GetCrateInfo), {}), MsgType::GetCrateInfo), kErrNotOpen);
    EXPECT_EQ(replyStatus(send(static_cast<std::uint16_t>(MsgType::OpenModule), serial16), MsgType::OpenModule),
              kErrArgument);  // slot missing
    EXPECT_EQ(replyStatus(send(static_cast<std::uint16_t>(MsgType::Hello), {1, 2}), MsgType::Hello), kErrArgument);

    // Open slot 1 of crate T1, then send configurations the module must refuse.
    std::vector<std::uint8_t> open;
    putField(open, "T1", 16);
    putU16(open, 1);
    EXPECT_EQ(replyStatus(send(static_cast<std::uint16_t>(MsgType::OpenModule), open), MsgType::OpenModule), kOk);
    EXPECT_EQ(replyStatus(send(static_cast<std::uint16_t>(MsgType::OpenModule), open), MsgType::OpenModule),
              kErrArgument);  // already open
    std::vector<std::uint8_t> config{1, 0, 1, 0, 9, 0, 0, 0, 1, 1, 1, 1};  // range code 9
    putI32(config, 24);
    config.push_back(0);
    EXPECT_EQ(replyStatus(send(static_cast<std::uint16_t>(MsgType::SetConfig), config), MsgType::SetConfig),
              kErrArgument);
    config[4] = 0;
    config[0] = 2;  // divisor of another rate
    EXPECT_EQ(replyStatus(send(static_cast<std::uint16_t>(MsgType::SetConfig), config), MsgType::SetConfig),
              kErrArgument);
    EXPECT_EQ(replyStatus(send(static_cast<std::uint16_t>(MsgType::StartAdc), {0, 0}), MsgType::StartAdc),
              kErrArgument);
    EXPECT_EQ(replyStatus(send(static_cast<std::uint16_t>(MsgType::StartAdc), {5, 0, 0, 0}), MsgType::StartAdc),
              kErrArgument);
    EXPECT_EQ(replyStatus(send(static_cast<std::uint16_t>(MsgType::StopAdc), {}), MsgType::StopAdc), kOk);
}

TEST_F(ServerInput, RandomBytesNeverStopTheServer) {
    std::mt19937 random(12345);
    for (int round = 0; round < 30; ++round) {
        RawClient c(server_->port());
        ASSERT_TRUE(c.ok());
        std::vector<std::uint8_t> bytes(1 + random() % 300);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        if (round % 2 == 0) {  // a valid header in front, garbage behind
            auto h = rawHeader(kMagic, static_cast<std::uint16_t>(random() % 24), static_cast<std::uint32_t>(random() % 80));
            bytes.insert(bytes.begin(), h.begin(), h.end());
        }
        c.send(bytes);
    }
    // A client that sends half a header and leaves.
    RawClient half(server_->port());
    half.send({0x31, 0x42});
}

// A fake crate server that answers the first request with scripted bytes.
class FakeServer {
public:
    explicit FakeServer(std::vector<std::uint8_t> script, bool answerSecond = false)
        : script_(std::move(script)), answerSecond_(answerSecond) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        ::listen(listener_, 4);
        socklen_t len = sizeof sa;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&sa), &len);
        port_ = ntohs(sa.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeServer() {
        done_ = true;
        thread_.join();
        ::close(listener_);
    }
    std::uint16_t port() const { return port_; }

private:
    void serve() {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 5000) != 1) return;
        const int fd = ::accept(listener_, nullptr, nullptr);
        FrameParser parser(kMaxRequestPayload);
        int requests = 0;
        std::uint8_t buf[256];
        while (!done_) {
            const long n = recvSome(fd, buf, Clock::now() + std::chrono::milliseconds(20));
            if (n < 0) break;
            if (n > 0) parser.feed(std::span(buf, static_cast<std::size_t>(n)));
            while (auto f = parser.next()) {
                ++requests;
                if (requests == 1 && answerSecond_) {  // a proper open reply first
                    const auto body = std::vector<std::uint8_t>(kIdentityBodySize, 0);
                    const auto reply = encodeReply(static_cast<MsgType>(f->type), kOk, body);
                    sendAll(fd, reply, Clock::now() + std::chrono::seconds(1));
                } else if (requests == 1 || answerSecond_) {
                    if (!script_.empty()) sendAll(fd, script_, Clock::now() + std::chrono::seconds(1));
                    else {
                        ::close(fd);
                        return;
                    }
                }
            }
        }
        ::close(fd);
    }
    static constexpr std::size_t kIdentityBodySize = 36;
    std::vector<std::uint8_t> script_;
    bool answerSecond_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

std::vector<std::uint8_t> replyBytes(MsgType type, std::int32_t status, std::size_t bodySize) {
    return encodeReply(type, status, std::vector<std::uint8_t>(bodySize, 'x'));
}

TEST(ClientInput, MalformedRepliesToOpenAreReportedAsErrors) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::int32_t status;
    };
    const Case cases[] = {
        {"bad magic", rawHeader(0xBADBADu, 0x90, 0), ZEB44_ERR_PROTOCOL},
        {"oversized length", rawHeader(kMagic, 0x90, 0x7FFFFFFFu), ZEB44_ERR_PROTOCOL},
        {"wrong reply type", replyBytes(MsgType::Hello, kOk, 36), ZEB44_ERR_PROTOCOL},
        {"short identity", replyBytes(MsgType::OpenModule, kOk, 10), ZEB44_ERR_PROTOCOL},
        {"unknown status", replyBytes(MsgType::OpenModule, 12345, 36), ZEB44_ERR_PROTOCOL},
        {"no status", encodeFrame(0x90, std::vector<std::uint8_t>{1}), ZEB44_ERR_PROTOCOL},
        {"hang-up", {}, ZEB44_ERR_CONNECT},  // hanging up before any answer refuses the client
        {"refused by status", replyBytes(MsgType::OpenModule, kErrNoTarget, 0), ZEB44_ERR_NO_MODULE},
    };
    ::unsetenv("ZEB_SERVER_PORT");  // ZEB44_Open then uses the port it is given
    for (const auto& c : cases) {
        FakeServer fake(c.bytes);
        Record rec;
        EXPECT_EQ(ZEB44_Open(rec.get(), kLoopback, fake.port(), "T1", 1), c.status) << c.what;
        EXPECT_EQ(ZEB44_IsOpened(rec.get()), ZEB44_ERR_NOT_OPEN) << c.what;
    }
}

TEST(ClientInput, ASilentServerEndsOpenAfterTheReplyTimeout) {
    ::unsetenv("ZEB_SERVER_PORT");
    FakeServer fake(rawHeader(kMagic, 0x90, 100));  // a reply that never completes
    Record rec;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ZEB44_Open(rec.get(), kLoopback, fake.port(), "T1", 1), ZEB44_ERR_IO);
    EXPECT_LT(msSince(start), 3000.0);
}

TEST(ClientInput, MalformedStreamDataEndsRecvWithAnError) {
    std::vector<std::uint8_t> goodReply = replyBytes(MsgType::StartAdc, kOk, 0);
    auto withReply = [&goodReply](std::vector<std::uint8_t> tail) {
        tail.insert(tail.begin(), goodReply.begin(), goodReply.end());
        return tail;
    };
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    ::unsetenv("ZEB_SERVER_PORT");
    const Case cases[] = {
        {"data of 3 bytes", withReply(encodeFrame(0x0100, std::vector<std::uint8_t>{1, 2, 3}))},
        {"a reply in the stream", withReply(replyBytes(MsgType::StopAdc, kOk, 0))},
        {"1 GiB data frame", withReply(rawHeader(kMagic, 0x0100, 1u << 30))},
        {"garbage", withReply(std::vector<std::uint8_t>(64, 0xEE))},
    };
    for (const auto& c : cases) {
        FakeServer fake(c.bytes, true);
        Record rec;
        ASSERT_EQ(ZEB44_Open(rec.get(), kLoopback, fake.port(), "T1", 1), ZEB44_OK) << c.what;
        ASSERT_EQ(ZEB44_StartADC(rec.get(), 0), ZEB44_OK) << c.what;
        std::uint32_t w[16];
        EXPECT_EQ(ZEB44_Recv(rec.get(), w, nullptr, 16, 2000), ZEB44_ERR_PROTOCOL) << c.what;
        EXPECT_EQ(ZEB44_Recv(rec.get(), w, nullptr, 16, 10), ZEB44_ERR_PROTOCOL) << c.what;
    }
}

TEST(ClientInput, MalformedCrateRepliesAreReportedAsErrors) {
    FakeServer fake(replyBytes(MsgType::Hello, kOk, 0), true);
    ::setenv("ZEB_SERVER_PORT", std::to_string(fake.port()).c_str(), 1);
    CrateHandle h;
    ZEB_Init(&h);
    ASSERT_EQ(ZEB_Open(&h), ZEB_OK);  // the fake's "identity" reply passes as a hello reply
    char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE] = {};
    EXPECT_EQ(ZEB_GetCrates(&h, serials), ZEB_ERR_PROTOCOL);  // a Hello reply to GetCrates
    EXPECT_EQ(ZEB_GetCrates(&h, serials), ZEB_ERR_NOT_OPEN);
}

}  // namespace

// Faults a module shows (from the scenario) and a lost server: each gives its
// documented result, and no call waits much longer than its timeout.
#include "ZebTestUtil.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace zebtest;

std::string scenario() {
    return R"({"crates":[{"serial":"T1","type":21,"modules":[
      {"slot":1,"serial":"F1","faults":{"fail":["SetConfig"]}},
      {"slot":2,"serial":"F2","faults":{"fail":["StartADC"]}},
      {"slot":3,"serial":"F3","faults":{"fail":["StopADC"]}},
      {"slot":4,"serial":"F4","faults":{"fail":["ClearBuffer"]}},
      {"slot":5,"serial":"F5","faults":{"stop_after_words":1000}},
      {"slot":6,"serial":"F6","faults":{"short_block":{"after_words":1000,"pause_ms":600}}},
      {"slot":7,"serial":"F7","faults":{"drop_after_words":1000}},
      {"slot":8,"serial":"F8"},
      {"slot":9,"serial":"F9","answers":false}]}]})";
}

class Faults : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = startServer(scenario(), 10.0).release(); }
    static void TearDownTestSuite() {
        // A clean exit: no crash, and under the sanitizers no leak or error.
        if (const int code = server_->stop(); code != 0) ADD_FAILURE() << "zebsim exit code " << code;
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override { server_->exportPort(); }

    // Opens a slot, sends one enabled channel at rate index 0 and starts it.
    void start(std::uint16_t slot) {
        ASSERT_EQ(openTestModule(rec_.get(), slot), ZEB44_OK);
        writeConfig(rec_.m, {0x1, {4, 4, 4, 4}, 0, Coupling::Dc});
        ASSERT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_OK);
        ASSERT_EQ(ZEB44_StartADC(rec_.get(), 0), ZEB44_OK);
    }
    std::int32_t recv(int count, int timeoutMs, double* tookMs = nullptr) {
        buffer_.assign(static_cast<std::size_t>(count) + 16, 0xDEADBEEFu);
        const auto t = std::chrono::steady_clock::now();
        const auto r = ZEB44_Recv(rec_.get(), buffer_.data(), nullptr, count, timeoutMs);
        if (tookMs != nullptr) *tookMs = msSince(t);
        for (std::size_t i = static_cast<std::size_t>(count); i < buffer_.size(); ++i)
            EXPECT_EQ(buffer_[i], 0xDEADBEEFu) << "written beyond count";
        return r;
    }

    static ZebsimProcess* server_;
    Record rec_;
    std::vector<std::uint32_t> buffer_;
};
ZebsimProcess* Faults::server_ = nullptr;

TEST_F(Faults, FailingCallsReturnRefusedAndTheModuleStaysUsable) {
    using Call = std::int32_t (*)(ModuleRecord*);
    const struct {
        std::uint16_t slot;
        Call call;
        const char* name;
    } cases[] = {
        {1, [](ModuleRecord* m) { return ZEB44_SetConfig(m); }, "SetConfig"},
        {2, [](ModuleRecord* m) { return ZEB44_StartADC(m, 0); }, "StartADC"},
        {3, [](ModuleRecord* m) { return ZEB44_StopADC(m); }, "StopADC"},
        {4, [](ModuleRecord* m) { return ZEB44_ClearBuffer(m, 1); }, "ClearBuffer"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(openTestModule(rec_.get(), c.slot), ZEB44_OK) << c.name;
        writeConfig(rec_.m, {});
        if (c.slot != 1) {
            ASSERT_EQ(ZEB44_SetConfig(rec_.get()), ZEB44_OK) << c.name;
        }
        EXPECT_EQ(c.call(rec_.get()), ZEB44_ERR_REFUSED) << c.name;
        EXPECT_EQ(c.call(rec_.get()), ZEB44_ERR_REFUSED) << c.name;
        EXPECT_EQ(ZEB44_IsOpened(rec_.get()), ZEB44_OK) << c.name;
        std::uint32_t w;
        EXPECT_EQ(ZEB44_Recv(rec_.get(), &w, nullptr, 1, 10), 0) << c.name;  // the connection is fine
        EXPECT_EQ(ZEB44_Close(rec_.get()), ZEB44_OK);
    }
}

TEST_F(Faults, AModuleThatDoesNotAnswerRefusesOpen) {
    EXPECT_EQ(openTestModule(rec_.get(), 9), ZEB44_ERR_NO_MODULE);
    EXPECT_EQ(ZEB44_IsOpened(rec_.get()), ZEB44_ERR_NOT_OPEN);
}

TEST_F(Faults, AStalledStreamGivesTheRestThenZeroAfterTheTimeout) {
    start(5);  // silent after 1000 words
    EXPECT_EQ(recv(600, 2000), 600);
    double took = 0;
    EXPECT_EQ(recv(600, 200, &took), 400);  // a partial block when the timeout ends
    EXPECT_GE(took, 190.0);
    EXPECT_EQ(recv(600, 300, &took), 0);
    EXPECT_GE(took, 290.0);
    EXPECT_LT(took, 800.0);
    // Each start streams again, up to the same limit.
    ASSERT_EQ(ZEB44_StopADC(rec_.get()), ZEB44_OK);
    ASSERT_EQ(ZEB44_ClearBuffer(rec_.get(), 1), ZEB44_OK);
    ASSERT_EQ(ZEB44_StartADC(rec_.get(), 0), ZEB44_OK);
    EXPECT_EQ(recv(1000, 2000), 1000);
}

TEST_F(Faults, AShortBlockIsFollowedByTheRestOfTheStream) {
    start(6);  // pauses 600 ms after 1000 words, once per open
    double took = 0;
    EXPECT_EQ(recv(1500, 200, &took), 1000);
    EXPECT_LT(took, 800.0);
    EXPECT_EQ(recv(500, 5000), 500);
    EXPECT_EQ(recv(3000, 5000), 3000);  // no second pause
}

TEST_F(Faults, ADroppedConnectionGivesANegativeResultAndLaterCallsFail) {
    start(7);  // the server hangs up after 1000 words
    double took = 0;
    const auto r = recv(1500, 3000, &took);
    EXPECT_LT(r, 0);
    EXPECT_LT(took, 3000.0);
    EXPECT_EQ(ZEB44_IsOpened(rec_.get()), ZEB44_OK);  // still to be closed by its owner
    EXPECT_LT(recv(10, 100), 0);
    EXPECT_LT(ZEB44_StopADC(rec_.get()), 0);
    EXPECT_LT(ZEB44_ClearBuffer(rec_.get(), 1), 0);
    EXPECT_LT(ZEB44_SetConfig(rec_.get()), 0);
    EXPECT_LT(ZEB44_StartADC(rec_.get(), 0), 0);
    EXPECT_EQ(ZEB44_Close(rec_.get()), ZEB44_OK);
    // The module opens again afterwards.
    start(7);
    EXPECT_EQ(recv(900, 2000), 900);
}

TEST(ServerLoss, AKilledServerEndsAWaitingRecvWithinItsTimeout) {
    auto server = startServer(singleModuleScenario(), 1.0);
    Record rec;
    ASSERT_EQ(openTestModule(rec.get()), ZEB44_OK);
    writeConfig(rec.m, {0x1, {4, 4, 4, 4}, 0, Coupling::Dc});
    ASSERT_EQ(ZEB44_SetConfig(rec.get()), ZEB44_OK);
    ASSERT_EQ(ZEB44_StartADC(rec.get(), 0), ZEB44_OK);
    std::thread killer([&server] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        server->kill();
    });
    std::vector<std::uint32_t> w(100000);  // ~29 s of samples: only the kill ends it
    const auto start = std::chrono::steady_clock::now();
    const auto r = ZEB44_Recv(rec.get(), w.data(), nullptr, static_cast<std::int32_t>(w.size()), 3000);
    const double took = msSince(start);
    killer.join();
    EXPECT_EQ(r, ZEB44_ERR_IO);
    EXPECT_LT(took, 3000.0);
    EXPECT_EQ(ZEB44_Recv(rec.get(), w.data(), nullptr, 10, 100), ZEB44_ERR_IO);
    EXPECT_EQ(ZEB44_StopADC(rec.get()), ZEB44_ERR_IO);
}

}  // namespace

// zebapi against a running zebsim: listing crates, crate type and module ids,
// and the errors of a handle that is not (or no longer) connected.
#include "NoServer.h"
#include "ZebTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using namespace zebtest;

const char* kScenario = R"({"crates":[
  {"serial":"ZK1-A","type":21,"modules":[{"slot":1,"serial":"1"},{"slot":4,"id":"0x0B0B"},{"slot":16,"serial":"2"}]},
  {"serial":"ZN8-B","type":30,"modules":[]},
  {"serial":"FIFTEEN-CHARS-X","type":255}]})";

class CrateApi : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = startServer(kScenario).release(); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        server_->exportPort();
        ASSERT_EQ(ZEB_Init(&handle_), ZEB_OK);
        handle_.Option22 = 0;
    }
    void TearDown() override { ZEB_Close(&handle_); }
    void openCrate(const char* serial) {
        std::snprintf(handle_.Serial, sizeof handle_.Serial, "%s", serial);
        ASSERT_EQ(ZEB_Open(&handle_), ZEB_OK) << serial;
    }

    static ZebsimProcess* server_;
    CrateHandle handle_{};
};
ZebsimProcess* CrateApi::server_ = nullptr;

TEST_F(CrateApi, ListsEveryCrateInScenarioOrder) {
    ASSERT_EQ(ZEB_Open(&handle_), ZEB_OK);
    char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE] = {};
    ASSERT_EQ(ZEB_GetCrates(&handle_, serials), ZEB_OK);
    EXPECT_STREQ(serials[0], "ZK1-A");
    EXPECT_STREQ(serials[1], "ZN8-B");
    EXPECT_STREQ(serials[2], "FIFTEEN-CHARS-X");
    EXPECT_EQ(serials[3][0], '\0');
}

TEST_F(CrateApi, ReportsTypeCodeAndModuleIdsPerSlot) {
    openCrate("ZK1-A");
    CrateInfo info{};
    ASSERT_EQ(ZEB_GetCrateInfo(&handle_, &info), ZEB_OK);
    EXPECT_EQ(info.TypeCode, 21);
    std::uint16_t ids[ZEB_SLOT_COUNT];
    std::fill(std::begin(ids), std::end(ids), 0xEEEE);
    ASSERT_EQ(ZEB_GetCrateModules(&handle_, ids), ZEB_OK);
    for (int k = 0; k < ZEB_SLOT_COUNT; ++k) {
        const std::uint16_t expected = k == 0 || k == 15 ? ZEB_MODULE_ID_ZEB44 : k == 3 ? 0x0B0B : 0;
        EXPECT_EQ(ids[k], expected) << "slot " << k + 1;
    }
    // The listing works on a crate connection too.
    char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE] = {};
    EXPECT_EQ(ZEB_GetCrates(&handle_, serials), ZEB_OK);
}

TEST_F(CrateApi, OneHandleServesSeveralOpenCloseCycles) {
    const std::pair<const char*, int> crates[] = {{"ZK1-A", 21}, {"ZN8-B", 30}, {"FIFTEEN-CHARS-X", 255}, {"ZK1-A", 21}};
    for (const auto& [serial, type] : crates) {
        openCrate(serial);
        CrateInfo info{};
        ASSERT_EQ(ZEB_GetCrateInfo(&handle_, &info), ZEB_OK);
        EXPECT_EQ(info.TypeCode, type);
        EXPECT_EQ(ZEB_Close(&handle_), ZEB_OK);
    }
}

TEST_F(CrateApi, UnknownCrateIsRefusedAndLeavesTheHandleClosed) {
    std::strcpy(handle_.Serial, "NO-SUCH");
    EXPECT_EQ(ZEB_Open(&handle_), ZEB_ERR_NO_CRATE);
    CrateInfo info{};
    EXPECT_EQ(ZEB_GetCrateInfo(&handle_, &info), ZEB_ERR_NOT_OPEN);
}

TEST_F(CrateApi, CrateQueriesNeedACrateNotTheListing) {
    ASSERT_EQ(ZEB_Open(&handle_), ZEB_OK);
    CrateInfo info{};
    EXPECT_EQ(ZEB_GetCrateInfo(&handle_, &info), ZEB_ERR_ARGUMENT);
    std::uint16_t ids[ZEB_SLOT_COUNT] = {};
    EXPECT_EQ(ZEB_GetCrateModules(&handle_, ids), ZEB_ERR_ARGUMENT);
    // The connection stays usable after a refused query.
    char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE] = {};
    EXPECT_EQ(ZEB_GetCrates(&handle_, serials), ZEB_OK);
}

TEST_F(CrateApi, CallsOnAClosedOrUnpreparedHandleFail) {
    char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE] = {};
    CrateInfo info{};
    std::uint16_t ids[ZEB_SLOT_COUNT] = {};
    EXPECT_EQ(ZEB_GetCrates(&handle_, serials), ZEB_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB_GetCrateInfo(&handle_, &info), ZEB_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB_GetCrateModules(&handle_, ids), ZEB_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB_Close(&handle_), ZEB_ERR_NOT_OPEN);

    CrateHandle garbage;
    std::memset(&garbage, 0x5A, sizeof garbage);  // never saw ZEB_Init
    EXPECT_EQ(ZEB_Open(&garbage), ZEB_ERR_ARGUMENT);
    EXPECT_EQ(ZEB_GetCrates(&garbage, serials), ZEB_ERR_ARGUMENT);
    EXPECT_EQ(ZEB_Close(&garbage), ZEB_ERR_ARGUMENT);

    EXPECT_EQ(ZEB_Init(nullptr), ZEB_ERR_ARGUMENT);
    EXPECT_EQ(ZEB_Open(nullptr), ZEB_ERR_ARGUMENT);
    ASSERT_EQ(ZEB_Open(&handle_), ZEB_OK);
    EXPECT_EQ(ZEB_GetCrates(&handle_, nullptr), ZEB_ERR_ARGUMENT);
    EXPECT_EQ(ZEB_GetCrateInfo(&handle_, nullptr), ZEB_ERR_ARGUMENT);
    EXPECT_EQ(ZEB_GetCrateModules(&handle_, nullptr), ZEB_ERR_ARGUMENT);
}

TEST(CrateApiNoServer, OpenFailsAtOnceAndLaterCallsFail) {
    ::setenv("ZEB_SERVER_PORT", std::to_string(unusedPort()).c_str(), 1);
    CrateHandle h;
    ZEB_Init(&h);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ZEB_Open(&h), ZEB_ERR_CONNECT);
    EXPECT_LT(msSince(start), 500.0);
    char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE] = {};
    EXPECT_EQ(ZEB_GetCrates(&h, serials), ZEB_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB_Close(&h), ZEB_ERR_NOT_OPEN);
}

TEST(CrateApiServerLoss, CallsAfterTheServerDiedFailWithoutHanging) {
    auto server = startServer(kScenario);
    CrateHandle h;
    ZEB_Init(&h);
    std::strcpy(h.Serial, "ZK1-A");
    ASSERT_EQ(ZEB_Open(&h), ZEB_OK);
    server->kill();
    CrateInfo info{};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ZEB_GetCrateInfo(&h, &info), ZEB_ERR_IO);
    EXPECT_LT(msSince(start), 2500.0);
    EXPECT_EQ(ZEB_GetCrateInfo(&h, &info), ZEB_ERR_NOT_OPEN);
    EXPECT_EQ(ZEB_Open(&h), ZEB_ERR_CONNECT);
}

}  // namespace

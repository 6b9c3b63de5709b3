// zebsim at its client limit: the next client is refused at once, and both
// libraries report that as a connect failure (a hang would end in the reply
// timeout instead, as ZEB_ERR_IO / ZEB44_ERR_IO), while the clients already
// served go on.
#include "ZebTestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <ostream>
#include <string>

namespace {

constexpr int kClientLimit = 64;  // zebsim's, see the README

enum class Newcomer { CrateList, Crate, Module };
struct LimitCase {
    const char* name;
    Newcomer newcomer;
};
void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class ClientLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ClientLimit, TheNextClientIsRefusedAsAConnectFailure) {
    const auto server = zebtest::startServer(zebtest::singleModuleScenario());

    // The limit filled by both libraries: crate connections and open modules.
    std::array<CrateHandle, kClientLimit / 2> crates{};
    std::array<zebtest::Record, kClientLimit / 2> modules;
    for (CrateHandle& crate : crates) {
        ASSERT_EQ(ZEB_Init(&crate), ZEB_OK);
        std::snprintf(crate.Serial, sizeof crate.Serial, "T1");
        ASSERT_EQ(ZEB_Open(&crate), ZEB_OK);
    }
    for (zebtest::Record& module : modules) ASSERT_EQ(zebtest::openTestModule(module.get()), ZEB44_OK);

    switch (GetParam().newcomer) {
    case Newcomer::CrateList:
    case Newcomer::Crate: {
        CrateHandle handle{};
        ASSERT_EQ(ZEB_Init(&handle), ZEB_OK);
        if (GetParam().newcomer == Newcomer::Crate) std::snprintf(handle.Serial, sizeof handle.Serial, "T1");
        EXPECT_EQ(ZEB_Open(&handle), ZEB_ERR_CONNECT);
        char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE] = {};
        EXPECT_EQ(ZEB_GetCrates(&handle, serials), ZEB_ERR_NOT_OPEN);
        break;
    }
    case Newcomer::Module: {
        zebtest::Record module;
        EXPECT_EQ(zebtest::openTestModule(module.get()), ZEB44_ERR_CONNECT);
        EXPECT_NE(ZEB44_IsOpened(module.get()), ZEB44_OK);
        break;
    }
    }

    // The clients served before are served still.
    CrateInfo info{};
    EXPECT_EQ(ZEB_GetCrateInfo(&crates.back(), &info), ZEB_OK);
    EXPECT_EQ(info.TypeCode, 21);
    EXPECT_EQ(ZEB44_StopADC(modules.back().get()), ZEB44_OK);
    for (CrateHandle& crate : crates) EXPECT_EQ(ZEB_Close(&crate), ZEB_OK);
}

INSTANTIATE_TEST_SUITE_P(Newcomers, ClientLimit,
                         ::testing::Values(LimitCase{"CrateList", Newcomer::CrateList},
                                           LimitCase{"Crate", Newcomer::Crate},
                                           LimitCase{"Module", Newcomer::Module}),
                         [](const ::testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

}  // namespace

// Crate-level faults of zebsim against the discovery scan: each one stops the
// scan with its result, names the crate, leaves no crate connection open, and
// the server stays usable.
#include "device/CrateScan.h"
#include "support/ClientConnections.h"
#include "support/ZebsimProcess.h"

#include "zebapi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>

namespace {

struct CrateFaultCase {
    const char* name;
    const char* listFaults;   // top-level "faults" member, or ""
    const char* crateFaults;  // "faults" of crate BAD-2, or ""
    TScanResult result;
};
void PrintTo(const CrateFaultCase& c, std::ostream* os) { *os << c.name; }

// Crate OK-1 answers; crate BAD-2, listed second, shows the fault.
std::string FaultScenario(const CrateFaultCase& c) {
    std::string json = "{";
    if (*c.listFaults != '\0') json += std::string(R"("faults": )") + c.listFaults + ", ";
    json += R"("crates": [
      {"serial": "OK-1", "type": 21, "modules": [{"slot": 1, "serial": "K1"}]},
      {"serial": "BAD-2", "type": 30, "modules": [{"slot": 2, "serial": "B2"}])";
    if (*c.crateFaults != '\0') json += std::string(R"(, "faults": )") + c.crateFaults;
    return json + "}]}";
}

class CrateFaults : public testing::TestWithParam<CrateFaultCase> {
protected:
    void TearDown() override {
        CloseModuleIfOpen(module);
        ::unsetenv("ZEB_SERVER_PORT");
    }
    TDiscoveryTables tables;
    ModuleRecord module{};
};

TEST_P(CrateFaults, StopTheScanNamingTheCrateWithItsConnectionClosed) {
    zebtest::ZebsimProcess::Options options;
    options.scenarioJson = FaultScenario(GetParam());
    zebtest::ZebsimProcess server(options);
    server.exportPort();

    EXPECT_EQ(ScanCrates(tables, module), GetParam().result);
    if (GetParam().result == TScanResult::CrateFailed) {
        ASSERT_EQ(tables.CrateCount, 2);
        EXPECT_EQ(FieldText(tables.CrateSerials[tables.CrateCount - 1]), "BAD-2");
    }
    EXPECT_EQ(tables.ListedCrateCount, 0);
    EXPECT_NE(ZEB44_IsOpened(&module), 0);
    EXPECT_EQ(zebtest::OpenClientConnections(server.port()), 0);

    // The server goes on serving: the other crate answers its queries.
    CrateHandle crate{};
    ASSERT_EQ(ZEB_Init(&crate), ZEB_OK);
    std::snprintf(crate.Serial, sizeof crate.Serial, "OK-1");
    ASSERT_EQ(ZEB_Open(&crate), ZEB_OK);
    CrateInfo info{};
    EXPECT_EQ(ZEB_GetCrateInfo(&crate, &info), ZEB_OK);
    EXPECT_EQ(info.TypeCode, 21);
    EXPECT_EQ(ZEB_Close(&crate), ZEB_OK);
    EXPECT_EQ(zebtest::OpenClientConnections(server.port()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, CrateFaults,
    testing::Values(
        CrateFaultCase{"CrateListRefused", R"({"refuse": ["GetCrates"]})", "", TScanResult::NoCrateList},
        CrateFaultCase{"InformationRefused", "", R"({"refuse": ["GetCrateInfo"]})", TScanResult::CrateFailed},
        CrateFaultCase{"ModuleTableRefused", "", R"({"refuse": ["GetCrateModules"]})", TScanResult::CrateFailed},
        CrateFaultCase{"DropsDuringInformation", "", R"({"drop_on": "GetCrateInfo"})", TScanResult::CrateFailed},
        CrateFaultCase{"DropsDuringModuleTable", "", R"({"drop_on": "GetCrateModules"})", TScanResult::CrateFailed},
        CrateFaultCase{"InformationLate", "", R"({"late": {"on": "GetCrateInfo", "ms": 3000}})",
                       TScanResult::CrateFailed},
        CrateFaultCase{"ModuleTableLate", "", R"({"late": {"on": "GetCrateModules"}})", TScanResult::CrateFailed}),
    [](const testing::TestParamInfo<CrateFaultCase>& info) { return std::string(info.param.name); });

// A refused query is an answer: the connection stays and the next query is answered.
TEST(CrateFaultScenario, ARefusedQueryKeepsTheCrateConnection) {
    zebtest::ZebsimProcess::Options options;
    options.scenarioJson = R"({"crates": [
      {"serial": "OK-1", "type": 21, "modules": [{"slot": 1, "serial": "K1"}]},
      {"serial": "IDLE", "type": 30, "modules": [], "faults": {"refuse": ["GetCrateInfo"]}}]})";
    zebtest::ZebsimProcess server(options);
    server.exportPort();
    CrateHandle crate{};
    ASSERT_EQ(ZEB_Init(&crate), ZEB_OK);
    std::snprintf(crate.Serial, sizeof crate.Serial, "IDLE");
    ASSERT_EQ(ZEB_Open(&crate), ZEB_OK);
    CrateInfo info{};
    EXPECT_EQ(ZEB_GetCrateInfo(&crate, &info), ZEB_ERR_REFUSED);
    std::uint16_t ids[ZEB_SLOT_COUNT] = {};
    EXPECT_EQ(ZEB_GetCrateModules(&crate, ids), ZEB_OK);  // a refusal keeps the connection
    EXPECT_EQ(ZEB_Close(&crate), ZEB_OK);
    ::unsetenv("ZEB_SERVER_PORT");
}

}  // namespace

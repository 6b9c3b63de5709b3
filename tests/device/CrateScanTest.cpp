// The hardware side of discovery against zebsim, without a window.
#include "instrument/Zeb44Tables.h"
#include "device/CrateScan.h"
#include "support/ClosedPort.h"
#include "support/ZebsimProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// Crate A (type 30): ZEB44 in slots 16 and 2 (listed in slot order), a refusing
// ZEB44 in slot 4, another module in slot 9. Crate B (type 10): other modules
// only. Crate C (type 21): ZEB44 in slot 1.
const char* const Scenario = R"({"crates": [
  {"serial": "A", "type": 30, "modules": [
    {"slot": 16, "serial": "A16", "name": "ZEB44-X", "firmware": "1.0.0.0"},
    {"slot": 4, "serial": "A04", "answers": false},
    {"slot": 2, "serial": "A02"},
    {"slot": 9, "id": "0x0B0B", "name": "DIO"}]},
  {"serial": "B", "type": 10, "modules": [{"slot": 1, "id": 17, "name": "OTHER"}]},
  {"serial": "CRATE-012345678", "type": 21, "modules": [{"slot": 1, "serial": "0123456789ABCDE"}]}]})";

std::vector<std::string> Texts(const std::array<TSerialField, 16>& fields, int count) {
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) texts.push_back(FieldText(fields[i]));
    return texts;
}

class CrateScanTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        zebtest::ZebsimProcess::Options options;
        options.scenarioJson = Scenario;
        server = new zebtest::ZebsimProcess(options);
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override { server->exportPort(); }
    void TearDown() override {
        CloseModuleIfOpen(module);
        ::unsetenv("ZEB_SERVER_PORT");
    }

    static zebtest::ZebsimProcess* server;
    TDiscoveryTables tables;
    ModuleRecord module{};
};

zebtest::ZebsimProcess* CrateScanTest::server = nullptr;

TEST_F(CrateScanTest, ScanListsTheAnsweringZeb44ModulesOfEachCrate) {
    ASSERT_EQ(ScanCrates(tables, module), TScanResult::Done);
    EXPECT_EQ(tables.CrateCount, 3);
    EXPECT_EQ(Texts(tables.CrateSerials, 3), (std::vector<std::string>{"A", "B", "CRATE-012345678"}));
    EXPECT_EQ(tables.CrateTypeCodes[0], 30);
    EXPECT_EQ(tables.CrateTypeCodes[1], 10);
    EXPECT_EQ(tables.CrateModuleIds[0][1], Zeb44ModuleId);
    EXPECT_EQ(tables.CrateModuleIds[0][8], 0x0B0B);
    EXPECT_EQ(tables.CrateModuleIds[0][0], 0);

    // B holds no ZEB44 and is left out; A's refusing module in slot 4 too.
    EXPECT_EQ(tables.ListedCrateCount, 2);
    EXPECT_EQ(Texts(tables.ListedCrateSerials, 2), (std::vector<std::string>{"A", "CRATE-012345678"}));
    EXPECT_EQ(tables.ListedCrateTypeCodes[0], 30);
    EXPECT_EQ(tables.ListedCrateTypeCodes[1], 21);
    EXPECT_EQ(tables.ListedModuleCounts[0], 2);
    EXPECT_EQ(tables.ListedModuleSlots[0][0], 2);
    EXPECT_EQ(tables.ListedModuleSlots[0][1], 16);
    EXPECT_EQ(FieldText(tables.ListedModuleSerials[0][0]), "A02");
    EXPECT_EQ(FieldText(tables.ListedModuleSerials[0][1]), "A16");
    EXPECT_EQ(tables.ListedModuleCounts[1], 1);
    EXPECT_EQ(FieldText(tables.ListedModuleSerials[1][0]), "0123456789ABCDE");
    // The scan leaves the record closed and the selection alone.
    EXPECT_NE(ZEB44_IsOpened(&module), 0);
    EXPECT_EQ(tables.SelectedCrateIndex, TDiscoveryTables::NoCrate);
    EXPECT_EQ(tables.CrateOk, 0);
}

TEST_F(CrateScanTest, ARescanReplacesTheListsOfTheEarlierOne) {
    tables.ListedCrateCount = 5;
    tables.ListedModuleCounts.fill(7);
    tables.ListedCrateTypeCodes.fill(99);
    ASSERT_EQ(ScanCrates(tables, module), TScanResult::Done);
    ASSERT_EQ(ScanCrates(tables, module), TScanResult::Done);
    EXPECT_EQ(tables.ListedCrateCount, 2);
    EXPECT_EQ(tables.ListedModuleCounts[0], 2);
    EXPECT_EQ(tables.ListedModuleCounts[2], 0);
    EXPECT_EQ(tables.ListedCrateTypeCodes[2], 0);
}

TEST_F(CrateScanTest, OpenSelectedModuleIdentifiesTheModule) {
    ASSERT_EQ(ScanCrates(tables, module), TScanResult::Done);
    struct Case {
        uint16_t crate;
        uint16_t module;
        bool opens;
        const char* name;
        uint8_t type;
        const char* crateName;
        const char* serial;
    };
    const Case cases[] = {
        {0, 1, true, "ZEB44-X", 30, "ZEB-N8", "A16"},
        {1, 0, true, "ZEB44", 21, "ZEB-K1", "0123456789ABCDE"},
        {0, 2, false, "", 0, "", ""},                   // no such module in the crate
        {2, 0, false, "", 0, "", ""},                   // no such listed crate
        {TDiscoveryTables::NoCrate, 0, false, "", 0, "", ""},  // no crate selected
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.crate) + "/" + std::to_string(c.module));
        tables.SelectedCrateIndex = c.crate;
        if (c.crate < 16) tables.SelectedModuleIndex[c.crate] = c.module;
        tables.ModuleState = TModuleState::Opened;
        TModuleIdentity identity{"old", 5, "old"};
        EXPECT_EQ(OpenSelectedModule(tables, module, identity), c.opens);
        EXPECT_EQ(identity.ModuleName, c.name);
        EXPECT_EQ(identity.CrateTypeCode, c.type);
        EXPECT_EQ(identity.CrateName, c.crateName);
        EXPECT_EQ(tables.ModuleState, c.opens ? TModuleState::Identified : TModuleState::Opened);
        EXPECT_EQ(ZEB44_IsOpened(&module) == 0, c.opens);
        if (c.opens) {
            EXPECT_STREQ(module.Serial, c.serial);
        }
    }
}

TEST_F(CrateScanTest, ModuleThatDoesNotAnswerDoesNotOpen) {
    TSerialField crate{};
    SetFieldText(crate, "A");
    EXPECT_FALSE(OpenModuleInSlot(module, crate, 4));  // refuses
    EXPECT_FALSE(OpenModuleInSlot(module, crate, 9));  // not a ZEB44
    EXPECT_TRUE(OpenModuleInSlot(module, crate, 2));
    EXPECT_TRUE(OpenModuleInSlot(module, crate, 16));  // closes the one before
    EXPECT_STREQ(module.Serial, "A16");
}

TEST(CrateScanWithoutServerTest, NothingListensThenTheCrateListCannotBeRead) {
    const zebtest::ClosedPort nothingListens;
    ASSERT_TRUE(nothingListens.valid());
    nothingListens.exportPort();

    TDiscoveryTables tables;
    SetFieldText(tables.CrateSerials[0], "stale");
    tables.ListedCrateCount = 1;
    ModuleRecord module{};
    EXPECT_FALSE(EnumerateCrates(tables));
    EXPECT_EQ(FieldText(tables.CrateSerials[0]), "");  // cleared before the attempt
    EXPECT_EQ(ScanCrates(tables, module), TScanResult::NoCrateList);
    EXPECT_EQ(tables.ListedCrateCount, 1);  // the lists of the earlier search stay
    ::unsetenv("ZEB_SERVER_PORT");
}

TEST(SelectWantedModuleTest, SelectsTheWantedCrateAndSlot) {
    TDiscoveryTables tables;
    tables.ListedCrateCount = 3;
    SetFieldText(tables.ListedCrateSerials[0], "A");
    SetFieldText(tables.ListedCrateSerials[1], "B");
    SetFieldText(tables.ListedCrateSerials[2], "B");  // the first of equal serials counts
    tables.ListedModuleCounts = {2, 3, 1};
    tables.ListedModuleSlots[0] = {3, 16};
    tables.ListedModuleSlots[1] = {1, 7, 16};
    tables.ListedModuleSlots[2] = {7};
    struct Case {
        const char* serial;
        int16_t slot;
        uint16_t crate;
        std::array<uint16_t, 3> modules;
    };
    const Case cases[] = {
        {"B", 16, 1, {0, 2, 0}}, {"B", 7, 1, {0, 1, 0}}, {"A", 16, 0, {1, 0, 0}}, {"A", 5, 0, {0, 0, 0}},
        {"C", 16, 0, {0, 0, 0}}, {"", -1, 0, {0, 0, 0}},  {"b", 7, 0, {0, 0, 0}},  // serials are exact
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.serial) + "/" + std::to_string(c.slot));
        tables.SelectedModuleIndex.fill(9);
        SelectWantedModule(tables, c.serial, c.slot);
        EXPECT_EQ(tables.SelectedCrateIndex, c.crate);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(tables.SelectedModuleIndex[i], c.modules[i]) << i;
        EXPECT_EQ(tables.SelectedModuleIndex[3], 0);
    }
}

TEST(CrateModelTableTest, NamesEveryKnownCrateTypeAndNoOther) {
    const std::pair<uint8_t, const char*> cases[] = {{21, "ZEB-K1"}, {10, "ZEB-K8"}, {30, "ZEB-N8"},
                                                     {31, "ZEB-N2"}, {40, "ZEB-P1"}, {41, "ZEB-R1"},
                                                     {0, "UNKNOWN"}, {22, "UNKNOWN"}, {255, "UNKNOWN"}};
    for (const auto& [code, text] : cases) EXPECT_STREQ(instrument::CrateModelName(code), text) << int(code);
}

TEST(FieldTextTest, TextsAreCutToTheField) {
    TSerialField field{};
    SetFieldText(field, "0123456789ABCDEFGHIJ");
    EXPECT_EQ(FieldText(field), "0123456789ABCDE");
    field.fill('x');  // no NUL at all
    EXPECT_EQ(FieldText(field), std::string(16, 'x'));
}

}  // namespace

// The mapping from the page's parameters to the module record's configuration fields.
#include "run/ModuleConfiguration.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

using run::TModuleParameters;

ModuleRecord Configured(const TModuleParameters& parameters, uint8_t dcCouplingBefore = 0) {
    ModuleRecord record{};
    std::memset(&record, 0x5A, sizeof record);  // every byte the mapping does not own stays 0x5A
    record.DcCoupling = dcCouplingBefore;
    run::WriteModuleConfiguration(record, parameters);
    return record;
}

TModuleParameters AllSelected() {
    TModuleParameters p;
    p.ChannelEnabled = {true, true, true, true};
    p.RangeIndex = {0, 0, 0, 0};
    p.AdcRateIndex = 24;
    p.ConnectionMode = 0;
    return p;
}

}  // namespace

TEST(ModuleConfigurationTest, ChannelsAndRanges) {
    TModuleParameters p = AllSelected();
    p.ChannelEnabled = {false, true, false, true};
    p.RangeIndex = {0, 2, 5, 1};
    const ModuleRecord r = Configured(p);
    const uint8_t enabled[4] = {0, 1, 0, 1};
    const uint8_t codes[4] = {4, 0, 3, 5};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(r.ChannelEnabled[c], enabled[c]) << c;
        EXPECT_EQ(r.RangeCode[c], codes[c]) << c;
    }
}

TEST(ModuleConfigurationTest, Rates) {
    struct Case {
        int index;
        int sentIndex;
        uint8_t divisor;
        uint8_t divider384;
    };
    // Rows 24 and 0, and no selection (or an index outside the table) sends row 24.
    for (const Case& c : {Case{24, 24, 1, 0}, Case{0, 0, 15, 1}, Case{19, 19, 3, 1}, Case{-1, 24, 1, 0},
                          Case{25, 24, 1, 0}}) {
        SCOPED_TRACE(c.index);
        TModuleParameters p = AllSelected();
        p.AdcRateIndex = c.index;
        const ModuleRecord r = Configured(p);
        EXPECT_EQ(r.AdcRateIndex, c.sentIndex);
        EXPECT_EQ(r.AdcDivisor, c.divisor);
        EXPECT_EQ(r.Divider384, c.divider384);
    }
}

TEST(ModuleConfigurationTest, ConnectionModes) {
    struct Case {
        int mode;
        uint8_t before;
        uint8_t dcCoupling;
        uint8_t ownZero;
    };
    for (const Case& c : {Case{0, 0, 1, 0}, Case{1, 1, 0, 0}, Case{2, 1, 1, 1}, Case{2, 0, 0, 1}, Case{-1, 1, 0, 0}}) {
        SCOPED_TRACE(c.mode);
        TModuleParameters p = AllSelected();
        p.ConnectionMode = c.mode;
        const ModuleRecord r = Configured(p, c.before);
        EXPECT_EQ(r.DcCoupling, c.dcCoupling);
        EXPECT_EQ(r.OwnZero, c.ownZero);
    }
}

TEST(ModuleConfigurationTest, ARangeListWithoutSelectionSendsTheWidestRange) {
    TModuleParameters p = AllSelected();
    p.RangeIndex = {-1, 6, 3, -7};
    const ModuleRecord r = Configured(p);
    EXPECT_EQ(r.RangeCode[0], 4);
    EXPECT_EQ(r.RangeCode[1], 4);
    EXPECT_EQ(r.RangeCode[2], 1);
    EXPECT_EQ(r.RangeCode[3], 4);
}

TEST(ModuleConfigurationTest, OnlyTheConfigurationFieldsChange) {
    const ModuleRecord r = Configured(AllSelected());
    EXPECT_EQ(r.Option60, 0);
    EXPECT_EQ(r.Reserved44, 0x5A);
    EXPECT_EQ(r.Reserved53[0], 0x5A);
    EXPECT_EQ(r.Reserved61[0], 0x5A);
    EXPECT_EQ(r.Reserved0[39], 0x5A);
    EXPECT_EQ(static_cast<uint8_t>(r.Name[0]), 0x5A);
}

TEST(ModuleConfigurationTest, ARunNeedsARateAndARangeForEveryEnabledChannel) {
    struct Case {
        std::array<bool, 4> enabled;
        std::array<int, 4> ranges;
        int rate;
        const char* message;  // empty: accepted
    };
    const Case cases[] = {
        {{true, true, true, true}, {0, 1, 2, 5}, 24, ""},
        {{false, true, false, false}, {-1, 3, -1, 9}, 0, ""},  // only enabled channels need a range
        {{false, false, false, false}, {-1, -1, -1, -1}, 3, ""},  // refused later, after the module took it
        {{true, true, false, true}, {0, 0, 0, -1}, 24, "Не выбран диапазон входного напряжения канала 4!"},
        {{true, false, false, false}, {6, 0, 0, 0}, 24, "Не выбран диапазон входного напряжения канала 1!"},
        {{true, false, false, false}, {0, 0, 0, 0}, -1, "Не выбрана частота преобразования АЦП!"},
        {{true, false, false, false}, {0, 0, 0, 0}, 25, "Не выбрана частота преобразования АЦП!"},
    };
    for (const Case& c : cases) {
        TModuleParameters p = AllSelected();
        p.ChannelEnabled = c.enabled;
        p.RangeIndex = c.ranges;
        p.AdcRateIndex = c.rate;
        std::string message;
        const bool accepted = run::CheckRunParameters(p, message);
        EXPECT_EQ(accepted, *c.message == 0) << c.message;
        if (!accepted) {
            EXPECT_EQ(message.rfind(c.message, 0), 0u) << message;
        }
    }
}

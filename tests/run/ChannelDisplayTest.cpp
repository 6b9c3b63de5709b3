// What a channel frame shows after a frame: the value texts in the range's
// patterns, the dashes, and the overload colour.
#include "run/ChannelDisplay.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using computation::TChannelMode;
using computation::TChannelResult;
using computation::TMethod;
using run::TChannelDisplay;
using Kind = run::TChannelDisplay::TKind;

// A different pattern per range and per quantity, so that a wrong one shows.
run::TDisplayPatterns Patterns() {
    run::TDisplayPatterns p;
    p.Dc = {"0.000", "0.0", "0", "0.00", "0.0000", "0.00000"};
    p.Ac = {"0.00", "0.0000", "0.0", "0", "0.000", "0.00000"};
    p.Fr = {"0.00000", "0.0", "0.00", "0.000", "0", "0.0000"};
    return p;
}

struct Case {
    const char* name;
    bool ticked;
    TChannelMode mode;
    TMethod method;
    int range;
    TChannelResult result;
    bool overload;
    Kind kind;
    const char* value;
    const char* frequency;
};

const char* const Dashes = "--------";

const Case Cases[] = {
    {"DC 1.23456 V", true, TChannelMode::Dc, TMethod::Spectral, 0, {1.23456, 0.7, 50.0}, false, Kind::Dc, "1234.560",
     Dashes},
    {"DC with overload", true, TChannelMode::Dc, TMethod::WeightedSum, 0, {1.23456, 0, 0}, true, Kind::Dc, "1234.560",
     Dashes},
    {"DC -10 V", true, TChannelMode::Dc, TMethod::Spectral, 0, {-10.0, 0, 0}, false, Kind::Dc, "-10000.000", Dashes},
    {"DC range 1", true, TChannelMode::Dc, TMethod::Spectral, 1, {1.23456, 0, 0}, false, Kind::Dc, "1234.6", Dashes},
    {"DC range 5", true, TChannelMode::Dc, TMethod::Spectral, 5, {0.0123456789, 0, 0}, false, Kind::Dc, "12.34568",
     Dashes},
    {"AC spectral 1000 Hz", true, TChannelMode::Ac, TMethod::Spectral, 0, {9.0, 0.5, 1000.0}, false,
     Kind::AcWithFrequency, "500.00", "1.00000"},
    {"AC spectral, overload", true, TChannelMode::Ac, TMethod::Spectral, 3, {0, 0.2504, 169.54}, true,
     Kind::AcWithFrequency, "250", "0.170"},
    {"AC weighted sum", true, TChannelMode::Ac, TMethod::WeightedSum, 2, {0, 0.70711, 1000.0}, false, Kind::AcOnly,
     "707.1", Dashes},
    {"unticked DC", false, TChannelMode::Dc, TMethod::Spectral, 0, {1.0, 1.0, 1.0}, false, Kind::Unticked, Dashes,
     Dashes},
    {"unticked AC", false, TChannelMode::Ac, TMethod::Spectral, 0, {1.0, 1.0, 1.0}, true, Kind::Unticked, Dashes,
     Dashes},
    {"range above the table", true, TChannelMode::Dc, TMethod::Spectral, 6, {1.23456, 0, 0}, false, Kind::Dc,
     "1234.560", Dashes},
    {"no range", true, TChannelMode::Ac, TMethod::Spectral, -1, {0, 0.5, 1000.0}, false, Kind::AcWithFrequency,
     "500.00", "1.00000"},
    {"a value rounding to zero", true, TChannelMode::Dc, TMethod::Spectral, 2, {-0.0004, 0, 0}, false, Kind::Dc, "0",
     Dashes},
};

TEST(ChannelDisplayTest, Examples) {
    const run::TDisplayPatterns patterns = Patterns();
    for (const Case& c : Cases) {
        SCOPED_TRACE(c.name);
        const TChannelDisplay d =
            run::MakeChannelDisplay(c.ticked, c.mode, c.method, c.range, c.result, c.overload, patterns);
        EXPECT_EQ(d.Kind, c.kind);
        EXPECT_EQ(d.Value, c.value);
        EXPECT_EQ(d.Frequency, c.frequency);
        EXPECT_EQ(d.Overload, c.overload);
    }
}

TEST(ChannelDisplayTest, UnitsAndDashes) {
    EXPECT_STREQ(run::DashesText, "--------");
    EXPECT_STREQ(run::MillivoltUnit, "мВ");
    EXPECT_STREQ(run::KilohertzUnit, "кГц");
}

}  // namespace

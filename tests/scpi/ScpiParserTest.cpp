// The line and header parser: splitting, short and long forms, optional nodes,
// channel lists, numbers and NR3.
#include "scpi/ScpiParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using scpi::TError;

TEST(ScpiParser, SplitsAtSemicolonsOutsideQuotesAndLists) {
    std::vector<std::string> commands;
    EXPECT_EQ(scpi::SplitLine("*IDN?; MEAS:VOLT:DC? (@1,3);INST:SEL \"A;B:1\";;", commands), TError::None);
    EXPECT_EQ(commands, (std::vector<std::string>{"*IDN?", "MEAS:VOLT:DC? (@1,3)", "INST:SEL \"A;B:1\""}));
    EXPECT_EQ(scpi::SplitLine("INST:SEL \"A", commands), TError::SyntaxError);
    EXPECT_EQ(scpi::SplitLine("MEAS? (@1", commands), TError::SyntaxError);
    EXPECT_EQ(scpi::SplitLine("MEAS? 1)", commands), TError::SyntaxError);
}

TEST(ScpiParser, HeaderPatternsTakeShortAndLongFormsInAnyCase) {
    struct TRow {
        const char* pattern;
        const char* header;
        bool matches;
    };
    const TRow rows[] = {
        {"MEASure:VOLTage:DC?", "MEAS:VOLT:DC?", true},
        {"MEASure:VOLTage:DC?", "measure:voltage:dc?", true},
        {"MEASure:VOLTage:DC?", "MeAs:VoLtAgE:Dc?", true},
        {"MEASure:VOLTage:DC?", "MEASU:VOLT:DC?", false},
        {"MEASure:VOLTage:DC?", "MEAS:VOLT:DC", false},
        {"SYSTem:ERRor[:NEXT]?", "SYST:ERR?", true},
        {"SYSTem:ERRor[:NEXT]?", "system:error:next?", true},
        {"SYSTem:ERRor[:NEXT]?", "SYST:ERR:NEX?", false},
        {"[SENSe]:VOLTage[:DC]:RANGe[:UPPer]", "VOLT:RANG", true},
        {"[SENSe]:VOLTage[:DC]:RANGe[:UPPer]", "SENS:VOLT:DC:RANG:UPP", true},
        {"*IDN?", "*idn?", true},
    };
    for (const TRow& row : rows) {
        scpi::TCommand command;
        ASSERT_EQ(scpi::ParseCommand(row.header, command), TError::None) << row.header;
        EXPECT_EQ(scpi::THeaderPattern(row.pattern).Matches(command.Nodes, command.Query), row.matches)
            << row.pattern << " / " << row.header;
    }
}

TEST(ScpiParser, CommandsKeepTheirParameters) {
    scpi::TCommand command;
    ASSERT_EQ(scpi::ParseCommand(":CONF:VOLT:AC 1, (@1:2,4)", command), TError::None);
    EXPECT_TRUE(command.Rooted);
    EXPECT_FALSE(command.Query);
    EXPECT_EQ(command.Nodes, (std::vector<std::string>{"CONF", "VOLT", "AC"}));
    EXPECT_EQ(command.Parameters, (std::vector<std::string>{"1", "(@1:2,4)"}));
    EXPECT_EQ(scpi::ParseCommand("MEAS::VOLT?", command), TError::SyntaxError);
    EXPECT_EQ(scpi::ParseCommand("MEAS?\x01", command), TError::InvalidCharacter);
    EXPECT_EQ(scpi::ParseCommand("MEAS? 1,,2", command), TError::SyntaxError);
    EXPECT_EQ(scpi::ParseCommand("\xff\xfe", command), TError::InvalidCharacter);
}

TEST(ScpiParser, ChannelLists) {
    struct TRow {
        const char* text;
        TError error;
        std::array<bool, 4> channels;
    };
    const TRow rows[] = {
        {"(@1,3)", TError::None, {true, false, true, false}},
        {"(@1:4)", TError::None, {true, true, true, true}},
        {"(@1:2,4)", TError::None, {true, true, false, true}},
        {"(@ 2 )", TError::None, {false, true, false, false}},
        {"(@5)", TError::DataOutOfRange, {}},
        {"(@0:2)", TError::DataOutOfRange, {}},
        {"(@3:1)", TError::SyntaxError, {}},
        {"(@)", TError::SyntaxError, {}},
        {"(@x)", TError::SyntaxError, {}},
    };
    for (const TRow& row : rows) {
        std::array<bool, 4> channels{};
        EXPECT_EQ(scpi::ParseChannelList(row.text, channels), row.error) << row.text;
        if (row.error == TError::None) {
            EXPECT_EQ(channels, row.channels) << row.text;
        }
    }
}

TEST(ScpiParser, NumbersAndNr3) {
    double value = 0;
    EXPECT_EQ(scpi::ParseNumeric("1.5E-1", 0, 10, 5, value), TError::None);
    EXPECT_DOUBLE_EQ(value, 0.15);
    EXPECT_EQ(scpi::ParseNumeric("max", 0, 10, 5, value), TError::None);
    EXPECT_DOUBLE_EQ(value, 10);
    EXPECT_EQ(scpi::ParseNumeric("DEF", 0, 10, 5, value), TError::None);
    EXPECT_DOUBLE_EQ(value, 5);
    EXPECT_EQ(scpi::ParseNumeric("ten", 0, 10, 5, value), TError::DataTypeError);
    EXPECT_EQ(scpi::ParseNumeric("1e999", 0, 10, 5, value), TError::DataTypeError);
    EXPECT_EQ(scpi::Nr3(0.987654), "9.87654000E-01");
    EXPECT_EQ(scpi::Nr3(-1.25), "-1.25000000E+00");
}

TEST(ScpiParser, Booleans) {
    struct TCase {
        const char* text;
        TError error;
        bool value;
    };
    for (const TCase& c : {TCase{"ON", TError::None, true}, TCase{" off ", TError::None, false},
                           TCase{"1", TError::None, true}, TCase{"0", TError::None, false},
                           TCase{"2", TError::None, true}, TCase{"MAX", TError::DataTypeError, false},
                           TCase{"yes", TError::DataTypeError, false}, TCase{"", TError::DataTypeError, false}}) {
        bool value = !c.value;
        EXPECT_EQ(scpi::ParseBoolean(c.text, value), c.error) << c.text;
        if (c.error == TError::None) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

}  // namespace

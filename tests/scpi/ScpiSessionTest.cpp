// The command set against a stand-in instrument of two modules: tables of lines with
// their answers and the error queue they leave, the parameter changes they make, and
// the read-only mode.
#include "scpi/ScpiSession.h"

#include "instrument/Zeb44Tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using scpi::TChannelFunction;

// Two modules; every frame gives channel c the value (c + 1) / 8 V (and 1 kHz per
// channel number), channel 4 overloaded. The frame mark counts the waits.
class TStandIn : public scpi::TInstrument {
public:
    TStandIn() {
        for (scpi::TModuleSetup& setup : setups_) {
            setup.AdcRateIndex = instrument::DefaultAdcRateIndex;
            setup.Enabled = {true, true, true, true};
        }
        initial_ = setups_;
    }
    std::vector<std::string> Catalog() const override { return {"ZK1-210417:1", "ZK1-210417:16"}; }
    std::string ModuleSerial(std::size_t module) const override { return module == 0 ? "4400117" : "4400342"; }
    std::string ProgramVersion() const override { return "1.1.7.0"; }
    scpi::TModuleSetup Setup(std::size_t module) const override { return setups_.at(module); }
    scpi::TModuleSetup InitialSetup(std::size_t module) const override { return initial_.at(module); }
    // Module 2 cannot run at the lowest rate (a stand-in for a crate's data rate).
    bool Accepts(std::size_t module, const scpi::TModuleSetup& setup) const override {
        return module == 0 || setup.AdcRateIndex != 0;
    }
    void ChangeSetup(std::size_t module, const scpi::TModuleSetup& setup) override {
        setups_.at(module) = setup;
        ++changes;
    }
    std::array<readings::TBenchStats, 4> Statistics(std::size_t) const override { return stats; }
    void ClearStatistics(std::size_t, const std::array<bool, 4>& channels) override {
        for (int c = 0; c < 4; ++c)
            if (channels[c]) stats[c] = {};
    }
    std::uint64_t FrameMark(std::size_t) const override { return mark_; }
    scpi::TFrameWait WaitFrame(std::size_t module, std::uint64_t mark, scpi::TFrameValues& frame) const override {
        if (lost) return scpi::TFrameWait::Disconnected;
        lastWaitMark = mark;
        ++mark_;
        const scpi::TModuleSetup& setup = setups_.at(module);
        frame.Function = setup.Function;
        for (int c = 0; c < 4; ++c) {
            frame.Channels[c].Present = setup.Enabled[c];
            frame.Channels[c].Volts = (c + 1) / 8.0 + (module == 1 ? 1.0 : 0.0);
            frame.Channels[c].Hertz = 1000.0 * (c + 1);
            frame.Channels[c].Overload = c == 3;
        }
        return scpi::TFrameWait::Measured;
    }

    int changes = 0;
    bool lost = false;
    std::array<readings::TBenchStats, 4> stats{};
    mutable std::uint64_t lastWaitMark = 0;

private:
    std::array<scpi::TModuleSetup, 2> setups_{};
    std::array<scpi::TModuleSetup, 2> initial_{};
    mutable std::uint64_t mark_ = 7;
};

struct TRow {
    const char* line;
    const char* answer;  // without '\n'; "" for none
};

// Runs each line and compares its answer.
void RunTable(scpi::TSession& session, const std::vector<TRow>& rows) {
    for (const TRow& row : rows) {
        const std::string expected = *row.answer == '\0' ? std::string{} : std::string(row.answer) + "\n";
        EXPECT_EQ(session.ExecuteLine(row.line), expected) << row.line;
    }
}

TEST(ScpiSession, CommonCommandsAndTheErrorQueue) {
    TStandIn instrument;
    scpi::TSession session(instrument, false);
    RunTable(session, {
                          {"*IDN?", "Voltcheck,ZEB44,4400117,1.1.7.0"},
                          {"*idn?;*OPC?", "Voltcheck,ZEB44,4400117,1.1.7.0;1"},
                          {"SYST:VERS?", "1999.0"},
                          {"SYST:ERR?", "0,\"No error\""},
                          {"*STB?", "0"},
                          {"FOO:BAR", ""},
                          {"MEAS:VOLT:DC? 100,(@1)", ""},
                          {"MEAS:VOLT:DC? (@5)", ""},
                          {"SAMP:RATE 12345", ""},
                          {"*IDN? 1", ""},
                          {"SYST:ERR:COUN?", "5"},
                          {"*STB?", "4"},
                          {"*ESR?", "48"},  // command and execution errors
                          {"*ESR?", "0"},
                          {"SYSTem:ERRor:NEXT?", "-113,\"Undefined header\""},
                          {"SYST:ERR?", "-222,\"Data out of range\""},
                          {"syst:err?", "-222,\"Data out of range\""},
                          {"SYST:ERR?", "-222,\"Data out of range\""},
                          {"SYST:ERR?", "-108,\"Parameter not allowed\""},
                          {"SYST:ERR?", "0,\"No error\""},
                          {"BAD;*CLS;SYST:ERR?", "0,\"No error\""},
                      });
    EXPECT_EQ(instrument.changes, 0);
}

TEST(ScpiSession, TheErrorQueueOverflows) {
    TStandIn instrument;
    scpi::TSession session(instrument, false);
    for (int k = 0; k < 30; ++k) session.ExecuteLine("NOPE");
    EXPECT_EQ(session.ExecuteLine("SYST:ERR:COUN?"), "20\n");
    for (int k = 0; k < 19; ++k) EXPECT_EQ(session.ExecuteLine("SYST:ERR?"), "-113,\"Undefined header\"\n");
    EXPECT_EQ(session.ExecuteLine("SYST:ERR?"), "-350,\"Queue overflow\"\n");
    EXPECT_EQ(session.ExecuteLine("SYST:ERR?"), "0,\"No error\"\n");
}

TEST(ScpiSession, MeasurementsAnswerInNr3WithOverloadsAs9_9E37) {
    TStandIn instrument;
    scpi::TSession session(instrument, false);
    RunTable(session, {
                          {"MEAS:VOLT:DC? (@1,3)", "1.25000000E-01,3.75000000E-01"},
                          {"MEASure:VOLTage:DC? (@1:4)", "1.25000000E-01,2.50000000E-01,3.75000000E-01,9.9E37"},
                          {"MEAS? (@2)", "2.50000000E-01"},
                          {"READ?", "2.50000000E-01"},
                          {"MEAS:VOLT:AC? 1,(@2)", "2.50000000E-01"},
                          {"MEAS:FREQ? (@2)", "2.00000000E+03"},
                          {"MEAS:FREQ? (@1:2)", "1.00000000E+03,2.00000000E+03"},
                          {"FETC?", ""},
                          {"SYST:ERR?", "-230,\"Data stale\""},
                          {"INIT;FETC?", "1.00000000E+03,2.00000000E+03"},
                          {"CONF:VOLT:DC (@3);READ?", "3.75000000E-01"},
                          {"MEAS:VOLT:DC? (@1);:MEAS:VOLT:DC? (@2)", "1.25000000E-01;2.50000000E-01"},
                          {"SYST:ERR?", "0,\"No error\""},
                      });
}

TEST(ScpiSession, ParameterChangesReachTheModuleOnlyWhenTheyDiffer) {
    TStandIn instrument;
    scpi::TSession session(instrument, false);
    RunTable(session, {
                          {"CONF:VOLT:DC 0.3,(@2)", ""},
                          {"VOLT:RANG? (@2)", "3.00000000E-01"},
                          {"SENS:VOLT:DC:RANG 2.5,(@1:2);RANG? (@1:2)", "3.00000000E+00,3.00000000E+00"},
                          {"SAMP:RATE 15625;SAMP:RATE?", "1.56250000E+04"},
                          {"SAMP:RATE MAX;SAMP:RATE?", "7.81250000E+04"},
                          {"VOLT:RANG 11,(@1)", ""},
                          {"SYST:ERR?", "-222,\"Data out of range\""},
                      });
    const int changes = instrument.changes;
    EXPECT_EQ(instrument.Setup(0).RangeIndex[0], 1);
    EXPECT_EQ(instrument.Setup(0).RangeIndex[1], 1);
    session.ExecuteLine("SAMP:RATE 78125");
    session.ExecuteLine("MEAS:VOLT:DC? (@1)");
    session.ExecuteLine("MEAS:VOLT:DC? (@1)");
    EXPECT_EQ(instrument.changes, changes) << "the same parameters again restart nothing";
    session.ExecuteLine("MEAS:VOLT:AC? (@1)");
    EXPECT_EQ(instrument.Setup(0).Function[0], TChannelFunction::Ac);
    session.ExecuteLine("*RST");
    EXPECT_EQ(instrument.Setup(0), instrument.InitialSetup(0));
}

TEST(ScpiSession, CouplingAndMethodConflicts) {
    TStandIn instrument;
    scpi::TModuleSetup setup = instrument.Setup(0);
    setup.ConnectionMode = 1;
    setup.Spectral = false;
    instrument.ChangeSetup(0, setup);
    scpi::TSession session(instrument, false);
    RunTable(session, {
                          {"MEAS:VOLT:DC? (@1)", ""},
                          {"SYST:ERR?", "-221,\"Settings conflict\""},
                          {"MEAS:FREQ? (@1)", ""},
                          {"SYST:ERR?", "-221,\"Settings conflict\""},
                          {"MEAS:VOLT:AC? (@1)", "1.25000000E-01"},
                      });
}

TEST(ScpiSession, ReadOnlyRefusesChangesButMeasuresAsConfigured) {
    TStandIn instrument;
    scpi::TSession session(instrument, true);
    RunTable(session, {
                          {"MEAS:VOLT:DC? (@1,2)", "1.25000000E-01,2.50000000E-01"},
                          {"SAMP:RATE 15625", ""},
                          {"SYST:ERR?", "-221,\"Settings conflict\""},
                          {"MEAS:VOLT:AC? (@1)", ""},
                          {"SYST:ERR?", "-221,\"Settings conflict\""},
                          {"CONF:VOLT:DC 0.1,(@1)", ""},
                          {"SYST:ERR?", "-221,\"Settings conflict\""},
                          {"*RST;SYST:ERR?", "0,\"No error\""},
                      });
    EXPECT_EQ(instrument.changes, 0);
}

// CALCulate: each setting per channel list (else the enabled channels) and its query,
// the statistics of the instrument in NR3, the -222 and -221 refusals, and the
// read-only mode.
TEST(ScpiSession, CalculateSettingsStatisticsAndRefusals) {
    TStandIn instrument;
    instrument.stats[0] = {.Count = 4, .Minimum = 0.5, .Maximum = 1.5, .Mean = 1.0, .Deviation = 0.25, .FailedHigh = 1};
    instrument.stats[1] = {.Count = 3, .Passed = 3};
    scpi::TSession session(instrument, false);
    RunTable(session, {
                          {"CALC:LIM:LOW? (@1,2)", "-9.9E37,-9.9E37"},
                          {"CALC:LIM:LOW 0.1,(@1,2);UPP 0.2,(@1);:CALC:LIM:STAT ON,(@1:2)", ""},
                          {"CALC:LIM:LOW? (@1,2);UPP? (@1,2);STAT? (@1:3)",
                           "1.00000000E-01,1.00000000E-01;2.00000000E-01,9.9E37;1,1,0"},
                          {"CALC:LIM:FAIL? (@1,2,3)", "1,0,0"},
                          {"CALC:NULL:STAT? (@1);:CALC:NULL:OFFS 0.25,(@1);:CALC:NULL? (@1);:CALC:NULL:OFFS? (@1)",
                           "0;1;2.50000000E-01"},
                          {"CALC:NULL OFF,(@1);:CALC:NULL ON,(@1,2);:CALC:NULL:OFFS? (@1,2)", "9.91E37,9.91E37"},
                          {"CALC:AVER:COUN 16,(@2);:CALC:AVER:WIND? (@1,2)", "1,16"},
                          {"calculate:average:window 1000", ""},
                          {"CALC:AVER:WIND?", "1000,1000,1000,1000"},
                          {"CALC:AVER:MIN? (@1,3);MAX? (@1);AVER? (@1);SDEV? (@1);PTP? (@1);COUN? (@1,2)",
                           "5.00000000E-01,9.91E37;1.50000000E+00;1.00000000E+00;2.50000000E-01;1.00000000E+00;"
                           "4.00000000E+00,3.00000000E+00"},
                          {"CALC:AVER:CLE (@1);:CALC:AVER:COUN? (@1,2);:CALC:LIM:FAIL? (@1)", "0.00000000E+00,3.00000000E+00;0"},
                          {"SYST:ERR?", "0,\"No error\""},
                          {"CALC:AVER:COUN 0", ""},
                          {"CALC:AVER:COUN 1001", ""},
                          {"CALC:AVER:COUN 2.5", ""},
                          {"CALC:LIM:LOW 2000", ""},
                          {"CALC:LIM:LOW 0.3,(@1)", ""},   // above the upper limit 0.2
                          {"CALC:LIM:STAT MAYBE", ""},
                          {"CALC:LIM:UPP", ""},
                          {"CALC:AVER:MIN? 1", ""},
                          {"SYST:ERR?", "-222,\"Data out of range\""},
                          {"SYST:ERR?", "-222,\"Data out of range\""},
                          {"SYST:ERR?", "-222,\"Data out of range\""},
                          {"SYST:ERR?", "-222,\"Data out of range\""},
                          {"SYST:ERR?", "-221,\"Settings conflict\""},
                          {"SYST:ERR?", "-104,\"Data type error\""},
                          {"SYST:ERR?", "-109,\"Missing parameter\""},
                          {"SYST:ERR?", "-104,\"Data type error\""},
                          {"CALC:LIM:LOW? (@1);UPP? (@1)", "1.00000000E-01;2.00000000E-01"},
                      });
    const readings::TBenchSettings s = instrument.Setup(0).Bench[1];
    EXPECT_EQ(s.NullMode, readings::TNullMode::NextReading);
    EXPECT_EQ(s.AverageCount, 1000);
    EXPECT_TRUE(s.LimitsOn);
    EXPECT_EQ(s.Lower, 0.1);
    EXPECT_EQ(s.Upper, std::nullopt);

    // Read-only: every change and the clearing of the statistics are refused; queries answer.
    TStandIn fixed;
    scpi::TSession reader(fixed, true);
    RunTable(reader, {
                         {"CALC:LIM:UPP 1,(@1);:CALC:NULL ON;:CALC:AVER:COUN 4;:CALC:AVER:CLE", ""},
                         {"SYST:ERR:COUN?", "4"},
                         {"SYST:ERR?", "-221,\"Settings conflict\""},
                         {"CALC:LIM:UPP? (@1);:CALC:AVER:WIND? (@1)", "9.9E37;1"},
                     });
    EXPECT_EQ(fixed.changes, 0);
}

TEST(ScpiSession, InstrumentSelection) {
    TStandIn instrument;
    scpi::TSession session(instrument, false);
    RunTable(session, {
                          {"INST:CAT?", "\"ZK1-210417:1\",\"ZK1-210417:16\""},
                          {"INST:SEL?", "\"ZK1-210417:1\""},
                          {"INST:SEL \"ZK1-210417:16\";*IDN?", "Voltcheck,ZEB44,4400342,1.1.7.0"},
                          {"MEAS:VOLT:DC? (@1)", "1.12500000E+00"},
                          {"instrument:select 'ZK1-210417:1';MEAS:VOLT:DC? (@1)", "1.25000000E-01"},
                          {"INST:SEL \"ZK1-210417:2\"", ""},
                          {"SYST:ERR?", "-224,\"Illegal parameter value\""},
                          {"INST:SEL ZK1", ""},
                          {"SYST:ERR?", "-104,\"Data type error\""},
                          {"SAMP:RATE MIN", ""},
                          {"SYST:ERR?", "0,\"No error\""},
                          {"INST:SEL \"ZK1-210417:16\";SAMP:RATE MIN", ""},
                          {"SYST:ERR?", "-221,\"Settings conflict\""},
                          {"SAMP:RATE?", "7.81250000E+04"},
                      });
}

TEST(ScpiSession, ALostModuleAnswersWithAnError) {
    TStandIn instrument;
    instrument.lost = true;
    scpi::TSession session(instrument, false);
    RunTable(session, {
                          {"MEAS:VOLT:DC? (@1)", ""},
                          {"SYST:ERR?", "-241,\"Hardware missing\""},
                          {"*IDN?", "Voltcheck,ZEB44,4400117,1.1.7.0"},
                      });
}

TEST(ScpiSession, RelativeHeadersAfterASemicolon) {
    TStandIn instrument;
    scpi::TSession session(instrument, false);
    RunTable(session, {
                          {"MEAS:VOLT:DC? (@1);AC? (@2)", "1.25000000E-01;2.50000000E-01"},
                          {"SYST:ERR?;ERR?", "0,\"No error\";0,\"No error\""},
                      });
}

TEST(ScpiSession, GarbageIsAnErrorAndTheSessionGoesOn) {
    TStandIn instrument;
    scpi::TSession session(instrument, false);
    RunTable(session, {
                          {"\x01\x02\x03", ""},
                          {"((((", ""},
                          {"::::", ""},
                          {"SYST:ERR?", "-101,\"Invalid character\""},
                          {"SYST:ERR?", "-102,\"Syntax error\""},
                          {"SYST:ERR?", "-102,\"Syntax error\""},
                          {"*IDN?", "Voltcheck,ZEB44,4400117,1.1.7.0"},
                      });
}

}  // namespace

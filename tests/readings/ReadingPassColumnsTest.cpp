#include "readings/ReadingFormat.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using readings::TVerdict;

// The pass column stands after its channel's overload column only where the columns
// ask for it; the lines without it are those of before.
TEST(ReadingPassColumns, HeaderAndLinesPerVerdict) {
    readings::TColumns columns;
    columns.Enabled = {true, true, false, false};
    columns.Hertz = {false, true, false, false};
    EXPECT_EQ(readings::CsvHeader(columns), "time,frame,ch1_volts,ch1_overload,ch2_volts,ch2_hertz,ch2_overload\n");
    columns.Pass = {true, false, false, false};
    EXPECT_EQ(readings::CsvHeader(columns),
              "time,frame,ch1_volts,ch1_overload,ch1_pass,ch2_volts,ch2_hertz,ch2_overload\n");

    struct Case {
        TVerdict verdict;
        bool present;
        const char* csv;
        const char* json;
    };
    for (const Case& c : std::vector<Case>{
             {TVerdict::Pass, true, "1.5,0,1", "\"pass\": true"},
             {TVerdict::FailLow, true, "1.5,0,0", "\"pass\": false"},
             {TVerdict::FailHigh, true, "1.5,0,0", "\"pass\": false"},
             {TVerdict::FailOverload, true, "1.5,0,0", "\"pass\": false"},
             {TVerdict::NotJudged, true, "1.5,0,", "\"pass\": null"},
             {TVerdict::Pass, false, ",,", "\"pass\": null"},
         }) {
        readings::TReading reading;
        reading.Time = std::chrono::system_clock::time_point{};
        reading.Frame = 1;
        reading.Channels[0] = {c.present, 1.5, 0.0, false, c.verdict};
        reading.Channels[1] = {true, 2.0, 50.0, false, TVerdict::FailHigh};
        const std::string line = readings::CsvLine(columns, reading);
        EXPECT_EQ(line, "1970-01-01T00:00:00.000Z,1," + std::string(c.csv) + ",2,50,0\n") << c.csv;
        const std::string json = readings::JsonLine(columns, reading);
        EXPECT_NE(json.find(c.json), std::string::npos) << json;
        // Channel 2 has no pass column, whatever its verdict.
        EXPECT_EQ(json.find("\"pass\""), json.rfind("\"pass\"")) << json;
    }
}

}  // namespace

#pragma once

#include "readings/BenchFunctions.h"
#include "run/MeasurementRun.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace readings {

// The columns of a run's lines: fixed by the module configuration and the settings
// the run started with, the same for every frame of the run.
struct TColumns {
    std::array<bool, 4> Enabled{};  // the channel took part in the run
    std::array<bool, 4> Hertz{};    // the channel gives a frequency (AC with the spectral method)
    std::array<bool, 4> Pass{};     // the channel's limits are on: a pass column after its overload column

    friend bool operator==(const TColumns&, const TColumns&) = default;
};

// One channel of one frame, unrounded.
struct TChannelReading {
    bool Present = false;  // computed in this frame (enabled and still ticked)
    double Volts = 0.0;    // the DC value, or the AC value (RMS or peak)
    double Hertz = 0.0;    // where the columns have a frequency
    bool Overload = false;
    TVerdict Verdict = TVerdict::NotJudged;  // where the columns have a pass column
};

struct TReading {
    std::chrono::system_clock::time_point Time;
    std::uint64_t Frame = 0;  // from 1
    std::array<TChannelReading, 4> Channels{};
};

// The columns of a run once its module is configured.
TColumns ColumnsOfRun(const run::TMeasurementRun& run);
// The run's last computed frame: ticked says which channels were computed.
TReading ReadingOfRun(const run::TMeasurementRun& run, const std::array<bool, 4>& ticked, std::uint64_t frame,
                      std::chrono::system_clock::time_point time);

// A pass column for every enabled channel whose limits are on.
void SetPassColumns(const TBenchChannels& bench, TColumns& columns);
// Every present channel of the reading through its bench functions: its volts become
// the shown value (after null and averaging), its overload that of the average, and
// its verdict is set. A channel not present leaves its functions alone.
void ApplyBenchFunctions(TBenchChannels& bench, TReading& reading);

// Whether the CSV lines end with an "event" column (a run that reconnects writes its
// losses and returns as lines of their own there).
enum class TEventColumn { Without, With };

// "time,frame" and per enabled channel c: ch<c>_volts[,ch<c>_hertz],ch<c>_overload
// [,ch<c>_pass], then [,event]; ends with '\n'.
std::string CsvHeader(const TColumns& columns, TEventColumn event = TEventColumn::Without);
// One frame in the header's columns; a channel not computed in the frame leaves its
// fields empty, and so does a verdict not judged (pass is 1, any fail 0) and a frame
// the event column.
std::string CsvLine(const TColumns& columns, const TReading& reading, TEventColumn event = TEventColumn::Without);
// An event in the header's columns (with the event column): the time, empty frame and
// value fields, and the text ("lost: MESSAGE", "resumed after 12.345 s") as one field.
std::string CsvEventLine(const TColumns& columns, std::chrono::system_clock::time_point time, std::string_view text);
std::string LostEventText(std::string_view message);
std::string ResumedEventText(double gapSeconds);

// The events of a run that reconnects, as JSON lines ending with '\n':
// {"time": "...", "event": "lost", "message": "MESSAGE"} when the loss is seen, and
// {"time": "...", "event": "resumed", "gap_seconds": 12.345} when the first frame after
// it is done (the seconds since the loss's record, to the millisecond).
std::string LostJsonLine(std::chrono::system_clock::time_point time, std::string_view message);
std::string ResumedJsonLine(std::chrono::system_clock::time_point time, double gapSeconds);

// text as a JSON string, quotes included (control characters escaped).
std::string JsonString(std::string_view text);
// text as one CSV field: a line break becomes a space (a record stays on one line), and
// a field with a comma or a quote is quoted.
std::string CsvField(std::string_view text);
// {"time": "...", "frame": N, "channels": {"1": {"volts": V, "hertz": F, "overload": false, "pass": true}, ...}}
// and '\n'; a channel not computed in the frame has null values.
std::string JsonLine(const TColumns& columns, const TReading& reading);

// UTC in ISO 8601 with milliseconds: "2025-03-14T09:26:53.589Z".
std::string IsoUtcTime(std::chrono::system_clock::time_point time);
// The shortest text that reads back as the same double, '.' whatever the locale
// ("nan", "inf", "-inf" for the others).
std::string NumberText(double value);

}  // namespace readings

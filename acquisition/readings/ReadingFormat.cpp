#include "readings/ReadingFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace readings {

namespace {

void AppendNumber(std::string& line, double value) { line += NumberText(value); }

// A JSON number; JSON has no NaN or infinity, so those become null.
void AppendJsonNumber(std::string& line, double value) {
    line += std::isfinite(value) ? NumberText(value) : std::string("null");
}

// Seconds to the millisecond, '.' whatever the locale: "12.345".
std::string SecondsText(double seconds) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.3f", std::isfinite(seconds) ? std::max(seconds, 0.0) : 0.0);
    return buffer;
}

}  // namespace

TColumns ColumnsOfRun(const run::TMeasurementRun& run) {
    TColumns columns;
    const bool spectral = run.Method() == computation::TMethod::Spectral;
    for (std::size_t c = 0; c < columns.Enabled.size(); ++c) {
        columns.Enabled[c] = run.Geometry().ChannelSlot[c] >= 0;
        columns.Hertz[c] =
            columns.Enabled[c] && spectral && run.Settings().ChannelMode[c] == computation::TChannelMode::Ac;
    }
    return columns;
}

TReading ReadingOfRun(const run::TMeasurementRun& run, const std::array<bool, 4>& ticked, std::uint64_t frame,
                      std::chrono::system_clock::time_point time) {
    TReading reading;
    reading.Time = time;
    reading.Frame = frame;
    for (std::size_t c = 0; c < reading.Channels.size(); ++c) {
        TChannelReading& channel = reading.Channels[c];
        const computation::TChannelResult& result = run.Results()[c];
        channel.Present = run.Geometry().ChannelSlot[c] >= 0 && ticked[c];
        const bool ac = run.Settings().ChannelMode[c] == computation::TChannelMode::Ac;
        channel.Volts = ac ? result.AcValue : result.DcValue;
        channel.Hertz = result.Frequency;
        channel.Overload = run.OverloadFlags()[c] != 0;
    }
    return reading;
}

void SetPassColumns(const TBenchChannels& bench, TColumns& columns) {
    for (std::size_t c = 0; c < bench.size(); ++c) columns.Pass[c] = columns.Enabled[c] && bench[c].Settings().LimitsOn;
}

void ApplyBenchFunctions(TBenchChannels& bench, TReading& reading) {
    for (std::size_t c = 0; c < bench.size(); ++c) {
        TChannelReading& channel = reading.Channels[c];
        if (!channel.Present) continue;
        const TBenchResult result = bench[c].Add(channel.Volts, channel.Overload);
        channel.Volts = result.Shown;
        channel.Overload = result.Overload;
        channel.Verdict = result.Verdict;
    }
}

std::string CsvHeader(const TColumns& columns, TEventColumn event) {
    std::string line = "time,frame";
    for (std::size_t c = 0; c < columns.Enabled.size(); ++c) {
        if (!columns.Enabled[c]) continue;
        const std::string prefix = ",ch" + std::to_string(c + 1);
        line += prefix + "_volts";
        if (columns.Hertz[c]) line += prefix + "_hertz";
        line += prefix + "_overload";
        if (columns.Pass[c]) line += prefix + "_pass";
    }
    if (event == TEventColumn::With) line += ",event";
    line += '\n';
    return line;
}

std::string CsvLine(const TColumns& columns, const TReading& reading, TEventColumn event) {
    std::string line = IsoUtcTime(reading.Time);
    line += ',';
    line += std::to_string(reading.Frame);
    for (std::size_t c = 0; c < columns.Enabled.size(); ++c) {
        if (!columns.Enabled[c]) continue;
        const TChannelReading& channel = reading.Channels[c];
        line += ',';
        if (channel.Present) AppendNumber(line, channel.Volts);
        if (columns.Hertz[c]) {
            line += ',';
            if (channel.Present) AppendNumber(line, channel.Hertz);
        }
        line += ',';
        if (channel.Present) line += channel.Overload ? '1' : '0';
        if (columns.Pass[c]) {
            line += ',';
            if (channel.Present && channel.Verdict != TVerdict::NotJudged) line += IsFail(channel.Verdict) ? '0' : '1';
        }
    }
    if (event == TEventColumn::With) line += ',';
    line += '\n';
    return line;
}

std::string CsvEventLine(const TColumns& columns, std::chrono::system_clock::time_point time, std::string_view text) {
    std::string line = IsoUtcTime(time);
    line += ',';  // the frame
    for (std::size_t c = 0; c < columns.Enabled.size(); ++c) {
        if (!columns.Enabled[c]) continue;
        line += columns.Hertz[c] ? ",,," : ",,";
        if (columns.Pass[c]) line += ',';
    }
    line += ',';
    line += CsvField(text);
    line += '\n';
    return line;
}

std::string LostEventText(std::string_view message) { return "lost: " + std::string(message); }

std::string ResumedEventText(double gapSeconds) { return "resumed after " + SecondsText(gapSeconds) + " s"; }

std::string LostJsonLine(std::chrono::system_clock::time_point time, std::string_view message) {
    return "{\"time\": \"" + IsoUtcTime(time) + "\", \"event\": \"lost\", \"message\": " + JsonString(message) + "}\n";
}

std::string ResumedJsonLine(std::chrono::system_clock::time_point time, double gapSeconds) {
    return "{\"time\": \"" + IsoUtcTime(time) + "\", \"event\": \"resumed\", \"gap_seconds\": " +
           SecondsText(gapSeconds) + "}\n";
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto u = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (ch == '\n') {
            out += "\\n";
        } else if (u < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
            out += buffer;
        } else {
            out += ch;  // UTF-8 passes as it is
        }
    }
    out += '"';
    return out;
}

std::string CsvField(std::string_view text) {
    std::string field;
    bool quote = false;
    for (const char ch : text) {
        if (ch == '\n' || ch == '\r') {
            field += ' ';
            continue;
        }
        if (ch == ',' || ch == '"') quote = true;
        if (ch == '"') field += '"';
        field += ch;
    }
    return quote ? '"' + field + '"' : field;
}

std::string JsonLine(const TColumns& columns, const TReading& reading) {
    std::string line = "{\"time\": \"" + IsoUtcTime(reading.Time) + "\", \"frame\": " + std::to_string(reading.Frame) +
                       ", \"channels\": {";
    bool first = true;
    for (std::size_t c = 0; c < columns.Enabled.size(); ++c) {
        if (!columns.Enabled[c]) continue;
        const TChannelReading& channel = reading.Channels[c];
        if (!first) line += ", ";
        first = false;
        line += "\"" + std::to_string(c + 1) + "\": {\"volts\": ";
        if (channel.Present)
            AppendJsonNumber(line, channel.Volts);
        else
            line += "null";
        if (columns.Hertz[c]) {
            line += ", \"hertz\": ";
            if (channel.Present)
                AppendJsonNumber(line, channel.Hertz);
            else
                line += "null";
        }
        line += ", \"overload\": ";
        line += !channel.Present ? "null" : channel.Overload ? "true" : "false";
        if (columns.Pass[c]) {
            line += ", \"pass\": ";
            const bool judged = channel.Present && channel.Verdict != TVerdict::NotJudged;
            line += !judged ? "null" : IsFail(channel.Verdict) ? "false" : "true";
        }
        line += '}';
    }
    line += "}}\n";
    return line;
}

std::string IsoUtcTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto since = time.time_since_epoch();
    auto secs = duration_cast<seconds>(since);
    auto millis = duration_cast<milliseconds>(since - secs).count();
    if (millis < 0) {  // before 1970: floor, not truncation
        millis += 1000;
        secs -= seconds(1);
    }
    const std::time_t t = static_cast<std::time_t>(secs.count());
    std::tm utc{};
    if (::gmtime_r(&t, &utc) == nullptr) return "0000-00-00T00:00:00.000Z";
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(millis));
    return buffer;
}

std::string NumberText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("nan");
}

}  // namespace readings

#pragma once

#include "computation/ChannelComputation.h"
#include "readings/BenchFunctions.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Command line of voltcheck-cli: "list" or "measure" and their options.
enum class TCliCommand { None, List, Measure, Serve };
enum class TOutputFormat { Csv, Jsonl };

// When --output starts a new file: never, at every UTC hour or day, or before a line
// that would take the file beyond a size.
enum class TRotateKind { None, Hourly, Daily, Size };
struct TRotation {
    TRotateKind Kind = TRotateKind::None;
    std::uint64_t Bytes = 0;  // Size only
};

struct TCliOptions {
    TCliCommand Command = TCliCommand::None;
    bool Help = false;  // --help: of the command, or of the tool without one

    // measure: the module.
    std::optional<std::string> CrateSerial;
    std::optional<int> Slot;  // 1 ... 16
    // measure: what the command line sets; the rest comes from --settings or the
    // defaults of a new settings file.
    std::optional<std::string> SettingsFile;
    std::optional<int> AdcRateIndex;       // row of the rate table
    std::optional<int> ConnectionMode;     // 0 dc, 1 ac, 2 zero
    std::optional<std::array<bool, 4>> Channels;
    std::optional<int> CommonRangeIndex;   // --range VOLTS
    std::array<std::optional<int>, 4> ChannelRangeIndex;  // --range C=VOLTS (after the common one)
    std::optional<int> MeasuringMode;      // 0 dc, 1 ac
    std::optional<computation::TMethod> Method;
    std::optional<computation::TAmplitudeType> Amplitude;
    std::optional<double> MaxTime;         // seconds
    // measure and serve: each channel's null, averaging and limits (--null, --average, --limits).
    std::array<readings::TBenchSettings, 4> Bench{};
    // measure: the end and the output.
    std::optional<std::uint64_t> Frames;
    std::optional<double> Duration;  // seconds
    TOutputFormat Format = TOutputFormat::Csv;
    std::optional<std::string> Output;
    TRotation Rotation;  // with Output only
    bool Stats = false;
    // measure: unattended runs.
    bool Reconnect = false;   // a lost module is looked for again, the run goes on
    bool Continuous = false;  // frames cut back to back out of one stream

    // serve: the modules (--module CRATE:SLOT, repeatable) and the servers.
    struct TModuleName {
        std::string Crate;
        int Slot = 0;
    };
    std::vector<TModuleName> Modules;
    int ScpiPort = 5025;  // 0: no SCPI server
    int HttpPort = 8080;  // 0: no HTTP server
    std::string Listen = "127.0.0.1";
    bool ScpiReadOnly = false;
};

// Parses argv[1 ...]. On failure returns false with a one-line reason in error.
bool ParseCliOptions(int argc, const char* const* argv, TCliOptions& options, std::string& error);

// The row of the rate table within 0.5 Hz of hertz; else -1 and the reason naming
// the nearest rates in error.
int MatchAdcRate(double hertz, std::string& error);
// --rotate's value: "hourly", "daily" or a size (digits and K, M or G, powers of 1024,
// at least 1K). False for any other text.
bool ParseRotation(const std::string& text, TRotation& rotation);

// The row of the range table for volts; else -1 and the reason naming the ranges.
int MatchRange(double volts, std::string& error);

extern const char* const CliUsage;
extern const char* const ListUsage;
extern const char* const MeasureUsage;
extern const char* const ServeUsage;

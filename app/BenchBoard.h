#pragma once

#include "readings/BenchFunctions.h"
#include "settings/SettingsValues.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The bench-meter functions of the four channels with the trends of their shown
// readings: what the limits window shows and the reading log's verdicts come from. Kept
// by the main window's link, so the settings file's limits judge every frame whether the
// window was ever opened or not. Plain data, used on the GUI thread only.
class TBenchBoard {
public:
    static constexpr double MillivoltsPerVolt = 1000.0;

    // The shown readings over time (millivolts) since the run's start or the channel's reset.
    struct TTrend {
        std::vector<double> Seconds;
        std::vector<double> Values;
        void Clear() {
            Seconds.clear();
            Values.clear();
        }
    };

    // Pre: every channel's settings pass readings::ValidateBenchSettings.
    void Configure(const settings::LimitsSettings& limits);
    // The settings in force; a null still waiting for its reading is kept as off.
    settings::LimitsSettings Limits() const;

    // A run starts: statistics and trends afresh, the trends' clock from now.
    void Start();
    // Channel c's absolute reading of a frame in, taken `seconds` after the run's start;
    // what it shows out. Its trend grows.
    const readings::TBenchResult& Take(int c, double volts, bool overload, double seconds);
    double SecondsSinceStart() const;
    // Statistics, average and trend of channel c afresh.
    void Reset(int c);

    readings::TBenchChannel& Channel(int c) { return channels_[Index(c)]; }
    const readings::TBenchChannel& Channel(int c) const { return channels_[Index(c)]; }
    const TTrend& Trend(int c) const { return trends_[Index(c)]; }
    // The readings taken since the board was made (the window refreshes when it grew).
    std::uint64_t Taken() const { return taken_; }

private:
    static std::size_t Index(int c) { return static_cast<std::size_t>(c); }

    readings::TBenchChannels channels_;
    std::array<TTrend, 4> trends_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::uint64_t taken_ = 0;
};

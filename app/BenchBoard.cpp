#include "app/BenchBoard.h"

void TBenchBoard::Configure(const settings::LimitsSettings& limits) {
    for (std::size_t c = 0; c < channels_.size(); ++c) channels_[c].Configure(limits[c]);
}

settings::LimitsSettings TBenchBoard::Limits() const {
    settings::LimitsSettings limits;
    for (std::size_t c = 0; c < channels_.size(); ++c) {
        limits[c] = channels_[c].Settings();
        if (limits[c].NullMode == readings::TNullMode::NextReading) limits[c].NullMode = readings::TNullMode::Off;
    }
    return limits;
}

void TBenchBoard::Start() {
    start_ = std::chrono::steady_clock::now();
    for (int c = 0; c < 4; ++c) Reset(c);
}

double TBenchBoard::SecondsSinceStart() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

const readings::TBenchResult& TBenchBoard::Take(int c, double volts, bool overload, double seconds) {
    readings::TBenchChannel& channel = channels_[Index(c)];
    channel.Add(volts, overload);
    const readings::TBenchResult& result = channel.Last();
    TTrend& trend = trends_[Index(c)];
    trend.Seconds.push_back(seconds);
    trend.Values.push_back(result.Shown * MillivoltsPerVolt);
    ++taken_;
    return result;
}

void TBenchBoard::Reset(int c) {
    channels_[Index(c)].Reset();
    trends_[Index(c)].Clear();
}

#pragma once

#include "readings/ReadingFormat.h"

#include <array>
#include <cstdint>
#include <string>

namespace readings {

// Per channel: count, minimum, maximum, mean and standard deviation of the volts of
// the frames seen (what the lines show: after null and averaging), the number of
// overloaded frames and, where the columns have a pass column, of passed and failed
// frames.
struct TChannelStats {
    std::uint64_t Count = 0;
    double Minimum = 0.0;
    double Maximum = 0.0;
    double Mean = 0.0;
    std::uint64_t Overloads = 0;
    std::uint64_t Passed = 0;
    std::uint64_t Failed = 0;
    double PeakToPeak() const { return Maximum - Minimum; }
    // The sample standard deviation (n - 1 in the denominator); 0 below two frames.
    double Deviation() const;

    double M2 = 0.0;  // sum of squared deviations from the mean (Welford)
};

class TReadingStats {
public:
    explicit TReadingStats(const TColumns& columns) : columns_(columns) {}
    // Counts every channel present in the reading.
    void Add(const TReading& reading);
    const TChannelStats& Channel(int c) const { return channels_[c]; }
    // Whether a frame of a channel with a pass column failed its limits.
    bool AnyFailed() const;

    // "channel,count,min_volts,max_volts,mean_volts,std_volts,overloads,ptp_volts,passed,failed"
    // and one line per enabled channel; passed and failed empty for a channel without
    // a pass column.
    std::string Csv() const;
    // {"stats": {"1": {"count": N, "min": V, "max": V, "mean": V, "std": V, "overloads": N,
    // "ptp": V, "passed": N, "failed": N}, ...}} and '\n'; passed and failed null for a
    // channel without a pass column.
    std::string JsonLine() const;

private:
    TColumns columns_;
    std::array<TChannelStats, 4> channels_{};
};

}  // namespace readings

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The bench-meter functions of one channel: a null offset, a moving average, limits
// with a verdict per frame and the statistics of what is shown. Plain C++ for the
// window, the command line and a remote-control server alike; nothing here
// allocates per frame.
namespace readings {

inline constexpr int MinAverageCount = 1;
inline constexpr int MaxAverageCount = 1000;

// Where the null offset comes from.
enum class TNullMode {
    Off,          // readings shown as measured
    Volts,        // NullVolts subtracted
    NextReading,  // the next frame's (averaged) reading becomes the offset, then Volts
};

// One channel's settings as the operator gives them.
struct TBenchSettings {
    TNullMode NullMode = TNullMode::Off;
    double NullVolts = 0.0;
    int AverageCount = 1;  // frames in the moving average, MinAverageCount ... MaxAverageCount
    bool LimitsOn = false;
    std::optional<double> Lower;  // volts, of the shown (relative, averaged) reading; absent: no lower limit
    std::optional<double> Upper;

    friend bool operator==(const TBenchSettings&, const TBenchSettings&) = default;
};

// The entries of TBenchSettings a message may name.
enum class TBenchField { NullVolts, AverageCount, Lower, Upper };

struct TBenchError {
    TBenchField Field;
    std::string Message;  // Russian, names the entry and the channel
};

// The first bad entry of channel c's (0 ... 3) settings, or none: a non-finite offset
// or limit, an averaging count outside 1 ... 1000, a lower limit above the upper one.
std::optional<TBenchError> ValidateBenchSettings(const TBenchSettings& settings, int channel);

// A number as the operator types it: optional sign, '.' or ',' as the decimal mark,
// an exponent; spaces around it ignored. None for anything else (empty, text, "nan",
// "inf", out of double's range).
std::optional<double> ParseBenchNumber(std::string_view text);

// The verdict of one shown reading against the limits.
enum class TVerdict {
    NotJudged,  // limits off
    Pass,
    FailLow,       // below the lower limit
    FailHigh,      // above the upper limit
    FailOverload,  // the reading comes from an overloaded frame: a fail whatever its value
};

inline bool IsFail(TVerdict v) {
    return v == TVerdict::FailLow || v == TVerdict::FailHigh || v == TVerdict::FailOverload;
}

// Statistics of the shown readings since the last reset.
struct TBenchStats {
    std::uint64_t Count = 0;
    double Minimum = 0.0;
    double Maximum = 0.0;
    double Mean = 0.0;
    double Deviation = 0.0;  // sample standard deviation (n - 1); 0 below two readings
    double PeakToPeak() const { return Maximum - Minimum; }
    std::uint64_t Overloads = 0;  // shown readings from overloaded frames
    std::uint64_t Passed = 0;     // judged readings that passed
    std::uint64_t FailedLow = 0;
    std::uint64_t FailedHigh = 0;
    std::uint64_t FailedOverload = 0;
    std::uint64_t Failed() const { return FailedLow + FailedHigh + FailedOverload; }
};

// A running mean and deviation that stay exact to a few units of the last place over
// 10^7 and more values on a large level: the values are taken relative to the first
// one (exact for a level that moves little), the relative sum is compensated
// (Neumaier), and the squared deviations are summed by Welford's update, compensated
// as well.
class TRunningMoments {
public:
    void Reset() { *this = TRunningMoments{}; }
    void Add(double x);
    std::uint64_t Count() const { return count_; }
    double Mean() const;
    // Sample standard deviation; 0 below two values.
    double Deviation() const;

private:
    std::uint64_t count_ = 0;
    double shift_ = 0.0;  // the first value
    double sum_ = 0.0;    // sum of x - shift_ ...
    double sumLow_ = 0.0;  // ... and its lost low-order part
    double m2_ = 0.0;     // sum of squared deviations from the running mean ...
    double m2Low_ = 0.0;  // ... and its lost low-order part
};

// What one frame gives on a channel.
struct TBenchResult {
    double Shown = 0.0;      // volts: the average of the last frames minus the offset
    bool Overload = false;   // a frame in the average was overloaded
    TVerdict Verdict = TVerdict::NotJudged;
    int Averaged = 0;        // frames in the average so far (fewer than N at the start)
};

// One channel's functions. Add() is called once per frame with the absolute reading;
// it costs a few dozen operations and never allocates.
class TBenchChannel {
public:
    // Pre: ValidateBenchSettings(settings) found nothing. Restarts the average when the
    // settings differ from those in force; statistics are kept (Reset clears them).
    void Configure(const TBenchSettings& settings);
    const TBenchSettings& Settings() const { return settings_; }

    // The absolute reading of a frame in, what is shown out.
    TBenchResult Add(double volts, bool overload);

    // Null on the current reading: the last frame's averaged absolute reading becomes the
    // offset (mode Volts); before any frame the next one's does (mode NextReading).
    // Restarts the average.
    void NullOnCurrentReading();

    // Clears the statistics and restarts the average.
    void Reset();

    const TBenchStats& Stats() const { return stats_; }
    // The last frame's result (Averaged 0 before any frame since the last restart).
    const TBenchResult& Last() const { return last_; }

private:
    void RestartAverage();
    TVerdict Judge(double shown, bool overload) const;

    TBenchSettings settings_;
    std::array<double, MaxAverageCount> window_{};  // absolute readings, a ring
    std::array<bool, MaxAverageCount> windowOverload_{};
    int next_ = 0;   // where the next reading goes
    int filled_ = 0;
    int overloadsInWindow_ = 0;
    double windowSum_ = 0.0;  // sum of the ring, re-summed whenever it wraps to stay exact
    double lastAbsolute_ = 0.0;  // the last averaged absolute reading, while filled_ > 0
    TRunningMoments moments_;
    TBenchStats stats_;
    TBenchResult last_;
};

// The four channels of a run.
using TBenchChannels = std::array<TBenchChannel, 4>;

// Verdict as a word for lines and tables: "pass", "low", "high", "overload", "" when not judged.
std::string_view VerdictWord(TVerdict verdict);

}  // namespace readings

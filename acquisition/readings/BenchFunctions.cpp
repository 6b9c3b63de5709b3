#include "readings/BenchFunctions.h"

#include <charconv>
#include <cmath>
#include <string>

namespace readings {

namespace {

std::string ChannelText(int channel) { return "канал " + std::to_string(channel + 1); }

// Neumaier's step: sum + x with the rounding error kept in low.
void CompensatedAdd(double& sum, double& low, double x) {
    const double t = sum + x;
    if (std::fabs(sum) >= std::fabs(x))
        low += (sum - t) + x;
    else
        low += (x - t) + sum;
    sum = t;
}

}  // namespace

std::optional<TBenchError> ValidateBenchSettings(const TBenchSettings& s, int channel) {
    const std::string where = " (" + ChannelText(channel) + ")";
    if (!std::isfinite(s.NullVolts))
        return TBenchError{TBenchField::NullVolts, "Смещение нуля должно быть конечным числом вольт" + where + "."};
    if (s.AverageCount < MinAverageCount || s.AverageCount > MaxAverageCount)
        return TBenchError{TBenchField::AverageCount, "Число усредняемых кадров должно быть от " +
                                                          std::to_string(MinAverageCount) + " до " +
                                                          std::to_string(MaxAverageCount) + where + "."};
    if (s.Lower && !std::isfinite(*s.Lower))
        return TBenchError{TBenchField::Lower, "Нижний допуск должен быть конечным числом вольт" + where + "."};
    if (s.Upper && !std::isfinite(*s.Upper))
        return TBenchError{TBenchField::Upper, "Верхний допуск должен быть конечным числом вольт" + where + "."};
    if (s.Lower && s.Upper && *s.Lower > *s.Upper)
        return TBenchError{TBenchField::Lower, "Нижний допуск выше верхнего" + where + "."};
    return std::nullopt;
}

std::optional<double> ParseBenchNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty() || text.size() > 64) return std::nullopt;
    char buffer[65];
    std::size_t n = 0;
    for (char ch : text) {
        const bool allowed = (ch >= '0' && ch <= '9') || ch == '+' || ch == '-' || ch == '.' || ch == ',' ||
                             ch == 'e' || ch == 'E';
        if (!allowed) return std::nullopt;  // no "nan", "inf", hex or units
        buffer[n++] = ch == ',' ? '.' : ch;
    }
    const char* begin = buffer;
    if (*begin == '+') ++begin;  // from_chars takes a minus only
    double value = 0.0;
    const auto [end, error] = std::from_chars(begin, buffer + n, value);
    if (error != std::errc{} || end != buffer + n || !std::isfinite(value)) return std::nullopt;
    return value;
}

void TRunningMoments::Add(double x) {
    if (count_ == 0) shift_ = x;
    const double d = x - shift_;
    const double meanBefore = count_ == 0 ? 0.0 : (sum_ + sumLow_) / static_cast<double>(count_);
    ++count_;
    CompensatedAdd(sum_, sumLow_, d);
    const double meanAfter = (sum_ + sumLow_) / static_cast<double>(count_);
    CompensatedAdd(m2_, m2Low_, (d - meanBefore) * (d - meanAfter));
}

double TRunningMoments::Mean() const {
    return count_ == 0 ? 0.0 : shift_ + (sum_ + sumLow_) / static_cast<double>(count_);
}

double TRunningMoments::Deviation() const {
    if (count_ < 2) return 0.0;
    const double m2 = m2_ + m2Low_;
    return m2 > 0.0 ? std::sqrt(m2 / static_cast<double>(count_ - 1)) : 0.0;
}

void TBenchChannel::Configure(const TBenchSettings& settings) {
    if (settings == settings_) return;
    settings_ = settings;
    RestartAverage();
}

void TBenchChannel::RestartAverage() {
    next_ = 0;
    filled_ = 0;
    overloadsInWindow_ = 0;
    windowSum_ = 0.0;
    last_ = TBenchResult{};
}

void TBenchChannel::Reset() {
    RestartAverage();
    moments_.Reset();
    stats_ = TBenchStats{};
}

void TBenchChannel::NullOnCurrentReading() {
    if (filled_ > 0) {  // a reading since the average restarted
        settings_.NullMode = TNullMode::Volts;
        settings_.NullVolts = lastAbsolute_;
    } else {
        settings_.NullMode = TNullMode::NextReading;
    }
    RestartAverage();
}

TVerdict TBenchChannel::Judge(double shown, bool overload) const {
    if (!settings_.LimitsOn) return TVerdict::NotJudged;
    if (overload) return TVerdict::FailOverload;
    if (settings_.Lower && shown < *settings_.Lower) return TVerdict::FailLow;
    if (settings_.Upper && shown > *settings_.Upper) return TVerdict::FailHigh;
    return TVerdict::Pass;
}

TBenchResult TBenchChannel::Add(double volts, bool overload) {
    const int n = settings_.AverageCount;
    if (filled_ == n) {  // the oldest reading leaves the window
        windowSum_ -= window_[next_];
        if (windowOverload_[next_]) --overloadsInWindow_;
    } else {
        ++filled_;
    }
    window_[next_] = volts;
    windowOverload_[next_] = overload;
    windowSum_ += volts;
    if (overload) ++overloadsInWindow_;
    if (++next_ == n) {
        next_ = 0;
        // Once per turn of the ring: the sum afresh, so that rounding never builds up.
        windowSum_ = 0.0;
        for (int k = 0; k < filled_; ++k) windowSum_ += window_[k];
    }
    const double absolute = n == 1 ? volts : windowSum_ / static_cast<double>(filled_);
    lastAbsolute_ = absolute;
    if (settings_.NullMode == TNullMode::NextReading) {
        settings_.NullMode = TNullMode::Volts;
        settings_.NullVolts = absolute;
    }
    const double offset = settings_.NullMode == TNullMode::Volts ? settings_.NullVolts : 0.0;

    TBenchResult& r = last_;
    r.Shown = absolute - offset;
    r.Overload = overloadsInWindow_ > 0;
    r.Verdict = Judge(r.Shown, r.Overload);
    r.Averaged = filled_;

    TBenchStats& s = stats_;
    moments_.Add(r.Shown);
    if (s.Count == 0) {
        s.Minimum = s.Maximum = r.Shown;
    } else {
        if (r.Shown < s.Minimum) s.Minimum = r.Shown;
        if (r.Shown > s.Maximum) s.Maximum = r.Shown;
    }
    s.Count = moments_.Count();
    s.Mean = moments_.Mean();
    s.Deviation = moments_.Deviation();
    if (r.Overload) ++s.Overloads;
    switch (r.Verdict) {
    case TVerdict::NotJudged: break;
    case TVerdict::Pass: ++s.Passed; break;
    case TVerdict::FailLow: ++s.FailedLow; break;
    case TVerdict::FailHigh: ++s.FailedHigh; break;
    case TVerdict::FailOverload: ++s.FailedOverload; break;
    }
    return r;
}

std::string_view VerdictWord(TVerdict verdict) {
    switch (verdict) {
    case TVerdict::NotJudged: return "";
    case TVerdict::Pass: return "pass";
    case TVerdict::FailLow: return "low";
    case TVerdict::FailHigh: return "high";
    case TVerdict::FailOverload: return "overload";
    }
    return "";
}

}  // namespace readings

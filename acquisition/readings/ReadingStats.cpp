#include "readings/ReadingStats.h"

#include <algorithm>
#include <cmath>

namespace readings {

double TChannelStats::Deviation() const { return Count < 2 ? 0.0 : std::sqrt(M2 / static_cast<double>(Count - 1)); }

void TReadingStats::Add(const TReading& reading) {
    for (std::size_t c = 0; c < channels_.size(); ++c) {
        const TChannelReading& channel = reading.Channels[c];
        if (!columns_.Enabled[c] || !channel.Present) continue;
        TChannelStats& s = channels_[c];
        const double v = channel.Volts;
        ++s.Count;
        if (s.Count == 1) {
            s.Minimum = s.Maximum = v;
        } else {
            s.Minimum = std::min(s.Minimum, v);
            s.Maximum = std::max(s.Maximum, v);
        }
        // Welford's update keeps the deviation exact for a small spread on a large level.
        const double delta = v - s.Mean;
        s.Mean += delta / static_cast<double>(s.Count);
        s.M2 += delta * (v - s.Mean);
        if (channel.Overload) ++s.Overloads;
        if (columns_.Pass[c] && channel.Verdict != TVerdict::NotJudged) ++(IsFail(channel.Verdict) ? s.Failed : s.Passed);
    }
}

bool TReadingStats::AnyFailed() const {
    for (const TChannelStats& s : channels_)
        if (s.Failed > 0) return true;
    return false;
}

std::string TReadingStats::Csv() const {
    std::string text = "channel,count,min_volts,max_volts,mean_volts,std_volts,overloads,ptp_volts,passed,failed\n";
    for (std::size_t c = 0; c < channels_.size(); ++c) {
        if (!columns_.Enabled[c]) continue;
        const TChannelStats& s = channels_[c];
        text += std::to_string(c + 1) + ',' + std::to_string(s.Count);
        if (s.Count > 0) {
            text += ',' + NumberText(s.Minimum) + ',' + NumberText(s.Maximum) + ',' + NumberText(s.Mean) + ',' +
                    NumberText(s.Deviation());
        } else {
            text += ",,,,";
        }
        text += ',' + std::to_string(s.Overloads) + ',' + (s.Count > 0 ? NumberText(s.PeakToPeak()) : std::string());
        if (columns_.Pass[c])
            text += ',' + std::to_string(s.Passed) + ',' + std::to_string(s.Failed) + '\n';
        else
            text += ",,\n";
    }
    return text;
}

std::string TReadingStats::JsonLine() const {
    std::string line = "{\"stats\": {";
    bool first = true;
    const auto number = [](double v) { return std::isfinite(v) ? NumberText(v) : std::string("null"); };
    for (std::size_t c = 0; c < channels_.size(); ++c) {
        if (!columns_.Enabled[c]) continue;
        const TChannelStats& s = channels_[c];
        if (!first) line += ", ";
        first = false;
        line += "\"" + std::to_string(c + 1) + "\": {\"count\": " + std::to_string(s.Count);
        if (s.Count > 0) {
            line += ", \"min\": " + number(s.Minimum) + ", \"max\": " + number(s.Maximum) +
                    ", \"mean\": " + number(s.Mean) + ", \"std\": " + number(s.Deviation());
        } else {
            line += ", \"min\": null, \"max\": null, \"mean\": null, \"std\": null";
        }
        line += ", \"overloads\": " + std::to_string(s.Overloads);
        line += ", \"ptp\": " + (s.Count > 0 ? number(s.PeakToPeak()) : std::string("null"));
        if (columns_.Pass[c])
            line += ", \"passed\": " + std::to_string(s.Passed) + ", \"failed\": " + std::to_string(s.Failed) + '}';
        else
            line += ", \"passed\": null, \"failed\": null}";
    }
    line += "}}\n";
    return line;
}

}  // namespace readings

#include "serve/Metrics.h"

#include <prometheus/metric_family.h>
#include <prometheus/text_serializer.h>

#include <chrono>
#include <sstream>

namespace serve {

namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;

std::vector<ClientMetric::Label> ModuleLabels(const TModuleSnapshot& module) {
    return {{"crate", module.Crate}, {"slot", std::to_string(module.Slot)}, {"module", module.Serial}};
}

ClientMetric Gauge(std::vector<ClientMetric::Label> labels, double value) {
    ClientMetric metric;
    metric.label = std::move(labels);
    metric.gauge.value = value;
    return metric;
}

}  // namespace

std::string MetricsText(const std::vector<TModuleSnapshot>& modules) {
    MetricFamily connected{"voltcheck_module_connected", "1 while the module is open and measuring, 0 while it is lost",
                           MetricType::Gauge, {}};
    MetricFamily frames{"voltcheck_module_frames_total", "Frames the module has measured since serving began",
                        MetricType::Counter, {}};
    MetricFamily lastFrame{"voltcheck_module_last_frame_timestamp_seconds",
                           "Unix time of the module's last frame", MetricType::Gauge, {}};
    MetricFamily volts{"voltcheck_channel_volts", "The channel's DC or AC value of the last frame in volts",
                       MetricType::Gauge, {}};
    MetricFamily hertz{"voltcheck_channel_hertz", "The frequency of the channel's signal in the last frame",
                       MetricType::Gauge, {}};
    MetricFamily overload{"voltcheck_channel_overload", "1 when the last frame overloaded the channel's range",
                          MetricType::Gauge, {}};
    // The bench-meter functions: the values above are what is shown (after null and
    // averaging), and so are the statistics since they were last cleared.
    MetricFamily pass{"voltcheck_channel_pass", "1 when the last shown reading is within the channel's limits, 0 when not",
                      MetricType::Gauge, {}};
    MetricFamily lower{"voltcheck_channel_limit_lower_volts", "The channel's lower limit", MetricType::Gauge, {}};
    MetricFamily upper{"voltcheck_channel_limit_upper_volts", "The channel's upper limit", MetricType::Gauge, {}};
    MetricFamily counted{"voltcheck_channel_stats_readings", "Shown readings in the channel's statistics",
                          MetricType::Gauge, {}};
    MetricFamily minimum{"voltcheck_channel_stats_min_volts", "The least shown reading", MetricType::Gauge, {}};
    MetricFamily maximum{"voltcheck_channel_stats_max_volts", "The greatest shown reading", MetricType::Gauge, {}};
    MetricFamily mean{"voltcheck_channel_stats_mean_volts", "The mean of the shown readings", MetricType::Gauge, {}};
    MetricFamily deviation{"voltcheck_channel_stats_stddev_volts",
                           "The sample standard deviation of the shown readings", MetricType::Gauge, {}};
    MetricFamily peakToPeak{"voltcheck_channel_stats_peak_to_peak_volts",
                            "The greatest minus the least shown reading", MetricType::Gauge, {}};
    MetricFamily passed{"voltcheck_channel_stats_passed", "Shown readings within the channel's limits",
                        MetricType::Gauge, {}};
    MetricFamily failed{"voltcheck_channel_stats_failed",
                        "Shown readings outside the channel's limits or overloaded", MetricType::Gauge, {}};
    for (const TModuleSnapshot& module : modules) {
        connected.metric.push_back(Gauge(ModuleLabels(module), module.Link == TLink::Measuring ? 1.0 : 0.0));
        ClientMetric count;
        count.label = ModuleLabels(module);
        count.counter.value = static_cast<double>(module.Frames);
        frames.metric.push_back(count);
        if (!module.Last) continue;
        const TServedFrame& frame = *module.Last;
        lastFrame.metric.push_back(
            Gauge(ModuleLabels(module),
                  std::chrono::duration<double>(frame.Reading.Time.time_since_epoch()).count()));
        for (int c = 0; c < 4; ++c) {
            const readings::TChannelReading& reading = frame.Reading.Channels[c];
            if (!frame.Columns.Enabled[c] || !reading.Present) continue;
            std::vector<ClientMetric::Label> labels = ModuleLabels(module);
            labels.push_back({"channel", std::to_string(c + 1)});
            labels.push_back({"mode", frame.Settings.ChannelMode[c] == computation::TChannelMode::Ac ? "ac" : "dc"});
            volts.metric.push_back(Gauge(labels, reading.Volts));
            overload.metric.push_back(Gauge(labels, reading.Overload ? 1.0 : 0.0));
            if (frame.Columns.Hertz[c]) hertz.metric.push_back(Gauge(labels, reading.Hertz));
            const readings::TBenchSettings& bench = module.Bench[c];
            const readings::TBenchStats& stats = module.Stats[c];
            if (frame.Columns.Pass[c] && reading.Verdict != readings::TVerdict::NotJudged)
                pass.metric.push_back(Gauge(labels, readings::IsFail(reading.Verdict) ? 0.0 : 1.0));
            if (bench.LimitsOn && bench.Lower) lower.metric.push_back(Gauge(labels, *bench.Lower));
            if (bench.LimitsOn && bench.Upper) upper.metric.push_back(Gauge(labels, *bench.Upper));
            counted.metric.push_back(Gauge(labels, static_cast<double>(stats.Count)));
            if (stats.Count > 0) {
                minimum.metric.push_back(Gauge(labels, stats.Minimum));
                maximum.metric.push_back(Gauge(labels, stats.Maximum));
                mean.metric.push_back(Gauge(labels, stats.Mean));
                deviation.metric.push_back(Gauge(labels, stats.Deviation));
                peakToPeak.metric.push_back(Gauge(labels, stats.PeakToPeak()));
            }
            if (bench.LimitsOn) {
                passed.metric.push_back(Gauge(labels, static_cast<double>(stats.Passed)));
                failed.metric.push_back(Gauge(labels, static_cast<double>(stats.Failed())));
            }
        }
    }
    std::vector<MetricFamily> families;
    for (MetricFamily* family : {&connected, &frames, &lastFrame, &volts, &hertz, &overload, &pass, &lower, &upper,
                                 &counted, &minimum, &maximum, &mean, &deviation, &peakToPeak, &passed, &failed})
        if (!family->metric.empty()) families.push_back(std::move(*family));
    std::ostringstream text;
    prometheus::TextSerializer().Serialize(text, families);
    return text.str();
}

}  // namespace serve

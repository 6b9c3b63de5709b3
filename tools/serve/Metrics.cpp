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
        }
    }
    std::vector<MetricFamily> families;
    for (MetricFamily* family : {&connected, &frames, &lastFrame, &volts, &hertz, &overload})
        if (!family->metric.empty()) families.push_back(std::move(*family));
    std::ostringstream text;
    prometheus::TextSerializer().Serialize(text, families);
    return text.str();
}

}  // namespace serve

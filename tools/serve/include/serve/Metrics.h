#pragma once

#include "serve/ServedModule.h"

#include <string>
#include <vector>

namespace serve {

// The served modules in Prometheus' text format (prometheus-cpp's serializer):
//   voltcheck_module_connected, voltcheck_module_frames_total,
//   voltcheck_module_last_frame_timestamp_seconds   {crate, slot, module}
//   voltcheck_channel_volts, voltcheck_channel_overload      {crate, slot, module, channel, mode}
//   voltcheck_channel_hertz (AC with the spectral method)    {crate, slot, module, channel, mode}
// The channel series are those of each module's last frame (mode "dc" or "ac").
std::string MetricsText(const std::vector<TModuleSnapshot>& modules);

}  // namespace serve

#pragma once

#include "CliOptions.h"
#include "run/ChannelDisplay.h"
#include "run/MeasurementRun.h"
#include "run/ModuleConfiguration.h"

#include <optional>
#include <string>

// The parameters of a measurement: the settings file (or a new file's defaults) with
// the command line over them, as measure and serve run them.
struct TMeasureSetup {
    run::TModuleParameters Parameters;
    run::TRunSettings Settings;
    std::optional<std::string> CrateSerial;  // from the command line: this module or a failure
    std::optional<int> Slot;
    std::optional<std::string> WantedCrate;  // from the settings file: this module if present
    std::optional<int> WantedSlot;
    run::TDisplayPatterns Patterns;  // the window's display patterns of the settings
};

// False with the reason when the settings file cannot be read.
bool MakeSetup(const TCliOptions& o, TMeasureSetup& setup, std::string& error);

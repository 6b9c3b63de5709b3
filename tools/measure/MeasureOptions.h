#pragma once

#include <string>

#include "computation/ChannelComputation.h"

// Command line of voltcheck-measure.
struct TMeasureOptions {
    std::string Input;                 // file name, or "-" for standard input
    double Rate = 78125.0;             // hertz
    computation::TMethod Method = computation::TMethod::Spectral;
    computation::TChannelMode Mode = computation::TChannelMode::Ac;
    computation::TAmplitudeType Amplitude = computation::TAmplitudeType::Rms;
    bool Help = false;
};

// Parses argv[1 ...]. On failure returns false with a one-line reason in error.
bool ParseMeasureOptions(int argc, const char* const* argv, TMeasureOptions& options, std::string& error);

extern const char* const MeasureUsage;

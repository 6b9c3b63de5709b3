#pragma once

#include <string>

// The texts of the generator entries after Enter, and the amplitude label.
struct TGeneratorEntries {
    std::string Frequency;       // kHz
    std::string Amplitude;       // volts
    std::string AmplitudeLabel;  // empty: the label keeps its text
};

// The generator's limits: the highest frequency and the amplitude of a DC level
// (an AC amplitude is an RMS value, at most maxVolts / sqrt(2)). Frequencies
// above 0.001 count as AC.
constexpr double GeneratorMaxFrequency = 4900.0;

// Enter in the frequency entry: clamps the frequency, sets the amplitude label
// for AC or DC and clamps the amplitude. Throws EConvertError when the amplitude
// text, or a frequency text that is not empty, is not a number.
TGeneratorEntries ConfirmGeneratorFrequency(const std::string& frequency, const std::string& amplitude,
                                            double maxVolts);
// Enter in the amplitude entry: clamps the amplitude (AC: its magnitude) and
// writes it with five decimals. Throws EConvertError when the frequency text, or
// an amplitude text that is not empty, is not a number.
TGeneratorEntries ConfirmGeneratorAmplitude(const std::string& frequency, const std::string& amplitude,
                                            double maxVolts);

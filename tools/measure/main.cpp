// voltcheck-measure: the program's measurement of one channel, applied to a recorded frame.

#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "FrameReader.h"
#include "MeasureOptions.h"
#include "RealFFT/TRealFft.h"
#include "computation/ChannelComputation.h"

namespace {

constexpr std::size_t MaxSpectralLength = std::size_t{1} << 24; // the program's largest frame

int Fail(const std::string& message)
{
    std::fprintf(stderr, "voltcheck-measure: %s\n", message.c_str());
    return 1;
}

int Run(int argc, char** argv)
{
    TMeasureOptions options;
    std::string error;
    if (!ParseMeasureOptions(argc, argv, options, error)) {
        std::fputs(MeasureUsage, stderr);
        return Fail(error);
    }
    if (options.Help) {
        std::fputs(MeasureUsage, stdout);
        return 0;
    }
    std::vector<double> data;
    if (!ReadFrame(options.Input, data, error)) {
        return Fail(error);
    }
    const std::size_t n = data.size();
    std::vector<double> window(n);
    computation::TChannelResult result;
    computation::TChannelStatus status;
    if (options.Method == computation::TMethod::Spectral) {
        if (!TREALFFT::IsUsableLength(static_cast<std::uint32_t>(n)) || n > MaxSpectralLength) {
            return Fail("для спектрального метода нужна степень двойки от 1 до 16777216 отсчётов, получено "
                        + std::to_string(n));
        }
        TREALFFT fft(static_cast<std::uint32_t>(n), nullptr);
        fft.MakeWindow(window.data(), AnalysisWindowType);
        std::vector<double> spectrum(n);
        status = computation::ComputeSpectral(fft, data.data(), window.data(), spectrum.data(), options.Rate,
                                              computation::WindowPower(), options.Mode, options.Amplitude,
                                              nullptr, result);
    } else {
        BuildAnalysisWindow(window.data(), n, nullptr);
        status = computation::ComputeWeightedSum(data.data(), window.data(), n, computation::WindowSum(n),
                                                 options.Mode, options.Amplitude, result);
    }
    if (status == computation::TChannelStatus::NoSignal) {
        std::printf("%.*s\n", static_cast<int>(computation::NoSignalMessage.size()),
                    computation::NoSignalMessage.data());
        return 2;
    }
    std::printf("dc=%.17g ac=%.17g frequency=%.17g\n", result.DcValue, result.AcValue, result.Frequency);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        return Fail("не хватает памяти для этого кадра");
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}

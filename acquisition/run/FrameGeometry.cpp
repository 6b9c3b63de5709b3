#include "run/FrameGeometry.h"

#include <charconv>
#include <cmath>
#include <unistd.h>

namespace run {

namespace {

constexpr std::uint64_t SpectralWordLimit = 16777216;  // 2^24 samples of all channels together
constexpr std::uint64_t SpareElements = 16;
constexpr double MiB = 1024.0 * 1024.0;

// A number as the operator reads it, with '.' whatever the locale.
std::string NumberText(double value) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 12);
    return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

std::string TimeText(double maxTime) { return "Максимальное время сбора кадра " + NumberText(maxTime) + " с"; }

}  // namespace

double TFrameGeometry::FrameMilliseconds() const {
    return AdcFrequency > 0.0 ? SamplesPerChannel * 1000.0 / AdcFrequency : 0.0;
}

std::uint64_t RunMemoryBytes(std::uint64_t samplesPerChannel, std::uint32_t activeChannels, bool spectral) {
    const std::uint64_t words = samplesPerChannel * activeChannels;
    const std::uint64_t perChannel = (samplesPerChannel + SpareElements) * sizeof(double);
    std::uint64_t bytes = words * sizeof(std::uint32_t) + words * sizeof(double) + 2 * perChannel;
    // The third array, and the engine's tables: work buffer and bit-reversal table (N
    // each) and cosine table (N / 2).
    if (spectral) bytes += perChannel + samplesPerChannel * (sizeof(double) + sizeof(long)) + samplesPerChannel / 2 * sizeof(double);
    return bytes;
}

std::uint64_t RunMemoryLimit() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return std::uint64_t{1} << 30;  // unknown: 1 GiB
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize) / 2;
}

void AssignChannelSlots(const std::array<bool, 4>& enabled, TFrameGeometry& geometry) {
    geometry.ActiveChannels = 0;
    for (std::size_t c = 0; c < enabled.size(); ++c) {
        geometry.ChannelSlot[c] = -1;
        if (enabled[c]) geometry.ChannelSlot[c] = static_cast<std::int16_t>(geometry.ActiveChannels++);
    }
}

bool ComputeFrameGeometry(double adcFrequency, computation::TMethod method, double maxTime, std::uint64_t memoryLimit,
                          TFrameGeometry& geometry, std::string& message) {
    const std::uint32_t channels = geometry.ActiveChannels;
    const double F = adcFrequency;
    if (!std::isfinite(maxTime) || !(maxTime > 0.0)) {
        message = "Недопустимое максимальное время сбора кадра: " + NumberText(maxTime) +
                  " с!\nВремя сбора кадра должно быть конечным числом больше 0.";
        return false;
    }
    // Samples per channel, in 64 bits (a double for the weighted sum, since T x F may exceed any integer).
    std::uint64_t n = 0;
    if (method == computation::TMethod::Spectral) {
        n = 1;
        const std::uint64_t limit = SpectralWordLimit / channels;
        for (int i = 0; i < 32; ++i) {
            if (n * channels >= limit) break;
            if (static_cast<double>(n) / F >= maxTime) break;
            n *= 2;
        }
    } else {
        const double samples = std::trunc(maxTime * F);
        const double wordLimit = static_cast<double>(MaxFrameWords) / channels;
        if (samples > wordLimit) {
            message = TimeText(maxTime) + " слишком велико: кадр из " + NumberText(samples) +
                      " отсчётов на канал больше допустимых " + NumberText(std::floor(wordLimit)) +
                      " отсчётов на канал!\nУменьшите время сбора кадра или частоту АЦП.";
            return false;
        }
        n = static_cast<std::uint64_t>(samples);
    }
    if (n == 0) {
        message = TimeText(maxTime) + " меньше периода АЦП: кадр не содержит ни одного отсчёта!\n"
                  "Время сбора кадра должно быть не меньше " + NumberText(1.0 / F) + " с.";
        return false;
    }
    const std::uint64_t bytes = RunMemoryBytes(n, channels, method == computation::TMethod::Spectral);
    if (bytes > memoryLimit) {
        message = TimeText(maxTime) + " слишком велико: буферам кадра нужно " + NumberText(std::ceil(bytes / MiB)) +
                  " МБ памяти, а допустимо не больше " + NumberText(std::floor(memoryLimit / MiB)) +
                  " МБ (половина памяти компьютера)!\nУменьшите время сбора кадра или частоту АЦП.";
        return false;
    }
    geometry.AdcFrequency = F;
    geometry.SamplesPerChannel = static_cast<std::uint32_t>(n);
    geometry.FrameWords = static_cast<std::uint32_t>(n * channels);
    const auto block = static_cast<std::uint32_t>(std::trunc(F * 0.1 * channels));
    geometry.RecvBlockWords = std::min(block, geometry.FrameWords);
    return true;
}

}  // namespace run

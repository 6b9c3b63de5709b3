#pragma once

#include "computation/ChannelComputation.h"

#include <array>
#include <cstdint>
#include <string>

namespace run {

// Where the samples of a run stand: fixed by the module configuration, the same
// for every frame of the run.
struct TFrameGeometry {
    double AdcFrequency = 0.0;         // F, hertz
    std::uint32_t ActiveChannels = 0;  // enabled channels, 1 ... 4
    // Block position of each channel in a converted frame: the k-th enabled channel
    // (channel order, from 0) has slot k; a disabled channel -1.
    std::array<std::int16_t, 4> ChannelSlot{-1, -1, -1, -1};
    std::uint32_t SamplesPerChannel = 0;  // N
    std::uint32_t FrameWords = 0;         // N x ActiveChannels
    std::uint32_t RecvBlockWords = 0;     // words of one receive call: 100 ms, at most a frame

    // The frame's duration N / F in milliseconds.
    double FrameMilliseconds() const;
};

// The largest frame in module words: the conversion call counts words in 32 bits.
inline constexpr std::uint64_t MaxFrameWords = 0x7FFFFFFF;

// Bytes a run of N samples per channel and that many channels holds: the receive
// words, the converted frame, the three per-channel arrays (N + 16 each; the
// spectral method's third one and its engine's tables only with spectral).
std::uint64_t RunMemoryBytes(std::uint64_t samplesPerChannel, std::uint32_t activeChannels, bool spectral);

// The most a run may hold: half of the machine's physical memory.
std::uint64_t RunMemoryLimit();

// Channel slots and count from the enable states.
void AssignChannelSlots(const std::array<bool, 4>& enabled, TFrameGeometry& geometry);

// The frame of a run. geometry's slots and channel count are set (ActiveChannels >= 1);
// adcFrequency is the selected rate's F and maxTime the run's maximum acquisition time T.
// Weighted sum: N = trunc(T x F). Spectral: the smallest power of two with N / F >= T,
// capped at the first power of two where N x channels reaches 2^24 / channels: 2^24
// samples for one channel, 2^22 for two, 2^21 for three, 2^20 for four.
// Refused, with the operator's message naming the value and the limit, before any
// buffer is sized: T not a finite number above 0, a frame without a sample, a frame
// above MaxFrameWords, or buffers above memoryLimit bytes.
bool ComputeFrameGeometry(double adcFrequency, computation::TMethod method, double maxTime, std::uint64_t memoryLimit,
                          TFrameGeometry& geometry, std::string& message);

}  // namespace run

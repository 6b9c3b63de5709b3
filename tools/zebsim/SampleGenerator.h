// The words a ZEB44 module streams: the channel signals seen through the
// configured coupling and range, as 24-bit codes with the overload flag.
#pragma once

#include "Scenario.h"
#include "protocol/Messages.h"

#include <cstdint>
#include <random>
#include <vector>

namespace zebsim {

class SampleGenerator {
public:
    // startSeconds: signal time of the first sample instant.
    SampleGenerator(const Module& module, const zebwire::ModuleConfig& config, double startSeconds,
                    std::uint32_t seed);

    int activeChannels() const { return active_; }
    double frequency() const { return frequency_; }

    // Appends the words of stream positions [from, to): position w is sample
    // instant w / active of the (w % active)-th enabled channel.
    void generate(std::uint64_t from, std::uint64_t to, std::vector<std::uint32_t>& out);

private:
    double inputVolts(int channel, double t);

    const Module& module_;
    zebwire::ModuleConfig config_;
    double start_;
    double frequency_ = 0;
    int active_ = 0;
    int order_[4] = {0, 0, 0, 0};
    double fullScale_[4] = {1, 1, 1, 1};
    std::mt19937 random_;
    std::normal_distribution<double> gauss_{0.0, 1.0};
};

}  // namespace zebsim

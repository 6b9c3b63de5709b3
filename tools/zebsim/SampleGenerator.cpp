#include "SampleGenerator.h"

#include "protocol/AdcWord.h"

#include <cmath>
#include <numbers>

namespace zebsim {

SampleGenerator::SampleGenerator(const Module& module, const zebwire::ModuleConfig& config, double startSeconds,
                                 std::uint32_t seed)
    : module_(module), config_(config), start_(startSeconds), random_(seed) {
    frequency_ = zebwire::adcRate(config.rateIndex).value_or(zebwire::AdcRate{78125.0, 0, 1}).frequency;
    for (int ch = 0; ch < 4; ++ch) {
        if (config.enabled[ch] == 0) continue;
        order_[active_] = ch;
        fullScale_[active_] = zebwire::rangeVolts(config.rangeCode[ch]).value_or(10.0);
        ++active_;
    }
}

double SampleGenerator::inputVolts(int channel, double t) {
    if (config_.ownZero != 0) return module_.ownNoiseRms * gauss_(random_);
    const ChannelSignal& s = module_.channels[channel];
    double v = 0.0;
    if (s.amplitude != 0.0)
        v += s.amplitude * std::sin(2.0 * std::numbers::pi * s.frequency * t + s.phaseDeg * std::numbers::pi / 180.0);
    for (const SineComponent& k : s.components)
        v += k.amplitude * std::sin(2.0 * std::numbers::pi * k.frequency * t + k.phaseDeg * std::numbers::pi / 180.0);
    if (config_.dcCoupling != 0) v += s.dc;  // AC coupling blocks the DC part
    if (s.noiseRms != 0.0) v += s.noiseRms * gauss_(random_);
    return v;
}

void SampleGenerator::generate(std::uint64_t from, std::uint64_t to, std::vector<std::uint32_t>& out) {
    if (active_ == 0) return;
    const auto active = static_cast<std::uint64_t>(active_);
    out.reserve(out.size() + static_cast<std::size_t>(to - from));
    // Sample by sample, the channels of a sample in turn: one division per sample, not per word.
    std::uint64_t sample = from / active;
    int k = static_cast<int>(from % active);
    for (std::uint64_t w = from; w < to; ++sample, k = 0) {
        const double t = start_ + static_cast<double>(sample) / frequency_;
        for (; k < active_ && w < to; ++k, ++w) {
            bool overload = false;
            const std::int32_t code = zebwire::voltsToCode(inputVolts(order_[k], t), fullScale_[k], overload);
            out.push_back(zebwire::packWord(order_[k], code, overload));
        }
    }
}

}  // namespace zebsim

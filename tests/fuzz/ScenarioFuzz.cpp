// libFuzzer target for zebsim's scenario loader: any text either loads as a scenario
// that keeps the loader's promises, or is refused with a ScenarioError. Any other
// exception, a crash or undefined behaviour is a finding. What loads is then streamed
// for a few words per module, since every value it accepts reaches the sample generator.
#include "SampleGenerator.h"
#include "Scenario.h"
#include "protocol/AdcWord.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool Finite(const zebsim::ChannelSignal& s) {
    bool finite = std::isfinite(s.dc) && std::isfinite(s.amplitude) && std::isfinite(s.frequency) &&
                  std::isfinite(s.phaseDeg) && std::isfinite(s.noiseRms);
    for (const auto& c : s.components)
        finite = finite && std::isfinite(c.amplitude) && std::isfinite(c.frequency) && std::isfinite(c.phaseDeg);
    return finite;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zebsim::Scenario scenario;
    try {
        scenario = zebsim::parseScenario(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const zebsim::ScenarioError& e) {
        Check(e.what()[0] != '\0');  // the refusal says what is wrong
        return 0;
    }

    Check(scenario.crates.size() <= 16);
    std::set<std::string> serials;
    for (const zebsim::Crate& crate : scenario.crates) {
        Check(!crate.serial.empty() && crate.serial.size() <= 15);
        Check(serials.insert(crate.serial).second);
        Check(crate.type >= 0 && crate.type <= 255);
        Check(scenario.crate(crate.serial) == &crate);
        std::set<int> slots;
        for (const zebsim::Module& module : crate.modules) {
            Check(module.slot >= 1 && module.slot <= 16);
            Check(slots.insert(module.slot).second);
            Check(crate.moduleInSlot(module.slot) == &module);
            Check(module.name.size() <= 15 && module.serial.size() <= 15);
            Check(std::isfinite(module.ownNoiseRms) && module.ownNoiseRms >= 0);
            for (const auto& channel : module.channels) {
                Check(Finite(channel));
                Check(channel.components.size() <= zebsim::MaxSineComponents);
            }

            // A few words in the default configuration and in own-zero mode on the
            // most sensitive range: every word is a well-formed sample word.
            zebwire::ModuleConfig config;
            std::vector<std::uint32_t> words;
            zebsim::SampleGenerator(module, config, 0.5, 1).generate(0, 8, words);
            config.ownZero = 1;
            config.rangeCode = {3, 3, 3, 3};
            zebsim::SampleGenerator(module, config, 1e6, 2).generate(4, 12, words);
            Check(words.size() == 16);
            for (const std::uint32_t w : words) Check(zebwire::unpackWord(w).has_value());
        }
    }
    return 0;
}

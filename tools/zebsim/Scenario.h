// The simulated crate system: crates, the modules in their slots, the
// signals on each ZEB44 channel and the faults a module shows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zebsim {

// An extra sine on a channel's input (a harmonic, hum, a second tone).
struct SineComponent {
    double amplitude = 0.0;  // volts, peak
    double frequency = 0.0;  // hertz
    double phaseDeg = 0.0;   // degrees
};

struct ChannelSignal {
    double dc = 0.0;         // volts
    double amplitude = 0.0;  // volts, peak
    double frequency = 0.0;  // hertz
    double phaseDeg = 0.0;   // degrees
    double noiseRms = 0.0;   // volts, Gaussian
    std::vector<SineComponent> components;  // added to the main sine
};

// At most this many extra sines per channel.
inline constexpr std::size_t MaxSineComponents = 16;

struct ModuleFaults {
    bool failSetConfig = false;
    bool failStartAdc = false;
    bool failStopAdc = false;
    bool failClearBuffer = false;
    std::optional<std::uint64_t> stopAfterWords;  // per start: silent after K words
    std::optional<std::uint64_t> dropAfterWords;  // per start: connection closed after K words
    std::optional<std::uint64_t> corruptAfterWords;  // per start: the word at position K with a wrong tag
    std::optional<std::uint64_t> shortBlockAfterWords;  // once per open: pause after K words
    int shortBlockPauseMs = 1000;
};

struct Module {
    int slot = 0;                 // 1..16
    std::uint16_t id = 0x1616;    // 0x1616 = ZEB44
    std::string name = "ZEB44";
    std::string serial;
    std::uint32_t firmware = 0;
    bool answers = true;          // false: ZEB44_Open is refused
    double ownNoiseRms = 2e-6;    // volts, delivered in own-zero mode
    std::array<ChannelSignal, 4> channels{};
    ModuleFaults faults;

    bool isZeb44() const { return id == 0x1616; }
};

// The crate queries a crate fault can hit.
enum class CrateQuery { None, Info, Modules };

struct CrateFaults {
    bool refuseInfo = false;      // ZEB_GetCrateInfo answered with ZEB_ERR_REFUSED
    bool refuseModules = false;   // ZEB_GetCrateModules answered with ZEB_ERR_REFUSED
    CrateQuery dropOn = CrateQuery::None;  // half the reply sent, then the connection closed
    CrateQuery lateOn = CrateQuery::None;  // the reply sent lateMs after the query
    int lateMs = 3000;
};

struct Crate {
    std::string serial;
    int type = 0;
    std::vector<Module> modules;
    CrateFaults faults;

    const Module* moduleInSlot(int slot) const;
};

struct Scenario {
    std::vector<Crate> crates;
    bool refuseCrateList = false;  // ZEB_GetCrates answered with ZEB_ERR_REFUSED

    const Crate* crate(const std::string& serial) const;
};

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses and checks a scenario; throws ScenarioError naming the bad entry.
Scenario parseScenario(const std::string& jsonText);
Scenario loadScenarioFile(const std::string& path);

}  // namespace zebsim

#pragma once

#include "readings/BenchFunctions.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scpi {

// What a channel measures: its DC value, or its AC value (and with the spectral
// method the signal's frequency).
enum class TChannelFunction { Dc, Ac };

// The parameters of one served module that SCPI reads and changes, as rows of the
// instrument tables (instrument/Zeb44Tables.h).
struct TModuleSetup {
    int AdcRateIndex = 0;
    int ConnectionMode = 0;  // 0 AC and DC, 1 AC only, 2 the module's own zero
    bool Spectral = true;    // the spectral method: AC channels give a frequency
    std::array<bool, 4> Enabled{};
    std::array<int, 4> RangeIndex{};
    std::array<TChannelFunction, 4> Function{};
    std::array<readings::TBenchSettings, 4> Bench{};  // null, averaging and limits per channel

    friend bool operator==(const TModuleSetup&, const TModuleSetup&) = default;
};

// One channel of a measured frame.
struct TChannelValue {
    bool Present = false;  // the channel was measured in the frame
    double Volts = 0.0;    // its DC or AC value, as its function says
    double Hertz = 0.0;    // AC with the spectral method only
    bool Overload = false;
};

struct TFrameValues {
    std::array<TChannelValue, 4> Channels{};
    std::array<TChannelFunction, 4> Function{};  // of the run that measured the frame
};

// How a wait for a frame ended.
enum class TFrameWait { Measured, TimedOut, Disconnected };

// The served modules as SCPI sees them. Every call is safe from any client's thread;
// module is an index into Catalog().
class TInstrument {
public:
    // "CRATE:SLOT" of every served module, in the order of the command line.
    virtual std::vector<std::string> Catalog() const = 0;
    virtual std::string ModuleSerial(std::size_t module) const = 0;
    virtual std::string ProgramVersion() const = 0;
    virtual TModuleSetup Setup(std::size_t module) const = 0;
    // The setup the module was served with at the start (*RST returns to it).
    virtual TModuleSetup InitialSetup(std::size_t module) const = 0;
    // Whether the module can run with setup (its crate carries the data rate).
    virtual bool Accepts(std::size_t module, const TModuleSetup& setup) const = 0;
    // Changes the module's parameters: its run ends and a new one starts with them.
    // Frames measured before the call are never given out for a later wait.
    virtual void ChangeSetup(std::size_t module, const TModuleSetup& setup) = 0;
    // The statistics of each channel's shown readings since they were last cleared
    // (by ClearStatistics or a change of the channel's settings).
    virtual std::array<readings::TBenchStats, 4> Statistics(std::size_t module) const = 0;
    // Clears those of the listed channels and restarts their averages.
    virtual void ClearStatistics(std::size_t module, const std::array<bool, 4>& channels) = 0;
    // A mark of "now": frames whose acquisition starts after it are newer.
    virtual std::uint64_t FrameMark(std::size_t module) const = 0;
    // Waits (bounded by the module's frame duration) for the first frame whose
    // acquisition started after mark.
    virtual TFrameWait WaitFrame(std::size_t module, std::uint64_t mark, TFrameValues& frame) const = 0;

protected:
    ~TInstrument() = default;
};

}  // namespace scpi

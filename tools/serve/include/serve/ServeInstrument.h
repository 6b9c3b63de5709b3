#pragma once

#include "scpi/ScpiInstrument.h"
#include "serve/ServedModule.h"

#include <string>
#include <vector>

namespace serve {

// The served modules as the SCPI command set sees them.
class TServeInstrument final : public scpi::TInstrument {
public:
    // modules: outlive the instrument; version: the program's, for *IDN?.
    TServeInstrument(std::vector<TServedModule*> modules, std::string version);

    std::vector<std::string> Catalog() const override;
    std::string ModuleSerial(std::size_t module) const override;
    std::string ProgramVersion() const override { return version_; }
    scpi::TModuleSetup Setup(std::size_t module) const override;
    scpi::TModuleSetup InitialSetup(std::size_t module) const override;
    bool Accepts(std::size_t module, const scpi::TModuleSetup& setup) const override;
    void ChangeSetup(std::size_t module, const scpi::TModuleSetup& setup) override;
    std::array<readings::TBenchStats, 4> Statistics(std::size_t module) const override;
    void ClearStatistics(std::size_t module, const std::array<bool, 4>& channels) override;
    std::uint64_t FrameMark(std::size_t module) const override;
    scpi::TFrameWait WaitFrame(std::size_t module, std::uint64_t mark, scpi::TFrameValues& frame) const override;

private:
    std::vector<TServedModule*> modules_;
    std::string version_;
};

// The SCPI view of a served setup, and a served setup changed as the SCPI view says.
scpi::TModuleSetup ScpiSetup(const TServedSetup& setup);
TServedSetup ServedSetup(const TServedSetup& base, const scpi::TModuleSetup& setup);

}  // namespace serve

#include "serve/ServeInstrument.h"

namespace serve {

namespace {

scpi::TChannelFunction FunctionOf(computation::TChannelMode mode) {
    return mode == computation::TChannelMode::Ac ? scpi::TChannelFunction::Ac : scpi::TChannelFunction::Dc;
}

}  // namespace

scpi::TModuleSetup ScpiSetup(const TServedSetup& setup) {
    scpi::TModuleSetup s;
    s.AdcRateIndex = setup.Parameters.AdcRateIndex;
    s.ConnectionMode = setup.Parameters.ConnectionMode;
    s.Spectral = setup.Settings.ComputationMethod == computation::TMethod::Spectral;
    for (int c = 0; c < 4; ++c) {
        s.Enabled[c] = setup.Parameters.ChannelEnabled[c];
        s.RangeIndex[c] = setup.Parameters.RangeIndex[c];
        s.Function[c] = FunctionOf(setup.Settings.ChannelMode[c]);
    }
    s.Bench = setup.Bench;
    return s;
}

TServedSetup ServedSetup(const TServedSetup& base, const scpi::TModuleSetup& setup) {
    TServedSetup served = base;
    served.Parameters.AdcRateIndex = setup.AdcRateIndex;
    served.Parameters.ConnectionMode = setup.ConnectionMode;
    served.Settings.ComputationMethod =
        setup.Spectral ? computation::TMethod::Spectral : computation::TMethod::WeightedSum;
    for (int c = 0; c < 4; ++c) {
        served.Parameters.ChannelEnabled[c] = setup.Enabled[c];
        served.Parameters.RangeIndex[c] = setup.RangeIndex[c];
        served.Settings.RangeIndex[c] = setup.RangeIndex[c];
        served.Settings.ChannelMode[c] =
            setup.Function[c] == scpi::TChannelFunction::Ac ? computation::TChannelMode::Ac : computation::TChannelMode::Dc;
    }
    served.Bench = setup.Bench;
    return served;
}

TServeInstrument::TServeInstrument(std::vector<TServedModule*> modules, std::string version)
    : modules_(std::move(modules)), version_(std::move(version)) {}

std::vector<std::string> TServeInstrument::Catalog() const {
    std::vector<std::string> names;
    for (const TServedModule* module : modules_) names.push_back(module->Crate() + ":" + std::to_string(module->Slot()));
    return names;
}

std::string TServeInstrument::ModuleSerial(std::size_t module) const {
    return modules_.at(module)->Snapshot().Serial;
}

scpi::TModuleSetup TServeInstrument::Setup(std::size_t module) const {
    return ScpiSetup(modules_.at(module)->Setup());
}

scpi::TModuleSetup TServeInstrument::InitialSetup(std::size_t module) const {
    return ScpiSetup(modules_.at(module)->InitialSetup());
}

bool TServeInstrument::Accepts(std::size_t module, const scpi::TModuleSetup& setup) const {
    const TServedModule& served = *modules_.at(module);
    std::string message;
    return served.Carries(ServedSetup(served.Setup(), setup), message);
}

void TServeInstrument::ChangeSetup(std::size_t module, const scpi::TModuleSetup& setup) {
    TServedModule& served = *modules_.at(module);
    served.ChangeSetup(ServedSetup(served.Setup(), setup));
}

std::array<readings::TBenchStats, 4> TServeInstrument::Statistics(std::size_t module) const {
    return modules_.at(module)->Snapshot().Stats;
}

void TServeInstrument::ClearStatistics(std::size_t module, const std::array<bool, 4>& channels) {
    modules_.at(module)->ClearStatistics(channels);
}

std::uint64_t TServeInstrument::FrameMark(std::size_t module) const { return modules_.at(module)->FrameMark(); }

scpi::TFrameWait TServeInstrument::WaitFrame(std::size_t module, std::uint64_t mark, scpi::TFrameValues& values) const {
    TServedFrame frame;
    switch (modules_.at(module)->WaitFrame(mark, frame)) {
    case TWaitEnd::Measured: break;
    case TWaitEnd::TimedOut: return scpi::TFrameWait::TimedOut;
    case TWaitEnd::Lost: return scpi::TFrameWait::Disconnected;
    }
    for (int c = 0; c < 4; ++c) {
        const readings::TChannelReading& reading = frame.Reading.Channels[c];
        values.Channels[c] = {reading.Present, reading.Volts, reading.Hertz, reading.Overload};
        values.Function[c] = FunctionOf(frame.Settings.ChannelMode[c]);
    }
    return scpi::TFrameWait::Measured;
}

}  // namespace serve

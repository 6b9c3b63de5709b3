#include "serve/ServedModule.h"

#include "instrument/Zeb44Tables.h"
#include "run/FrameGeometry.h"
#include "run/RunLoop.h"
#include "run/Throughput.h"

#include <algorithm>

namespace serve {

void TChangeSignal::Notify() {
    {
        const std::lock_guard lock(mutex_);
        ++count_;
    }
    changed_.notify_all();
}

std::uint64_t TChangeSignal::Wait(std::uint64_t seen, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return count_ != seen; });
    return count_;
}

std::uint64_t TChangeSignal::Count() const {
    const std::lock_guard lock(mutex_);
    return count_;
}

// The served module's side of one run: the setup it started with, the frames into
// the module's state, the run's first failure.
class TServedModule::TObserver : public run::TRunObserver {
public:
    TObserver(TServedModule& module, const TServedSetup& setup, std::uint64_t generation, const TOpenedInfo& info)
        : module_(module), setup_(setup), generation_(generation), info_(info) {}

    void BeginRun(run::TRunStart& start) override {
        start.Settings = setup_.Settings;
        start.CrateTypeCode = info_.CrateTypeCode;
        start.ModuleName = info_.ModuleName;
    }
    void ReadParameters(run::TModuleParameters& parameters) override { parameters = setup_.Parameters; }
    void Prepared(const run::TMeasurementRun& run) override { columns_ = readings::ColumnsOfRun(run); }
    bool NextFrame() override {
        if (Ended()) return false;
        if (setup_.FrameStep == run::TFrameStep::RestartPerFrame) BeginAcquisition();
        return true;
    }
    std::array<bool, 4> TickedChannels() override { return columns_.Enabled; }
    void FrameDone(const run::TMeasurementRun& run) override {
        TServedFrame frame;
        frame.Started = acquired_;
        frame.Generation = generation_;
        frame.Columns = columns_;
        frame.Settings = run.Settings();
        {
            const std::lock_guard lock(module_.mutex_);
            frame.Count = ++module_.frames_;
            frame.Reading = readings::ReadingOfRun(run, columns_.Enabled, frame.Count, acquiredAt_);
            // A frame of a setup already replaced is no reading of the new one's functions.
            if (generation_ == module_.generation_) {
                readings::ApplyBenchFunctions(module_.bench_, frame.Reading);
                readings::SetPassColumns(module_.bench_, frame.Columns);
                for (std::size_t c = 0; c < module_.bench_.size(); ++c)
                    module_.setup_.Bench[c] = module_.bench_[c].Settings();
            }
            // The window's texts of what is shown.
            for (std::size_t c = 0; c < frame.Displays.size(); ++c) {
                computation::TChannelResult shown = run.Results()[c];
                const readings::TChannelReading& reading = frame.Reading.Channels[c];
                (run.Settings().ChannelMode[c] == computation::TChannelMode::Ac ? shown.AcValue : shown.DcValue) =
                    reading.Volts;
                frame.Displays[c] = run::MakeChannelDisplay(columns_.Enabled[c], run.Settings().ChannelMode[c],
                                                            run.Method(), run.Settings().RangeIndex[c], shown,
                                                            reading.Overload, module_.patterns_);
            }
            module_.last_ = std::move(frame);
            module_.link_ = TLink::Measuring;
            module_.message_.clear();
        }
        module_.changed_.notify_all();
        module_.changes_.Notify();
    }
    void StepDone(run::TRunStep step, const run::TStepResult& result) override {
        const bool stream = setup_.FrameStep == run::TFrameStep::Stream;
        if (result.Kind == run::TStepResult::TKind::Ok) {
            // A stream's first acquisition starts with it, the next one where a frame ends.
            if (step == run::TRunStep::StartStream) BeginAcquisition();
            if (step == run::TRunStep::AcquireFrame) {
                acquired_ = acquiring_;
                // A frame's time is when its last sample came, not when its computation
                // ended: frames of many modules ending together queue for the cores.
                acquiredAt_ = std::chrono::system_clock::now();
                if (stream) BeginAcquisition();
            }
        }
        if (result.Kind != run::TStepResult::TKind::Failed || !Message.empty()) return;
        Message = result.Message;
        Cause = result.Cause;
    }
    bool Ended() override { return module_.runStop_.load(std::memory_order_relaxed); }

    std::string Message;  // the run's first failure
    run::TFailureCause Cause = run::TFailureCause::Permanent;  // of that failure

private:
    TServedModule& module_;
    const TServedSetup setup_;
    const std::uint64_t generation_;
    const TOpenedInfo& info_;
    void BeginAcquisition() {
        const std::lock_guard lock(module_.mutex_);
        acquiring_ = ++module_.started_;
    }

    readings::TColumns columns_;
    std::uint64_t acquiring_ = 0;  // the number of the acquisition in progress
    std::uint64_t acquired_ = 0;   // of the frame being converted and computed
    std::chrono::system_clock::time_point acquiredAt_;  // when its words were all in
};

TServedModule::TServedModule(std::string crate, int slot, const TServedSetup& setup,
                             const run::TDisplayPatterns& patterns, TModuleOpener opener, TModuleCloser closer,
                             TChangeSignal& changes)
    : crate_(std::move(crate)),
      slot_(slot),
      initial_(setup),
      patterns_(patterns),
      opener_(std::move(opener)),
      closer_(std::move(closer)),
      changes_(changes),
      setup_(setup) {
    for (std::size_t c = 0; c < bench_.size(); ++c) bench_[c].Configure(setup.Bench[c]);
}

TServedModule::~TServedModule() { Stop(); }

void TServedModule::Start() { thread_ = std::thread([this] { Serve(); }); }

void TServedModule::RequestStop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    runStop_.store(true);
    changed_.notify_all();
}

void TServedModule::Stop() {
    RequestStop();
    if (thread_.joinable()) thread_.join();
}

TServedSetup TServedModule::Setup() const {
    const std::lock_guard lock(mutex_);
    return setup_;
}

bool TServedModule::Carries(const TServedSetup& setup, std::string& message) const {
    std::optional<TOpenedInfo> opened;
    {
        const std::lock_guard lock(mutex_);
        opened = opened_;
    }
    if (!opened) return true;
    const int rate = instrument::RowOrNone(setup.Parameters.AdcRateIndex, instrument::AdcRateCount);
    const double hertz = instrument::AdcRates[rate < 0 ? instrument::DefaultAdcRateIndex : rate].Frequency;
    run::TFrameGeometry geometry;
    run::AssignChannelSlots(setup.Parameters.ChannelEnabled, geometry);
    return run::CheckThroughput(opened->CrateTypeCode, opened->ModuleName, geometry.ActiveChannels, hertz, message);
}

void TServedModule::ChangeSetup(const TServedSetup& setup) {
    bool resumed = false;
    {
        const std::lock_guard lock(mutex_);
        const bool runChanged = setup.Parameters != setup_.Parameters || setup.Settings != setup_.Settings ||
                                setup.FrameStep != setup_.FrameStep;
        for (std::size_t c = 0; c < bench_.size(); ++c) {
            if (!runChanged && setup.Bench[c] == setup_.Bench[c]) continue;
            bench_[c].Configure(setup.Bench[c]);
            bench_[c].Reset();
        }
        setup_ = setup;
        if (!runChanged) return;
        ++generation_;
        // A halted module tries the new setup: waits for frames again meanwhile.
        if (link_ == TLink::Halted) {
            link_ = TLink::Opening;
            message_.clear();
            resumed = true;
        }
    }
    runStop_.store(true);
    changed_.notify_all();
    if (resumed) changes_.Notify();
}

void TServedModule::ClearStatistics(const std::array<bool, 4>& channels) {
    const std::lock_guard lock(mutex_);
    for (std::size_t c = 0; c < bench_.size(); ++c)
        if (channels[c]) bench_[c].Reset();
}

std::uint64_t TServedModule::FrameMark() const {
    const std::lock_guard lock(mutex_);
    return started_;
}

TWaitEnd TServedModule::WaitFrame(std::uint64_t mark, TServedFrame& frame) const {
    std::unique_lock lock(mutex_);
    // The spectral method may round a frame up to twice the maximum acquisition time.
    const double frameSeconds = std::max(2.0, 2.0 * setup_.Settings.MaxAcquisitionTime);
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(3.0 * frameSeconds + 5.0));
    for (;;) {
        if (last_ && last_->Started > mark && last_->Generation == generation_) {
            frame = *last_;
            return TWaitEnd::Measured;
        }
        if (link_ == TLink::Lost || link_ == TLink::Halted || stopping_) return TWaitEnd::Lost;
        if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
            if (last_ && last_->Started > mark && last_->Generation == generation_) continue;
            return TWaitEnd::TimedOut;
        }
    }
}

TModuleSnapshot TServedModule::Snapshot() const {
    const std::lock_guard lock(mutex_);
    TModuleSnapshot snapshot;
    snapshot.Crate = crate_;
    snapshot.Slot = slot_;
    snapshot.Serial = serial_;
    snapshot.Link = link_;
    snapshot.Message = message_;
    snapshot.Frames = frames_;
    snapshot.Last = last_;
    for (std::size_t c = 0; c < bench_.size(); ++c) {
        snapshot.Bench[c] = bench_[c].Settings();
        snapshot.Stats[c] = bench_[c].Stats();
    }
    return snapshot;
}

void TServedModule::SetLink(TLink link, const std::string& message) {
    {
        const std::lock_guard lock(mutex_);
        if (link_ == link && message_ == message) return;
        link_ = link;
        message_ = message;
    }
    changed_.notify_all();
    changes_.Notify();
}

void TServedModule::Serve() {
    ModuleRecord module{};
    TOpenedInfo info;
    bool open = false;
    auto waitRetry = [this] {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, RetryPeriod, [this] { return stopping_; });
    };
    auto waitNewSetup = [this](std::uint64_t generation) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopping_ || generation_ != generation; });
    };
    for (;;) {
        if (!open) {
            {
                const std::lock_guard lock(mutex_);
                if (stopping_) break;
            }
            std::string error;
            open = opener_(crate_, slot_, module, info, error);
            if (!open) {
                SetLink(TLink::Lost, error);
                waitRetry();
                continue;
            }
            {
                const std::lock_guard lock(mutex_);
                serial_ = info.Serial;
                opened_ = info;
            }
            SetLink(TLink::Measuring, {});
        }
        runStop_.store(false);
        TServedSetup setup;
        std::uint64_t generation = 0;
        {
            const std::lock_guard lock(mutex_);
            if (stopping_) break;
            setup = setup_;
            generation = generation_;
        }
        run::TMeasurementRun run(module, runStop_);
        TObserver observer(*this, setup, generation, info);
        if (run::RunMeasurement(run, observer, setup.FrameStep) == run::TRunEnd::Failed) {
            closer_(module);
            open = false;
            if (observer.Cause == run::TFailureCause::ModuleLost) {
                SetLink(TLink::Lost, observer.Message);
                waitRetry();
            } else {
                SetLink(TLink::Halted, observer.Message);
                waitNewSetup(generation);
            }
        }
    }
    if (open) closer_(module);
}

namespace {

const char* LinkText(TLink link) {
    switch (link) {
    case TLink::Opening: return "opening";
    case TLink::Measuring: return "measuring";
    case TLink::Lost: return "lost";
    case TLink::Halted: return "halted";
    }
    return "lost";
}

const char* KindText(run::TChannelDisplay::TKind kind) {
    switch (kind) {
    case run::TChannelDisplay::TKind::Dc: return "dc";
    case run::TChannelDisplay::TKind::AcWithFrequency: return "ac";
    case run::TChannelDisplay::TKind::AcOnly: return "ac-only";
    case run::TChannelDisplay::TKind::Unticked: return "off";
    }
    return "off";
}

}  // namespace

std::string ModuleJson(const TModuleSnapshot& snapshot) {
    std::string json = "{\"crate\": " + readings::JsonString(snapshot.Crate) + ", \"slot\": " + std::to_string(snapshot.Slot) +
                       ", \"module\": " + readings::JsonString(snapshot.Serial) +
                       ", \"connected\": " + (snapshot.Link == TLink::Measuring ? "true" : "false") +
                       ", \"state\": \"" + LinkText(snapshot.Link) + "\"" +
                       ", \"message\": " + readings::JsonString(snapshot.Message) + ", ";
    if (!snapshot.Last) return json + "\"time\": null, \"frame\": null, \"channels\": {}, \"display\": {}}";
    const TServedFrame& frame = *snapshot.Last;
    // The readings' own JSON object, without its braces and line end.
    const std::string line = readings::JsonLine(frame.Columns, frame.Reading);
    json += line.substr(1, line.size() - 3) + ", \"display\": {";
    bool first = true;
    for (std::size_t c = 0; c < frame.Displays.size(); ++c) {
        if (!frame.Columns.Enabled[c]) continue;
        const run::TChannelDisplay& display = frame.Displays[c];
        if (!first) json += ", ";
        first = false;
        json += "\"" + std::to_string(c + 1) + "\": {\"kind\": \"" + KindText(display.Kind) +
                "\", \"value\": " + readings::JsonString(display.Value) + ", \"frequency\": " + readings::JsonString(display.Frequency) +
                ", \"overload\": " + (display.Overload ? "true" : "false") + "}";
    }
    return json + "}}";
}

}  // namespace serve

#include "MeasureCommand.h"

#include "CrateAccess.h"
#include "LineOutput.h"
#include "MeasureSetup.h"
#include "instrument/Zeb44Tables.h"
#include "readings/ReadingFormat.h"
#include "readings/ReadingStats.h"
#include "run/MeasurementRun.h"
#include "run/RunLoop.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>

namespace {

int UsageError(const std::string& message) {
    std::fprintf(stderr, "voltcheck-cli: %s\n", message.c_str());
    return ExitUsage;
}

// Attempts to find a lost module again are at least this far apart.
constexpr auto ReconnectPeriod = std::chrono::seconds(2);
// The waits between them look at the stop request and the duration this often.
constexpr auto WaitStep = std::chrono::milliseconds(50);

const char* CouplingText(int connectionMode) {
    return connectionMode == 1 ? "ac" : connectionMode == 2 ? "zero" : "dc";
}

// {"time": "...", "event": "start", "program": ..., "version": ..., "crate": {...},
//  "module": {...}, "parameters": {...}}: what a file needs to be read without the
// command line that made it.
std::string StartRecord(std::chrono::system_clock::time_point time, const TCliOptions& options,
                        const TMeasureSetup& setup, const TOpenedModule& opened, const run::TMeasurementRun& run) {
    const run::TFrameGeometry& g = run.Geometry();
    std::string channels;
    std::string mode;
    for (int c = 0; c < 4; ++c) {
        if (g.ChannelSlot[c] < 0) continue;
        if (!channels.empty()) channels += ", ";
        channels += "\"" + std::to_string(c + 1) + "\": {\"range_volts\": " +
                    readings::NumberText(instrument::InputRanges[run.Settings().RangeIndex[c]].Volts) + "}";
        if (mode.empty()) mode = run.Settings().ChannelMode[c] == computation::TChannelMode::Ac ? "ac" : "dc";
    }
    std::string line = "{\"time\": \"" + readings::IsoUtcTime(time) + "\", \"event\": \"start\"";
    line += ", \"program\": \"voltcheck-cli\", \"version\": " + readings::JsonString(VOLTCHECK_PROGRAM_VERSION);
    line += ", \"crate\": {\"serial\": " + readings::JsonString(opened.CrateSerial) +
            ", \"model\": " + readings::JsonString(instrument::CrateModelName(opened.CrateTypeCode)) + "}";
    line += ", \"module\": {\"slot\": " + std::to_string(opened.Slot) +
            ", \"serial\": " + readings::JsonString(opened.ModuleSerial) +
            ", \"firmware\": " + readings::JsonString(FirmwareText(opened.Firmware)) + "}";
    line += ", \"parameters\": {\"rate_hertz\": " + readings::NumberText(g.AdcFrequency);
    line += ", \"coupling\": \"" + std::string(CouplingText(setup.Parameters.ConnectionMode)) + "\"";
    line += ", \"channels\": {" + channels + "}";
    line += ", \"mode\": \"" + mode + "\"";
    line += ", \"method\": " + readings::JsonString(computation::MethodText(run.Method()));
    line += ", \"amplitude\": " + readings::JsonString(computation::AmplitudeTypeText(run.Amplitude()));
    line += ", \"max_frame_seconds\": " + readings::NumberText(run.Settings().MaxAcquisitionTime);
    line += ", \"frame_seconds\": " + readings::NumberText(g.SamplesPerChannel / g.AdcFrequency);
    line += ", \"samples_per_frame\": " + std::to_string(g.SamplesPerChannel);
    line += std::string(", \"continuous\": ") + (options.Continuous ? "true" : "false");
    line += std::string(", \"reconnect\": ") + (options.Reconnect ? "true" : "false");
    line += "}}\n";
    return line;
}

// The command line's side of a measurement, over every reconnect: the lines (a
// preamble once, a line per frame with numbers rising across the runs, a lost
// module's records), the frame and duration limits, and the first failure no retry
// mends as the measurement's message.
class TCliMeasurement {
public:
    TCliMeasurement(const TCliOptions& options, const TMeasureSetup& setup, const TOpenedModule& opened,
                    TLineOutput& output, const std::atomic<bool>& stop)
        : Options(options), Setup(setup), Opened(opened), output_(output), stop_(stop) {
        for (std::size_t c = 0; c < bench_.size(); ++c) bench_[c].Configure(options.Bench[c]);
    }

    // The first run's preparation fixes the columns and writes the preamble; a run
    // after a reconnect has the same columns and its lines go on in the same files.
    void Prepared(const run::TMeasurementRun& run) {
        if (Stats) return;
        columns_ = readings::ColumnsOfRun(run);
        readings::SetPassColumns(bench_, columns_);
        Stats = std::make_unique<readings::TReadingStats>(columns_);
        const std::string start = StartRecord(std::chrono::system_clock::now(), Options, Setup, Opened, run);
        const bool csv = Options.Format == TOutputFormat::Csv;
        const std::string preamble = csv ? readings::CsvHeader(columns_, EventColumn()) : start;
        Writable = output_.SetPreamble(preamble, csv && Options.Output ? start : std::string(), Message);
        start_ = std::chrono::steady_clock::now();
        if (loss_) WriteLoss(loss_->Message);  // lost before the first preparation
    }
    std::array<bool, 4> Columns() const { return columns_.Enabled; }
    void FrameDone(const run::TMeasurementRun& run) {
        const auto now = std::chrono::system_clock::now();
        if (loss_) {
            const double gap = std::chrono::duration<double>(std::chrono::steady_clock::now() - loss_->Seen).count();
            loss_.reset();
            std::fprintf(stderr, "voltcheck-cli: измерение возобновлено через %.3f с\n", gap);
            if (!Write(Options.Format == TOutputFormat::Csv
                           ? readings::CsvEventLine(columns_, now, readings::ResumedEventText(gap))
                           : readings::ResumedJsonLine(now, gap)))
                return;
        }
        readings::TReading reading = readings::ReadingOfRun(run, columns_.Enabled, ++frame_, now);
        readings::ApplyBenchFunctions(bench_, reading);
        const std::string line = Options.Format == TOutputFormat::Csv
                                     ? readings::CsvLine(columns_, reading, EventColumn())
                                     : readings::JsonLine(columns_, reading);
        if (Write(line)) Stats->Add(reading);
    }
    // A lost module: reported once (standard error and a record) until a frame is done again.
    void Lost(const std::string& message) {
        if (loss_) return;
        loss_ = TLoss{std::chrono::steady_clock::now(), message};
        std::fprintf(stderr, "%s\nvoltcheck-cli: модуль потерян (крейт %s, слот %d); повтор подключения каждые 2 с\n",
                     message.c_str(), Opened.CrateSerial.c_str(), Opened.Slot);
        if (Stats) WriteLoss(message);  // else at the first preparation, after the preamble
    }
    void Failed(const std::string& message) {
        if (Message.empty()) Message = message;
    }

    // The limits of the whole measurement: a stop request, the frame count, the duration
    // (from the first preparation on, or from the start while none has passed: a
    // module lost before it does not outlast the duration either).
    bool Over() const {
        if (stop_.load()) return true;
        if (Options.Frames && frame_ >= *Options.Frames) return true;
        const auto origin = Stats ? start_ : created_;
        return Options.Duration &&
               std::chrono::duration<double>(std::chrono::steady_clock::now() - origin).count() >= *Options.Duration;
    }
    // Nothing ended the measurement for good: a lost module may be looked for again.
    bool MayRetry() const { return Writable && Message.empty() && !Over(); }

    const TCliOptions& Options;
    const TMeasureSetup& Setup;
    const TOpenedModule& Opened;
    std::string Message;  // the first failure no retry mends (a step's or a write's)
    bool Writable = true;
    std::unique_ptr<readings::TReadingStats> Stats;  // from the first preparation on

private:
    struct TLoss {
        std::chrono::steady_clock::time_point Seen;
        std::string Message;
    };

    readings::TEventColumn EventColumn() const {
        return Options.Reconnect ? readings::TEventColumn::With : readings::TEventColumn::Without;
    }
    bool Write(const std::string& line) {
        Writable = output_.Write(line, Message);
        return Writable;
    }
    void WriteLoss(const std::string& message) {
        const auto now = std::chrono::system_clock::now();
        Write(Options.Format == TOutputFormat::Csv ? readings::CsvEventLine(columns_, now, readings::LostEventText(message))
                                                   : readings::LostJsonLine(now, message));
    }

    TLineOutput& output_;
    const std::atomic<bool>& stop_;
    readings::TColumns columns_;
    // Null, average and limits go on across the runs of a reconnect.
    readings::TBenchChannels bench_;
    const std::chrono::steady_clock::time_point created_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point start_;
    std::uint64_t frame_ = 0;
    std::optional<TLoss> loss_;  // from a loss's record to the first frame after it
};

// One RunMeasurement of the measurement: its settings, limits and lines, and whether
// it ended with its module lost (a failure a retry may mend, with --reconnect).
class TCliRun : public run::TRunObserver {
public:
    explicit TCliRun(TCliMeasurement& measurement) : m_(measurement) {}

    void BeginRun(run::TRunStart& start) override {
        start.Settings = m_.Setup.Settings;
        start.CrateTypeCode = m_.Opened.CrateTypeCode;
        start.ModuleName = m_.Opened.ModuleName;
    }
    void ReadParameters(run::TModuleParameters& parameters) override { parameters = m_.Setup.Parameters; }
    void Prepared(const run::TMeasurementRun& run) override { m_.Prepared(run); }
    bool NextFrame() override { return m_.Writable && !m_.Over(); }
    std::array<bool, 4> TickedChannels() override { return m_.Columns(); }
    void FrameDone(const run::TMeasurementRun& run) override { m_.FrameDone(run); }
    void StepDone(run::TRunStep, const run::TStepResult& result) override {
        // The steps after a loss (the module's stop) fail the same way: one loss per run.
        if (result.Kind != run::TStepResult::TKind::Failed || lost_) return;
        lost_ = m_.Options.Reconnect && result.Cause == run::TFailureCause::ModuleLost;
        if (lost_)
            m_.Lost(result.Message);
        else
            m_.Failed(result.Message);
    }

    bool Lost() const { return lost_; }

private:
    TCliMeasurement& m_;
    bool lost_ = false;
};

// Waits until at, the end of the measurement or a stop, whichever is first.
void WaitUntil(std::chrono::steady_clock::time_point at, const TCliMeasurement& cli) {
    while (!cli.Over() && std::chrono::steady_clock::now() < at)
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(WaitStep, at - std::chrono::steady_clock::now()));
}

}  // namespace

int RunList() {
    std::vector<TListedCrate> crates;
    std::string error;
    if (!ListCrates(crates, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return ExitFailed;
    }
    for (const TListedCrate& crate : crates) {
        std::printf("crate %s %s %u\n", crate.Serial.c_str(), instrument::CrateModelName(crate.TypeCode),
                    unsigned{crate.TypeCode});
        for (const TListedModule& module : crate.Modules)
            std::printf("module %d %s %s\n", module.Slot, module.Serial.empty() ? "-" : module.Serial.c_str(),
                        FirmwareText(module.Firmware).c_str());
    }
    return std::fflush(stdout) == 0 ? ExitDone : ExitFailed;
}

int RunMeasure(const TCliOptions& options, const std::atomic<bool>& stop) {
    TMeasureSetup setup;
    std::string error;
    if (!MakeSetup(options, setup, error)) return UsageError(error);
    TLineOutput output;
    if (!output.Open(options.Output, options.Rotation, error)) return UsageError(error);

    ModuleRecord module{};
    TOpenedModule opened;
    bool open = false;
    if (!setup.CrateSerial && !setup.Slot && (setup.WantedCrate || setup.WantedSlot))
        open = OpenMeasureModule(setup.WantedCrate, setup.WantedSlot, module, opened, error);
    if (!open && !OpenMeasureModule(setup.CrateSerial, setup.Slot, module, opened, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return ExitFailed;
    }

    // The window's run, with the command line's output and limits; after a lost module
    // (with --reconnect) a new run on the same crate and slot, the files going on.
    const run::TFrameStep frameStep = options.Continuous ? run::TFrameStep::Stream : run::TFrameStep::RestartPerFrame;
    TCliMeasurement cli(options, setup, opened, output, stop);
    auto attempt = std::chrono::steady_clock::now();
    for (;;) {
        run::TMeasurementRun run(module, stop);
        TCliRun pass(cli);
        run::RunMeasurement(run, pass, frameStep);
        CloseModule(module);
        if (!pass.Lost()) break;
        // At most one attempt every ReconnectPeriod, for as long as the measurement lasts.
        bool reopened = false;
        while (!reopened && cli.MayRetry()) {
            WaitUntil(attempt + ReconnectPeriod, cli);
            if (cli.Over()) break;
            attempt = std::chrono::steady_clock::now();
            reopened = ReopenModule(opened, module);
        }
        if (!reopened) break;
    }
    std::string& message = cli.Message;
    const bool writable = cli.Writable;
    const std::unique_ptr<readings::TReadingStats>& stats = cli.Stats;
    if (!message.empty()) std::fprintf(stderr, "%s\n", message.c_str());
    if (options.Stats && stats) {
        if (options.Format == TOutputFormat::Csv) {
            std::fputs(stats->Csv().c_str(), stderr);
        } else if (writable) {
            std::string writeError;
            if (!output.Write(stats->JsonLine(), writeError)) {
                if (message.empty()) std::fprintf(stderr, "%s\n", writeError.c_str());
                message = writeError;
            }
        }
    }
    std::string closeError;
    if (!output.Close(closeError) && message.empty()) {
        std::fprintf(stderr, "%s\n", closeError.c_str());
        message = closeError;
    }
    if (!message.empty()) return ExitFailed;
    if (!stats || !stats->AnyFailed()) return ExitDone;
    for (int c = 0; c < 4; ++c) {
        const readings::TChannelStats& s = stats->Channel(c);
        if (s.Failed > 0)
            std::fprintf(stderr, "voltcheck-cli: канал %d: кадров вне допусков %llu из %llu\n", c + 1,
                         static_cast<unsigned long long>(s.Failed), static_cast<unsigned long long>(s.Passed + s.Failed));
    }
    return ExitLimitsFailed;
}

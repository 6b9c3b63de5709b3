#include "MeasureCommand.h"

#include "CrateAccess.h"
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

namespace {

int UsageError(const std::string& message) {
    std::fprintf(stderr, "voltcheck-cli: %s\n", message.c_str());
    return ExitUsage;
}

// Where the lines go: standard output or the --output file, each line flushed.
class TLineSink {
public:
    bool Open(const std::optional<std::string>& path, std::string& error) {
        if (!path) {
            name_ = "стандартный вывод";
            file_ = stdout;
            return true;
        }
        name_ = *path;
        owned_.reset(std::fopen(path->c_str(), "w"));
        if (!owned_) {
            error = "не могу создать файл " + *path + ": " + std::strerror(errno);
            return false;
        }
        file_ = owned_.get();
        return true;
    }
    // True when the whole line reached the file (or pipe).
    bool Write(const std::string& line, std::string& error) {
        errno = 0;
        if (std::fwrite(line.data(), 1, line.size(), file_) == line.size() && std::fflush(file_) == 0) return true;
        error = "не могу записать в " + name_ + ": " + std::strerror(errno != 0 ? errno : EIO);
        return false;
    }
    bool Close(std::string& error) {
        if (!owned_) return true;
        const bool ok = std::fclose(owned_.release()) == 0;
        if (!ok) error = "не могу закрыть " + name_ + ": " + std::strerror(errno);
        return ok;
    }

private:
    struct TCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::string name_;
    std::FILE* file_ = nullptr;
    std::unique_ptr<std::FILE, TCloser> owned_;
};

// The command line's side of a run: the setup's settings and parameters, a line per
// frame, the frame and duration limits, and the run's first failure as its message.
class TCliRun : public run::TRunObserver {
public:
    TCliRun(const TCliOptions& options, const TMeasureSetup& setup, const TOpenedModule& opened, TLineSink& sink,
            const std::atomic<bool>& stop)
        : options_(options), setup_(setup), opened_(opened), sink_(sink), stop_(stop) {}

    void BeginRun(run::TRunStart& start) override {
        start.Settings = setup_.Settings;
        start.CrateTypeCode = opened_.CrateTypeCode;
        start.ModuleName = opened_.ModuleName;
    }
    void ReadParameters(run::TModuleParameters& parameters) override { parameters = setup_.Parameters; }
    void Prepared(const run::TMeasurementRun& run) override {
        columns_ = readings::ColumnsOfRun(run);
        Stats = std::make_unique<readings::TReadingStats>(columns_);
        if (options_.Format == TOutputFormat::Csv) Writable = sink_.Write(readings::CsvHeader(columns_), Message);
        start_ = std::chrono::steady_clock::now();
    }
    bool NextFrame() override {
        if (!Writable || stop_.load()) return false;
        if (options_.Frames && frame_ >= *options_.Frames) return false;
        return !options_.Duration ||
               std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count() < *options_.Duration;
    }
    std::array<bool, 4> TickedChannels() override { return columns_.Enabled; }
    void FrameDone(const run::TMeasurementRun& run) override {
        const readings::TReading reading =
            readings::ReadingOfRun(run, columns_.Enabled, ++frame_, std::chrono::system_clock::now());
        const std::string line = options_.Format == TOutputFormat::Csv ? readings::CsvLine(columns_, reading)
                                                                       : readings::JsonLine(columns_, reading);
        Writable = sink_.Write(line, Message);
        if (Writable) Stats->Add(reading);
    }
    void StepDone(run::TRunStep, const run::TStepResult& result) override {
        if (result.Kind == run::TStepResult::TKind::Failed && Message.empty()) Message = result.Message;
    }

    std::string Message;  // the run's first failure (a step's or a write's)
    bool Writable = true;
    std::unique_ptr<readings::TReadingStats> Stats;  // from the first frame's preparation on

private:
    const TCliOptions& options_;
    const TMeasureSetup& setup_;
    const TOpenedModule& opened_;
    TLineSink& sink_;
    const std::atomic<bool>& stop_;
    readings::TColumns columns_;
    std::chrono::steady_clock::time_point start_;
    std::uint64_t frame_ = 0;
};

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
    TLineSink sink;
    if (!sink.Open(options.Output, error)) return UsageError(error);

    ModuleRecord module{};
    TOpenedModule opened;
    bool open = false;
    if (!setup.CrateSerial && !setup.Slot && (setup.WantedCrate || setup.WantedSlot))
        open = OpenMeasureModule(setup.WantedCrate, setup.WantedSlot, module, opened, error);
    if (!open && !OpenMeasureModule(setup.CrateSerial, setup.Slot, module, opened, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return ExitFailed;
    }

    // The window's run, with the command line's output and limits.
    run::TMeasurementRun run(module, stop);
    TCliRun cli(options, setup, opened, sink, stop);
    run::RunMeasurement(run, cli);
    std::string& message = cli.Message;
    const bool writable = cli.Writable;
    const std::unique_ptr<readings::TReadingStats>& stats = cli.Stats;
    CloseModule(module);
    if (!message.empty()) std::fprintf(stderr, "%s\n", message.c_str());
    if (options.Stats && stats) {
        if (options.Format == TOutputFormat::Csv) {
            std::fputs(stats->Csv().c_str(), stderr);
        } else if (writable) {
            std::string writeError;
            if (!sink.Write(stats->JsonLine(), writeError)) {
                if (message.empty()) std::fprintf(stderr, "%s\n", writeError.c_str());
                message = writeError;
            }
        }
    }
    std::string closeError;
    if (!sink.Close(closeError) && message.empty()) {
        std::fprintf(stderr, "%s\n", closeError.c_str());
        message = closeError;
    }
    return message.empty() ? ExitDone : ExitFailed;
}

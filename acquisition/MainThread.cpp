#include "acquisition/MainThread.h"

#include "FormatFloat/DecimalSeparator.h"
#include "FormatFloat/StrToFloat.h"
#include "device/CrateScan.h"

#include <chrono>
#include <thread>

TMainThread::TMainThread(TAcquisitionWindow& window, ModuleRecord& module, const std::atomic<uint8_t>& tickedChannels,
                         const std::atomic<bool>& autoResume)
    : TReportingThread(/*freeOnTerminate=*/false, window, MessageCaption, ButtonCaption),
      window_(window),
      module_(module),
      tickedChannels_(tickedChannels),
      autoResume_(autoResume) {}

const std::atomic<bool>& TMainThread::NeverResume() {
    static const std::atomic<bool> never{false};
    return never;
}

TMainThread::~TMainThread() { StopAndWait(); }

void TMainThread::StartRun() {
    window_.AcquisitionThreadRunning();
    SetDecimalSeparator('.');
    ErrorFlag.store(0);
    ProcessingFunctions[0] = [this] { MultimeterLoop(); };
}

bool TMainThread::Over() const { return Reported() || Terminated(); }

void TMainThread::BeginRun(run::TRunStart& start) {
    // A resumed run goes on with the settings and the display of the first.
    if (link_ == TLink::Connected) Synchronize([this] { window_.BeginAcquisition(RunStart); });
    start = RunStart;
}

void TMainThread::ReadParameters(run::TModuleParameters& parameters) { parameters = RunStart.Parameters; }

void TMainThread::Configured(const run::TMeasurementRun& run) {
    Synchronize([this, &run] { window_.ShowRun(run, TRunView::FrameTime, {}); });
}

std::array<bool, 4> TMainThread::TickedChannels() {
    const uint8_t mask = tickedChannels_.load();
    std::array<bool, 4> ticked{};
    for (int c = 0; c < 4; ++c) ticked[c] = (mask & (1u << c)) != 0;
    return ticked;
}

void TMainThread::FrameDone(const run::TMeasurementRun& run) {
    if (link_ == TLink::Resuming) {
        link_ = TLink::Connected;
        loss_.GapSeconds = std::chrono::duration<double>(std::chrono::system_clock::now() - loss_.Since).count();
        Synchronize([this, &run] { window_.ShowRun(run, TRunView::Resumed, loss_); });
    }
    Synchronize([this, &run] { window_.ShowRun(run, TRunView::Values, {}); });
    SleepUnlessTerminated(100);
    Synchronize([this, &run] { window_.ShowRun(run, TRunView::Overloads, {}); });
}

bool TMainThread::LosesModule(const run::TStepResult& result) const {
    // The rest of a lost run (its module's stop) is part of the loss.
    return link_ == TLink::Lost || result.Cause == run::TFailureCause::ModuleLost;
}

void TMainThread::StepDone(run::TRunStep, const run::TStepResult& result) {
    if (result.Kind != run::TStepResult::TKind::Failed) return;
    if (autoResume_.load() && !Terminated() && LosesModule(result)) {
        if (link_ != TLink::Lost) ModuleLost(*run_, result.Message);
        return;
    }
    Report(result.Message);
}

void TMainThread::ModuleLost(const run::TMeasurementRun& run, const std::string& message) {
    // A resumed run that fails again is the same loss, still counted from its start.
    if (link_ == TLink::Connected) {
        loss_.Message = message;
        loss_.Since = std::chrono::system_clock::now();
        loss_.FailedTries = 0;
    } else {
        ++loss_.FailedTries;
    }
    link_ = TLink::Lost;
    loss_.NextTry = std::chrono::system_clock::now() + std::chrono::milliseconds(RetryIntervalMs);
    Synchronize([this, &run] { window_.ShowRun(run, TRunView::Lost, loss_); });
}

bool TMainThread::AwaitModule(const run::TMeasurementRun& run) {
    while (!SleepUnlessTerminated(RetryIntervalMs)) {
        TSerialField crate{};
        SetFieldText(crate, RunStart.CrateSerial);
        if (OpenModuleInSlot(module_, crate, RunStart.Slot)) {
            link_ = TLink::Resuming;
            return true;
        }
        ++loss_.FailedTries;
        loss_.NextTry = std::chrono::system_clock::now() + std::chrono::milliseconds(RetryIntervalMs);
        Synchronize([this, &run] { window_.ShowRun(run, TRunView::Lost, loss_); });
    }
    return false;
}

void TMainThread::Pause(run::TRunPause pause) {
    // The pause after StopModule lets the module settle after an error; a stop
    // request cuts every pause short.
    switch (pause) {
    case run::TRunPause::AfterBegin:
    case run::TRunPause::AfterConfigure:
        SleepUnlessTerminated(50);
        break;
    case run::TRunPause::BeforeFrames:
    case run::TRunPause::BeforeRelease:
        SleepUnlessTerminated(100);
        break;
    }
}

void TMainThread::Finish(const std::function<void()>& release) {
    // A lost run that will resume keeps the window's run going.
    const bool resumes = link_ == TLink::Lost && !Terminated();
    Synchronize([this, &release, resumes] {
        release();
        if (!resumes) window_.EndAcquisition();
    });
}

void TMainThread::MultimeterLoop() {
    run::TMeasurementRun run(module_, TerminateFlag());
    run_ = &run;
    run::RunMeasurement(run, *this);
    // With auto-resume on, a lost module is waited for, and the run begins again on
    // it, until it resumes or the stop request comes.
    while (link_ == TLink::Lost && !Terminated()) {
        if (!AwaitModule(run)) {
            Synchronize([this] { window_.EndAcquisition(); });
            break;
        }
        run::RunMeasurement(run, *this);
    }
    run_ = nullptr;
}

void TMainThread::RunGuarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const EConvertError&) {
        Report(std::string(ConversionErrorText) + DecimalSeparator() + "'.");
        SetDecimalSeparator('.');
    } catch (...) {
        Report(UnexpectedExceptionText);
    }
}

void TMainThread::Execute() {
    try {
        RunGuarded([this] {
            StartRun();
            if (Reported()) return;
            const TProcessingFunction* entry =
                ProcessingIndex < ProcessingFunctions.size() ? &ProcessingFunctions[ProcessingIndex] : nullptr;
            if (entry != nullptr && *entry) {
                (*entry)();
            } else {
                Report(NoProcessingFunctionText);
            }
        });
    } catch (...) {
        // Showing the message itself failed; the thread still waits for its stop request.
    }
    while (!Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

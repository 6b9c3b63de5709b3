#include "acquisition/MainThread.h"

#include "FormatFloat/DecimalSeparator.h"
#include "FormatFloat/StrToFloat.h"

#include <chrono>
#include <thread>

TMainThread::TMainThread(TAcquisitionWindow& window, ModuleRecord& module, const std::atomic<uint8_t>& tickedChannels)
    : TReportingThread(/*freeOnTerminate=*/false, window, MessageCaption, ButtonCaption),
      window_(window),
      module_(module),
      tickedChannels_(tickedChannels) {}

TMainThread::~TMainThread() { StopAndWait(); }

void TMainThread::StartRun() {
    window_.AcquisitionThreadRunning();
    SetDecimalSeparator('.');
    ErrorFlag.store(0);
    ProcessingFunctions[0] = [this] { MultimeterLoop(); };
}

bool TMainThread::Over() const { return Reported() || Terminated(); }

void TMainThread::BeginRun(run::TRunStart& start) {
    Synchronize([this] { window_.BeginAcquisition(RunStart); });
    start = RunStart;
}

void TMainThread::ReadParameters(run::TModuleParameters& parameters) { parameters = RunStart.Parameters; }

void TMainThread::Configured(const run::TMeasurementRun& run) {
    Synchronize([this, &run] { window_.ShowRun(run, TRunView::FrameTime); });
}

std::array<bool, 4> TMainThread::TickedChannels() {
    const uint8_t mask = tickedChannels_.load();
    std::array<bool, 4> ticked{};
    for (int c = 0; c < 4; ++c) ticked[c] = (mask & (1u << c)) != 0;
    return ticked;
}

void TMainThread::FrameDone(const run::TMeasurementRun& run) {
    Synchronize([this, &run] { window_.ShowRun(run, TRunView::Values); });
    SleepUnlessTerminated(100);
    Synchronize([this, &run] { window_.ShowRun(run, TRunView::Overloads); });
}

void TMainThread::StepDone(run::TRunStep, const run::TStepResult& result) {
    if (result.Kind == run::TStepResult::TKind::Failed) Report(result.Message);
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
    Synchronize([this, &release] {
        release();
        window_.EndAcquisition();
    });
}

void TMainThread::MultimeterLoop() {
    run::TMeasurementRun run(module_, TerminateFlag());
    run::RunMeasurement(run, *this);
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

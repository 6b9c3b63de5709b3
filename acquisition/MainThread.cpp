#include "acquisition/MainThread.h"

#include "FormatFloat/DecimalSeparator.h"
#include "FormatFloat/StrToFloat.h"

#include <chrono>
#include <thread>

TMainThread::TMainThread(TAcquisitionWindow& window)
    : TWorkerThread(/*freeOnTerminate=*/false), window_(window) {}

TMainThread::~TMainThread() { StopAndWait(); }

void TMainThread::ShowThreadMessage() {
    if (ErrorFlag.load() != 0) return;
    ErrorFlag.store(1);
    MESSAGE_DIALOG_PARS pars;
    pars.Caption = MessageCaption;
    pars.DlgType = 1;
    pars.Buttons = 1u << 2;
    pars.ButtonCaptions = {ButtonCaption};
    pars.Message = MessageText;
    window_.ExecuteMessageDialog(pars);
}

void TMainThread::StartRun() {
    window_.SetAcquisitionRunning(true);
    SetDecimalSeparator('.');
    ErrorFlag.store(0);
    ProcessingFunctions[0] = [this] { MultimeterLoop(); };
}

bool TMainThread::Over() const { return ErrorFlag.load() != 0 || Terminated(); }

void TMainThread::BeginRun(run::TRunStart& start) {
    Synchronize([this] { window_.BeginAcquisition(RunStart); });
    start = RunStart;
}

void TMainThread::ReadParameters(run::TModuleParameters& parameters) {
    Synchronize([this, &parameters] { window_.ReadModuleParameters(parameters); });
}

void TMainThread::Configured(const run::TMeasurementRun& run) {
    const double milliseconds = run.Geometry().FrameMilliseconds();
    Synchronize([this, milliseconds] { window_.ShowAcquisitionTime(milliseconds); });
}

std::array<bool, 4> TMainThread::TickedChannels() {
    std::array<bool, 4> ticked{};
    for (int c = 0; c < 4; ++c) ticked[c] = window_.ChannelTicked(c);
    return ticked;
}

void TMainThread::FrameDone(const run::TMeasurementRun& run) {
    Synchronize([this, &run] { window_.ShowValues(run); });
    SleepUnlessTerminated(100);
    Synchronize([this, &run] { window_.ShowOverloads(run); });
}

void TMainThread::StepDone(run::TRunStep, const run::TStepResult& result) {
    if (result.Kind != run::TStepResult::TKind::Failed) return;
    MessageText = result.Message;
    Synchronize([this] { ShowThreadMessage(); });
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
    run::TMeasurementRun run(window_.AcquisitionModuleRecord(), TerminateFlag());
    run::RunMeasurement(run, *this);
}

void TMainThread::RunGuarded(const std::function<void()>& work) {
    try {
        work();
    } catch (const EConvertError&) {
        MessageText = std::string(ConversionErrorText) + DecimalSeparator() + "'.";
        Synchronize([this] { ShowThreadMessage(); });
        SetDecimalSeparator('.');
    } catch (...) {
        MessageText = UnexpectedExceptionText;
        Synchronize([this] { ShowThreadMessage(); });
    }
}

void TMainThread::Execute() {
    try {
        RunGuarded([this] {
            StartRun();
            if (ErrorFlag.load() != 0) return;
            const TProcessingFunction* entry =
                ProcessingIndex < ProcessingFunctions.size() ? &ProcessingFunctions[ProcessingIndex] : nullptr;
            if (entry != nullptr && *entry) {
                (*entry)();
            } else {
                MessageText = NoProcessingFunctionText;
                Synchronize([this] { ShowThreadMessage(); });
            }
        });
    } catch (...) {
        // Showing the message itself failed; the thread still waits for its stop request.
    }
    while (!Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

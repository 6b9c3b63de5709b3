#include "acquisition/MainThread.h"

#include "FormatFloat/DecimalSeparator.h"
#include "FormatFloat/StrToFloat.h"
#include "run/RunMessages.h"

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

bool TMainThread::Passed(const run::TStepResult& step) {
    if (step.Kind == run::TStepResult::TKind::Failed) {
        MessageText = step.Message;
        Synchronize([this] { ShowThreadMessage(); });
    }
    return step.Ok();
}

void TMainThread::PrepareRun(run::TMeasurementRun& run) {
    const auto over = [this] { return ErrorFlag.load() != 0 || Terminated(); };
    Synchronize([this] { window_.BeginAcquisition(RunStart); });
    run.Begin(RunStart.Settings);
    if (over()) return;
    SleepUnlessTerminated(50);
    run::TModuleParameters parameters;
    Synchronize([this, &parameters] { window_.ReadModuleParameters(parameters); });
    if (!Passed(run.ConfigureModule(parameters)) || over()) return;
    const double milliseconds = run.Geometry().FrameMilliseconds();
    Synchronize([this, milliseconds] { window_.ShowAcquisitionTime(milliseconds); });
    SleepUnlessTerminated(50);
    if (over() || !Passed(run.CheckThroughput(RunStart.CrateTypeCode, RunStart.ModuleName))) return;
    Passed(run.PrepareBuffers());
}

void TMainThread::MultimeterLoop() {
    run::TMeasurementRun run(window_.AcquisitionModuleRecord(), TerminateFlag());
    const auto over = [this] { return ErrorFlag.load() != 0 || Terminated(); };
    try {
        PrepareRun(run);
        SleepUnlessTerminated(100);
        while (!over()) {
            if (!Passed(run.AcquireFrame()) || Terminated()) break;
            if (!Passed(run.ConvertFrame()) || Terminated()) break;
            std::array<bool, 4> ticked{};
            for (int c = 0; c < 4; ++c) ticked[c] = window_.ChannelTicked(c);
            if (!Passed(run.ComputeChannels(ticked)) || over()) break;
            Synchronize([this, &run] { window_.ShowValues(run); });
            SleepUnlessTerminated(100);
            Synchronize([this, &run] { window_.ShowOverloads(run); });
        }
    } catch (...) {
        MessageText = run::messages::LoopException;
        Synchronize([this] { ShowThreadMessage(); });
    }
    // Every run ends with the module stopped and its buffer cleared, even a
    // run stopped in the middle of a frame.
    Passed(run.StopModule());
    // The pause lets the module settle after an error; a stop request skips it.
    SleepUnlessTerminated(100);
    Synchronize([this, &run] {
        run.Release();
        window_.EndAcquisition();
    });
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

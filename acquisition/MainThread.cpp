#include "acquisition/MainThread.h"

#include "FormatFloat/DecimalSeparator.h"
#include "FormatFloat/StrToFloat.h"
#include "run/RunMessages.h"

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

bool TMainThread::Passed(const run::TStepResult& step) {
    if (step.Kind == run::TStepResult::TKind::Failed) {
        Report(step.Message);
    }
    return step.Ok();
}

void TMainThread::PrepareRun(run::TMeasurementRun& run) {
    const auto over = [this] { return ErrorFlag.load() != 0 || Terminated(); };
    Synchronize([this] { window_.BeginAcquisition(RunStart); });
    run.Begin(RunStart.Settings);
    if (over()) return;
    SleepUnlessTerminated(50);
    if (!Passed(run.ConfigureModule(RunStart.Parameters)) || over()) return;
    Synchronize([this, &run] { window_.ShowRun(run, TRunView::FrameTime); });
    SleepUnlessTerminated(50);
    if (over() || !Passed(run.CheckThroughput(RunStart.CrateTypeCode, RunStart.ModuleName))) return;
    Passed(run.PrepareBuffers());
}

void TMainThread::MultimeterLoop() {
    run::TMeasurementRun run(module_, TerminateFlag());
    const auto over = [this] { return ErrorFlag.load() != 0 || Terminated(); };
    try {
        PrepareRun(run);
        SleepUnlessTerminated(100);
        while (!over()) {
            if (!Passed(run.AcquireFrame()) || Terminated()) break;
            if (!Passed(run.ConvertFrame()) || Terminated()) break;
            std::array<bool, 4> ticked{};
            for (int c = 0; c < 4; ++c) ticked[c] = Ticked(c);
            if (!Passed(run.ComputeChannels(ticked)) || over()) break;
            Synchronize([this, &run] { window_.ShowRun(run, TRunView::Values); });
            SleepUnlessTerminated(100);
            Synchronize([this, &run] { window_.ShowRun(run, TRunView::Overloads); });
        }
    } catch (...) {
        Report(run::messages::LoopException);
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
            if (ErrorFlag.load() != 0) return;
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

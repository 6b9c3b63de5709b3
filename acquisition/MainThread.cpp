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

void TMainThread::PrepareRun() {
    window_.SetAcquisitionRunning(true);
    ErrorFlag.store(0);
    SetDecimalSeparator('.');
    ProcessingFunctions[0] = [this] { MultimeterFunction(); };
}

void TMainThread::MultimeterFunction() {
    // The frame loop goes here; until then the run only waits for its end.
    while (!Terminated() && ErrorFlag.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
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
            PrepareRun();
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

#include "Threads/ReportingThread.h"

namespace Threads {

TReportingThread::TReportingThread(bool freeOnTerminate, TMessageDialogHost& host, const char* caption,
                                   const char* button)
    : TWorkerThread(freeOnTerminate), host_(host), caption_(caption), button_(button) {}

void TReportingThread::ShowThreadMessage() {
    if (ErrorFlag.load() != 0) return;
    ErrorFlag.store(1);
    TMessageDialogPars pars;
    pars.Caption = caption_;
    pars.ButtonCaptions = {button_};
    pars.Message = MessageText;
    host_.ExecuteMessageDialog(pars);
}

void TReportingThread::Report(std::string text) {
    MessageText = std::move(text);
    Synchronize([this] { ShowThreadMessage(); });
}

}  // namespace Threads

#pragma once

#include "Threads/WorkerThread.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace Threads {

// The styled message box of a worker thread, fields in box order.
struct TMessageDialogPars {
    std::string Caption;
    uint8_t DlgType = 1;                      // 0 warning, 1 error, 2 information, 3 confirmation, 4 custom
    uint16_t Buttons = 1u << 2;               // bit b = standard button b (2 = OK)
    std::vector<std::string> ButtonCaptions;  // one per button, in button order
    std::string Message;
};

// Where a worker thread's box is shown.
class TMessageDialogHost {
public:
    // GUI: shows the box modally and returns its modal result.
    virtual int ExecuteMessageDialog(const TMessageDialogPars& pars) = 0;

protected:
    ~TMessageDialogHost() = default;
};

// A worker thread whose run reports at most one message: the first report of a
// run shows a box with the thread's caption and one button, later reports of the
// same run show nothing (ErrorFlag stays set until the run clears it).
class TReportingThread : public TWorkerThread {
public:
    // Set by ShowThreadMessage when it shows a box; ends the run and silences later reports.
    std::atomic<uint8_t> ErrorFlag{0};
    // Text of the next message box.
    std::string MessageText;

    // GUI: shows MessageText in the thread's styled box, once per run.
    void ShowThreadMessage();

protected:
    // caption and button outlive the thread (they are the threads' literal texts).
    TReportingThread(bool freeOnTerminate, TMessageDialogHost& host, const char* caption, const char* button);

    // Thread side: the run's report, shown on the GUI thread while this thread waits.
    void Report(std::string text);
    // Whether a report of this run has been shown.
    bool Reported() const { return ErrorFlag.load() != 0; }

private:
    TMessageDialogHost& host_;
    const char* caption_;
    const char* button_;
};

}  // namespace Threads

#pragma once

#include "run/MeasurementRun.h"
#include "run/ModuleConfiguration.h"
#include "run/RunLoop.h"

#include "Threads/ReportingThread.h"

#include <chrono>
#include <cstdint>
#include <string>

// What the window hands a run at its start: the run's start (the operator's
// settings, the crate type, the module name) and the page's parameters for the
// module configuration.
struct TAcquisitionStart : run::TRunStart {
    run::TModuleParameters Parameters;
    // Where the module is found again after a lost connection.
    std::string CrateSerial;
    uint16_t Slot = 0;
};

// A run whose module was lost, while it waits to resume: what the window shows.
struct TLinkLoss {
    std::string Message;                            // the failed step's text
    std::chrono::system_clock::time_point Since;    // when the loss was seen
    std::chrono::system_clock::time_point NextTry;  // when the module is looked for again
    int FailedTries = 0;                            // tries since the loss that found no module
    double GapSeconds = 0.0;                        // at the resumption: from the loss to the first frame
};

// What of a run the window shows, step by step.
enum class TRunView {
    FrameTime,  // the frame's duration, once the geometry is fixed
    Values,     // the values of the last computed frame; the overload lamps neutral
    Overloads,  // the overload lamps of the last frame
    Lost,       // the module was lost (or a try to find it again failed); the run waits
    Resumed,    // the first frame after a loss is done, before its values are shown
};

// What the acquisition thread needs from the main window. Methods marked GUI
// touch controls or message boxes and run on the GUI thread (the thread reaches
// them through Synchronize, waiting meanwhile); the others are safe from any thread.
class TAcquisitionWindow : public Threads::TMessageDialogHost {
public:
    // Any thread: the thread has begun its run (the start hand-shake waits for this).
    virtual void AcquisitionThreadRunning() = 0;
    // GUI, the first step of a run: START becomes STOP, the channel frames are
    // cleared, the run becomes active on the multimeter page, and start receives the
    // operator's settings, the page's parameters, the crate type and the module name.
    virtual void BeginAcquisition(TAcquisitionStart& start) = 0;
    // GUI: shows what view names of the run, in the patterns the run started with;
    // loss: the loss of Lost and Resumed (empty for the other views).
    virtual void ShowRun(const run::TMeasurementRun& run, TRunView view, const TLinkLoss& loss) = 0;
    // GUI, the last step of every run: START restored, the run inactive.
    virtual void EndAcquisition() = 0;

protected:
    ~TAcquisitionWindow() = default;
};

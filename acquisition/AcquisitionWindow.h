#pragma once

#include "run/MeasurementRun.h"
#include "run/RunLoop.h"
#include "run/ModuleConfiguration.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct ModuleRecord;

// What the acquisition thread needs from the main window. Methods marked GUI
// touch controls or message boxes and must be called on the GUI thread (the
// thread reaches them through Synchronize); the others are safe from any thread.

// The styled message box of an acquisition thread, fields in box order.
struct AcquisitionMessageDialogPars {
    std::string Caption;
    uint8_t DlgType = 1;                   // 0 warning, 1 error, 2 information, 3 confirmation, 4 custom
    uint16_t Buttons = 1u << 2;            // bit b = standard button b (2 = OK)
    std::vector<std::string> ButtonCaptions;  // one per button, in button order
    std::string Message;
};

// What the window hands a run at its start: the operator's settings (copied once
// per run), the crate type as discovery found it and the module name of the record.
using TAcquisitionStart = run::TRunStart;

class TAcquisitionWindow {
public:
    // Any thread: the acquisition thread's running flag of the window.
    virtual void SetAcquisitionRunning(bool running) = 0;
    // Any thread: whether no measurement run is active.
    virtual void SetAcquisitionIdle(bool idle) = 0;
    // GUI: shows the box modally and returns its modal result (buttons in one
    // row, equally wide, spread over the box).
    virtual int ExecuteMessageDialog(const AcquisitionMessageDialogPars& pars) = 0;

    // Any thread: the window's module record; a run uses it alone while it lasts.
    virtual ModuleRecord& AcquisitionModuleRecord() = 0;
    // Any thread: whether the enable box of channel c (0 ... 3) is ticked now.
    virtual bool ChannelTicked(int channel) const = 0;

    // GUI, the first step of a run: START becomes STOP, the channel frames are
    // cleared, the run becomes active on the multimeter page, and start receives the
    // operator's settings, the crate type and the module name.
    virtual void BeginAcquisition(TAcquisitionStart& start) = 0;
    // GUI: the page's parameters for the module configuration.
    virtual void ReadModuleParameters(run::TModuleParameters& parameters) = 0;
    // GUI: the frame's duration once the geometry is fixed.
    virtual void ShowAcquisitionTime(double milliseconds) = 0;
    // GUI: the values of the run's last computed frame, in the patterns the run
    // started with; the overload indicators neutral until ShowOverloads.
    virtual void ShowValues(const run::TMeasurementRun& run) = 0;
    // GUI: the overload indicators of the run's last frame.
    virtual void ShowOverloads(const run::TMeasurementRun& run) = 0;
    // GUI, the last step of every run: START restored, the run inactive.
    virtual void EndAcquisition() = 0;

protected:
    ~TAcquisitionWindow() = default;
};

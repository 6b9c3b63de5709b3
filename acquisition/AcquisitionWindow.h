#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

class TAcquisitionWindow {
public:
    // Any thread: the acquisition thread's running flag of the window.
    virtual void SetAcquisitionRunning(bool running) = 0;
    // Any thread: whether no measurement run is active.
    virtual void SetAcquisitionIdle(bool idle) = 0;
    // GUI: shows the box modally and returns its modal result (buttons in one
    // row, equally wide, spread over the box).
    virtual int ExecuteMessageDialog(const AcquisitionMessageDialogPars& pars) = 0;

protected:
    ~TAcquisitionWindow() = default;
};

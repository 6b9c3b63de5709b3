#pragma once

#include "device/DiscoveryTables.h"

#include <cstdint>
#include <string>
#include <vector>

class TInitAndConfigThread;
struct ModuleRecord;

// What the discovery thread needs from the main window. Methods marked GUI
// touch controls or message boxes and must be called on the GUI thread (the
// thread reaches them through Synchronize); the others are safe from any thread.

// The styled message box of a discovery thread, fields in box order.
struct DiscoveryMessageDialogPars {
    std::string Caption;
    uint8_t DlgType = 1;                   // 0 warning, 1 error, 2 information, 3 confirmation, 4 custom
    uint16_t Buttons = 1u << 2;            // bit b = standard button b (2 = OK)
    std::vector<std::string> ButtonCaptions;  // one per button, in button order
    std::string Message;
};

// The window holds the discovery tables (TDiscoveryTables): a run rebuilds or
// reads them in its GUI steps and in OpenSelectedModule on its own thread.
class TDiscoveryWindow : public TDiscoveryTables {
public:
    // Any thread: the discovery thread's running flag of the window.
    virtual void SetDiscoveryRunning(bool running) = 0;
    // GUI: shows the box modally and returns its modal result (buttons
    // centred one below the other, each as wide as its caption).
    virtual int ExecuteMessageDialog(const DiscoveryMessageDialogPars& pars) = 0;
    // GUI: forgets the crate and module state of the window (crate not ok, no module).
    virtual void ResetDiscoveryState() = 0;
    // Discovery of crates and modules.
    // Any thread: the window's module record; a run uses it only between or
    // inside its steps, never while the GUI thread works on its own.
    virtual ModuleRecord& DiscoveryModuleRecord() = 0;
    // Any thread: set once the window is closing; a run then skips to FinishDiscovery.
    virtual bool DiscoveryCancelled() const = 0;
    // Any thread: a discovery thread object was made (true) or is going (false).
    virtual void DiscoveryThreadAlive(bool alive) = 0;
    // GUI steps of a run (the run's fields are read and written through run).
    virtual void SwitchPopupMenuOff() = 0;
    virtual void PrepareDiscovery(TInitAndConfigThread& run) = 0;
    virtual void RestoreWindowPosition(TInitAndConfigThread& run) = 0;
    virtual bool FullSearch(TInitAndConfigThread& run) = 0;
    virtual bool ReloadModuleList(TInitAndConfigThread& run) = 0;
    virtual void ShowDeviceStatus(const TInitAndConfigThread& run, bool withDevice) = 0;
    virtual void ApplySettings(TInitAndConfigThread& run) = 0;
    // GUI: the last step of every run; makes the window's controls usable again.
    virtual void FinishDiscovery(TInitAndConfigThread& run) = 0;

protected:
    ~TDiscoveryWindow() = default;
};

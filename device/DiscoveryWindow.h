#pragma once

#include "device/CrateScan.h"
#include "device/DiscoveryTables.h"

#include "Threads/ReportingThread.h"

#include <cstdint>
#include <memory>
#include <string>

namespace inifile {
class TIniFile;
}

// What a discovery run looks for: everything, the modules of a newly chosen
// crate, or a newly chosen module of the same crate.
enum class TDiscoveryMode : uint16_t { ModuleChanged = 1, CrateChanged = 2, FullSearch = 3 };

// What of a run's findings the window shows: the lists (a full search's crates and
// modules, a chosen crate's modules), or the crate and module status.
enum class TDiscoveryView { Lists, Status };

// The life of a discovery thread as the window counts it.
enum class TDiscoveryThreadState { Made, Running, Gone };

// One discovery run's own record. The window fills its start in PrepareDiscovery;
// the thread does the network work on its copy of the tables; the window takes
// the outcome in its GUI steps. Nothing here is the window's own data.
struct TDiscoveryRun {
    static constexpr int NoSavedCursor = -2;

    TDiscoveryMode Mode = TDiscoveryMode::FullSearch;
    bool RestoreSettings = false;
    // The window's tables when the run was made; a full search rebuilds them, the
    // other modes change the module state only.
    TDiscoveryTables Tables;
    // Set by a full search whose scan listed crates: the lists may be refilled.
    bool CratesListed = false;
    std::string WantedCrateSerial;  // crate to select in a full search
    int16_t WantedModuleSlot = -1;  // slot to select in that crate; -1 none
    TModuleIdentity Identity;       // of the opened module; empty before an open
    // Held from PrepareDiscovery to FinishDiscovery.
    std::unique_ptr<inifile::TIniFile> SettingsFile;
    // Screen cursor before the run: a Qt cursor shape, -1 no override cursor,
    // NoSavedCursor before PrepareDiscovery saved it.
    int SavedCursor = NoSavedCursor;
    // Set by a GUI step that must end the run with a message; the thread shows it.
    std::string Message;
};

// What the discovery thread needs from the main window. Methods marked GUI touch
// controls or message boxes and run on the GUI thread (the thread reaches them
// through Synchronize, waiting meanwhile); the others are safe from any thread.
// The window hands the thread nothing of its own but through these steps.
class TDiscoveryWindow : public Threads::TMessageDialogHost {
public:
    // Any thread: a discovery thread was made, has begun its run, or is going
    // (its last touch of the window).
    virtual void DiscoveryThreadState(TDiscoveryThreadState state) = 0;
    // Any thread: set once the window is closing; a run then skips to FinishDiscovery.
    virtual bool DiscoveryCancelled() const = 0;
    // GUI: the controls off, the settings file opened, the module to look for, the
    // status cleared, and (restoring) the saved window position; run.Message on failure.
    virtual void PrepareDiscovery(TDiscoveryRun& run) = 0;
    // GUI: the window takes the run's module state and shows view of what it found.
    virtual void ShowDiscoveryResult(const TDiscoveryRun& run, TDiscoveryView view) = 0;
    // GUI: the settings file into the controls and the module; run.Message on failure.
    virtual void ApplySettings(TDiscoveryRun& run) = 0;
    // GUI: the last step of every run: the window takes the run's module state
    // and makes its controls usable again.
    virtual void FinishDiscovery(TDiscoveryRun& run) = 0;

protected:
    ~TDiscoveryWindow() = default;
};

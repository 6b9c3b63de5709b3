#pragma once

#include "device/DiscoveryWindow.h"
#include "Threads/WorkerThread.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace inifile {
class TIniFile;
}

// The discovery thread: finds crates and modules, opens the selected module
// and loads the settings, one run per object. It starts on Start() and
// deletes itself when it ends; its termination hook runs on the GUI thread.
class TInitAndConfigThread : public Threads::TWorkerThread {
public:
    using MESSAGE_DIALOG_PARS = DiscoveryMessageDialogPars;

    static constexpr const char* MessageCaption = "Сообщение TInitAndConfigThread::Execute()!!!";
    static constexpr const char* ButtonCaption = "Принято";
    static constexpr const char* UnexpectedExceptionText =
        "Опаньки!!! Поймали неустранимое исключение!!!\nСрочно сообщите разработчику!";

    // discoveryMode: 3 full search, 2 crate changed, 1 module changed.
    TInitAndConfigThread(TDiscoveryWindow& window, uint16_t discoveryMode, bool restoreSettings);

    const uint16_t DiscoveryMode;
    const bool RestoreSettings;

    // Set by ShowThreadMessage when it shows a box; later reports of the run show nothing.
    std::atomic<uint8_t> ErrorFlag{0};
    // Text of the next message box.
    std::string MessageText;

    // GUI: shows MessageText in the thread's styled box, once per run.
    void ShowThreadMessage();

    // Discovery of crates and modules: the run's own fields.
    ~TInitAndConfigThread() override;
    static constexpr int NoSavedCursor = -2;
    std::string WantedCrateSerial;         // crate to select in a full search
    int16_t WantedModuleSlot = -1;         // slot to select in that crate; -1 none
    std::string ModuleName;                // from the record after an open; empty before
    uint8_t CrateTypeCode = 0;             // crate of the opened module; 0 before
    std::string CrateName;                 // CrateModelName(CrateTypeCode)
    // Held from PrepareDiscovery to FinishDiscovery.
    std::unique_ptr<inifile::TIniFile> DiscoverySettingsFile;
    // Screen cursor before the run: a Qt cursor shape, -1 no override cursor,
    // NoSavedCursor before PrepareDiscovery saved it.
    int SavedCursor = NoSavedCursor;
    // Discovery thread: opens and identifies the selected module on the window's record.
    bool OpenSelectedModule();

protected:
    void Execute() override;

private:
    // The discovery steps; they end with FinishDiscovery on the GUI thread.
    void RunDiscovery();
    // The steps between PrepareDiscovery and the final sleep.
    void RunSteps();
    // Sleeps ms milliseconds (the pauses that let the window repaint between steps).
    static void Pause(int ms);
    // Whether the run goes on: no report made and the window not closing.
    bool Going() const;

    TDiscoveryWindow& window_;
};

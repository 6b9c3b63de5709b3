#pragma once

#include "device/DiscoveryWindow.h"
#include "Threads/ReportingThread.h"

#include "zeb44api.h"

#include <cstdint>

// The discovery thread: finds crates and modules, opens the selected module
// and loads the settings, one run per object. Every network call of the run
// (the crate scan, the opening of modules) is made on this thread; the window
// is only asked to show what was found. It starts on Start() and deletes itself
// when it ends; its termination hook runs on the GUI thread.
class TInitAndConfigThread : public Threads::TReportingThread {
public:
    static constexpr const char* MessageCaption = "Сообщение TInitAndConfigThread::Execute()!!!";
    static constexpr const char* ButtonCaption = "Принято";
    static constexpr const char* UnexpectedExceptionText =
        "Опаньки!!! Поймали неустранимое исключение!!!\nСрочно сообщите разработчику!";

    // module: the window's module record, used by this run alone while it lasts.
    // tables: the window's discovery tables at the request.
    TInitAndConfigThread(TDiscoveryWindow& window, ModuleRecord& module, const TDiscoveryTables& tables,
                         TDiscoveryMode mode, bool restoreSettings);
    ~TInitAndConfigThread() override;

    // The run's record (read and written by the window in its GUI steps).
    TDiscoveryRun Run;

protected:
    void Execute() override;

private:
    // The discovery steps; they end with FinishDiscovery on the GUI thread.
    void RunDiscovery();
    // The steps between PrepareDiscovery and the final sleep.
    void RunSteps();
    // Full search: the crate scan, the selection and the opening of the module.
    void SearchCrates();
    // Opens and identifies the selected module; false with the record closed.
    bool OpenSelectedModule();
    // Runs a GUI step, then shows the message it left, if any.
    void WindowStep(void (TDiscoveryWindow::*step)(TDiscoveryRun&));
    // Sleeps ms milliseconds (the pauses that let the window repaint between steps).
    static void Pause(int ms);
    // Whether the run goes on: no report made and the window not closing.
    bool Going() const;

    TDiscoveryWindow& window_;
    ModuleRecord& module_;
};

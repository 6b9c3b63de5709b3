#include "device/InitAndConfigThread.h"

#include "device/CrateScan.h"

#include "IniFile/IniFile.h"

#include <chrono>
#include <thread>

TInitAndConfigThread::TInitAndConfigThread(TDiscoveryWindow& window, ModuleRecord& module,
                                           const TDiscoveryTables& tables, TDiscoveryMode mode, bool restoreSettings)
    : TReportingThread(/*freeOnTerminate=*/true, window, MessageCaption, ButtonCaption),
      window_(window),
      module_(module) {
    Run.Mode = mode;
    Run.RestoreSettings = restoreSettings;
    Run.Tables = tables;
    window_.DiscoveryThreadState(TDiscoveryThreadState::Made);
}

TInitAndConfigThread::~TInitAndConfigThread() {
    // Last touch of the window: a closing window waits for this before it goes.
    window_.DiscoveryThreadState(TDiscoveryThreadState::Gone);
}

void TInitAndConfigThread::Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool TInitAndConfigThread::Going() const { return !Reported() && !window_.DiscoveryCancelled(); }

void TInitAndConfigThread::WindowStep(void (TDiscoveryWindow::*step)(TDiscoveryRun&)) {
    Synchronize([this, step] { (window_.*step)(Run); });
    if (!Run.Message.empty()) Report(std::exchange(Run.Message, {}));
}

bool TInitAndConfigThread::OpenSelectedModule() {
    return ::OpenSelectedModule(Run.Tables, module_, Run.Identity);
}

void TInitAndConfigThread::RunDiscovery() {
    window_.DiscoveryThreadState(TDiscoveryThreadState::Running);
    ErrorFlag.store(0);
    Pause(50);
    if (!window_.DiscoveryCancelled()) {
        WindowStep(&TDiscoveryWindow::PrepareDiscovery);
        Pause(100);
        if (Going()) RunSteps();
    }
    Pause(100);
    Synchronize([this] { window_.FinishDiscovery(Run); });
}

void TInitAndConfigThread::SearchCrates() {
    TDiscoveryTables& tables = Run.Tables;
    switch (ScanCrates(tables, module_)) {
    case TScanResult::NoCrateList:
        Report("Не могу найти ни одного ZEB крейта!");
        return;
    case TScanResult::CrateFailed:
        // The crate's connection is closed already; the crate is named.
        Report("Не могу опросить ZEB крейт '" + FieldText(tables.CrateSerials[tables.CrateCount - 1]) + "'!");
        return;
    case TScanResult::Done:
        break;
    }
    if (tables.ListedCrateCount == 0) {
        Report(std::string("Не могу найти ни одного ZEB крейта, где бы был установлен модуль ") + Zeb44ModuleText +
               "!");
        return;
    }
    SelectWantedModule(tables, Run.WantedCrateSerial, Run.WantedModuleSlot);
    Run.CratesListed = true;
    tables.CrateOk = 1;
    const uint16_t c = tables.SelectedCrateIndex;
    const uint16_t m = tables.SelectedModuleIndex[c];
    if (OpenModuleInSlot(module_, tables.ListedCrateSerials[c], tables.ListedModuleSlots[c][m]))
        tables.ModuleState = TModuleState::Opened;
}

void TInitAndConfigThread::RunSteps() {
    Pause(100);
    switch (Run.Mode) {
    case TDiscoveryMode::FullSearch:
        SearchCrates();
        Synchronize([this] { window_.ShowDiscoveryResult(Run, TDiscoveryView::Lists); });
        Pause(100);
        if (Going()) {
            if (Run.Tables.ModuleState == TModuleState::Opened) OpenSelectedModule();
            Pause(100);
        }
        // The status is shown whether or not the search made a report.
        if (window_.DiscoveryCancelled()) return;
        Synchronize([this] { window_.ShowDiscoveryResult(Run, TDiscoveryView::Status); });
        Pause(100);
        break;
    case TDiscoveryMode::ModuleChanged:
        if (!OpenSelectedModule()) {
            if (window_.DiscoveryCancelled()) return;
            Report("Не могу проинициализировать модуль в указанном слоте!");
            return;
        }
        Synchronize([this] { window_.ShowDiscoveryResult(Run, TDiscoveryView::Status); });
        Pause(100);
        break;
    case TDiscoveryMode::CrateChanged: {
        CloseModuleIfOpen(module_);
        if (!OpenSelectedModule()) {
            // The record is closed now: no measurement may be offered on it.
            Run.Tables.ModuleState = TModuleState::None;
            Synchronize([this] { window_.ShowDiscoveryResult(Run, TDiscoveryView::Lists); });
            Report("Не могу проинициализировать ZEB крейт с модулями в указанном слоте!");
            return;
        }
        Run.Tables.CrateOk = 1;
        Synchronize([this] {
            window_.ShowDiscoveryResult(Run, TDiscoveryView::Lists);
            window_.ShowDiscoveryResult(Run, TDiscoveryView::Status);
        });
        Pause(100);
        break;
    }
    }
    if (Going()) {
        WindowStep(&TDiscoveryWindow::ApplySettings);
        Pause(100);
    }
}

void TInitAndConfigThread::Execute() {
    try {
        RunDiscovery();
    } catch (...) {
        try {
            Report(UnexpectedExceptionText);
            // The window forgets the crate and the module.
            Run.Tables.CrateOk = 0;
            Run.Tables.ModuleState = TModuleState::None;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            Synchronize([this] { window_.FinishDiscovery(Run); });
        } catch (...) {
            // Nothing more can be reported; the thread still ends and frees itself.
        }
    }
}

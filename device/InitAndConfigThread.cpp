#include "device/InitAndConfigThread.h"

#include "device/CrateScan.h"

#include "IniFile/IniFile.h"

#include <chrono>
#include <thread>

TInitAndConfigThread::TInitAndConfigThread(TDiscoveryWindow& window, uint16_t discoveryMode,
                                           bool restoreSettings)
    : TWorkerThread(/*freeOnTerminate=*/true),
      DiscoveryMode(discoveryMode),
      RestoreSettings(restoreSettings),
      window_(window) {
    window_.DiscoveryThreadAlive(true);
}

TInitAndConfigThread::~TInitAndConfigThread() {
    // Last touch of the window: a closing window waits for this before it goes.
    window_.DiscoveryThreadAlive(false);
}

void TInitAndConfigThread::ShowThreadMessage() {
    if (ErrorFlag.load() != 0) return;
    ErrorFlag.store(1);
    MESSAGE_DIALOG_PARS pars;
    pars.Caption = MessageCaption;
    pars.DlgType = 1;
    pars.Buttons = 1u << 2;
    pars.ButtonCaptions = {ButtonCaption};
    pars.Message = MessageText;
    window_.ExecuteMessageDialog(pars);
}

void TInitAndConfigThread::Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool TInitAndConfigThread::Going() const { return ErrorFlag.load() == 0 && !window_.DiscoveryCancelled(); }

bool TInitAndConfigThread::OpenSelectedModule() {
    TModuleIdentity identity;
    const bool opened = ::OpenSelectedModule(window_, window_.DiscoveryModuleRecord(), identity);
    ModuleName = identity.ModuleName;
    CrateTypeCode = identity.CrateTypeCode;
    CrateName = identity.CrateName;
    return opened;
}

void TInitAndConfigThread::RunDiscovery() {
    window_.SetDiscoveryRunning(true);
    // From the first run on, the context menu is reached through its short-cuts only.
    Synchronize([this] { window_.SwitchPopupMenuOff(); });
    ErrorFlag.store(0);
    Pause(50);
    if (!window_.DiscoveryCancelled()) {
        Synchronize([this] { window_.PrepareDiscovery(*this); });
        Pause(100);
        if (Going()) RunSteps();
    }
    Pause(100);
    Synchronize([this] { window_.FinishDiscovery(*this); });
}

void TInitAndConfigThread::RunSteps() {
    Synchronize([this] { window_.RestoreWindowPosition(*this); });
    Pause(100);
    switch (DiscoveryMode) {
    case 3:  // full search
        Synchronize([this] { window_.FullSearch(*this); });
        Pause(100);
        if (Going()) {
            if (window_.ModuleState == 1) OpenSelectedModule();
            Pause(100);
        }
        // The status is shown whether or not the search made a report.
        if (window_.DiscoveryCancelled()) return;
        Synchronize([this] { window_.ShowDeviceStatus(*this, true); });
        Pause(100);
        break;
    case 1:  // module changed
        if (!OpenSelectedModule()) {
            if (window_.DiscoveryCancelled()) return;
            MessageText = "Не могу проинициализировать модуль в указанном слоте!";
            Synchronize([this] { ShowThreadMessage(); });
            return;
        }
        Synchronize([this] { window_.ShowDeviceStatus(*this, true); });
        Pause(100);
        break;
    case 2: {  // crate changed
        bool reloaded = false;
        Synchronize([this, &reloaded] { reloaded = window_.ReloadModuleList(*this); });
        if (!reloaded) {
            MessageText = "Не могу проинициализировать ZEB крейт с модулями в указанном слоте!";
            Synchronize([this] { ShowThreadMessage(); });
            return;
        }
        Synchronize([this] { window_.ShowDeviceStatus(*this, true); });
        Pause(100);
        break;
    }
    default:
        break;
    }
    if (Going()) {
        Synchronize([this] { window_.ApplySettings(*this); });
        Pause(100);
    }
}

void TInitAndConfigThread::Execute() {
    try {
        RunDiscovery();
    } catch (...) {
        try {
            MessageText = UnexpectedExceptionText;
            Synchronize([this] { ShowThreadMessage(); });
            Synchronize([this] { window_.ResetDiscoveryState(); });
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            Synchronize([this] { window_.FinishDiscovery(*this); });
        } catch (...) {
            // Nothing more can be reported; the thread still ends and frees itself.
        }
    }
}

#pragma once

#include "app/ReentryGuard.h"
#include "app/SettingsController.h"
#include "device/DiscoveryWindow.h"

#include "zeb44api.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class QMainWindow;
class QWidget;
class TApplicationEvents;
class TMainFormUi;
class TMultimeterPage;

// The crates and the module: discovery runs (requests, the start hand-shake, the
// wait at the close), what they found (the discovery tables), the one module
// record and its state, the crate and module lists of the top strip, and the
// device status display. It is the discovery thread's window.
class TDeviceController : public QObject, public TDiscoveryWindow {
    Q_OBJECT
public:
    // The caption while no module is identified.
    static constexpr const char* CaptionPlaceholder = "Voltcheck - ?.?.?";

    // stopRun: ends a measurement run before the module changes.
    TDeviceController(TMainFormUi& ui, QMainWindow* window, TReentryGuard& guard, TSettingsController& settings,
                      TMultimeterPage& page, TApplicationEvents* events, std::function<void()> stopRun);
    ~TDeviceController() override;

    // The discovery tables and the module record; the record is used by one run at a time.
    const TDiscoveryTables& Tables() const { return tables_; }
    ModuleRecord& Module() { return module_; }
    TModuleState ModuleState() const { return tables_.ModuleState; }
    bool CrateOk() const { return tables_.CrateOk != 0; }
    // The type code of the crate chosen in the crate list (0 without one) and the
    // module's name as its record holds it.
    uint8_t SelectedCrateTypeCode() const;
    std::string ModuleName() const;
    // What the settings file keeps of the lists' choice.
    TSettingsController::TSelection Selection() const;

    // Posts a discovery request unless a run is at work or a request is pending.
    void RequestDiscovery(TDiscoveryMode mode, bool restore);
    // The posted request: makes and starts the discovery thread and waits until it began.
    void OnStartInitDevicesThread(TDiscoveryMode mode, bool restore);
    // A run is at work (from its start to its termination hook).
    bool DiscoveryRunning() const { return running_.load(); }
    // No request pending.
    bool RequestAllowed() const { return requestAllowed_; }
    // Discovery thread objects alive (made and not yet deleted).
    int ThreadCount() const { return threadCount_.load(); }
    // The window closes: a run at work skips to its end, served for at most timeoutMs;
    // true when no discovery thread is left.
    // The rest of a run after a close is bounded by the libraries' own waits
    // (a connect 0.5 s, a reply 2 s, one open and one configuration at most).
    static constexpr int DiscoveryEndTimeoutMs = 20000;
    bool WaitForDiscoveryEnd(int timeoutMs = DiscoveryEndTimeoutMs);
    // After the wait: the module closed unless a run still holds it.
    void CloseModule();

    // "Обнаружить": a full search with the parameters cleared.
    void FindClicked();
    // The operator chose a crate or a module in the lists: runs of the matching mode.
    void CrateChosen();
    void ModuleChosen();

    // The caption, the crate and module indicators with their tooltips, and the
    // module's serial number and firmware version, as run found them (withDevice
    // false: before the search, everything unknown).
    void ShowDeviceStatus(const TDiscoveryRun& run, bool withDevice);
    // The module indicator while a run has lost its module (lost) and once it is back.
    void ShowModuleLink(bool connected);
    // Switches a control and, for a container, every control inside.
    void EnableControlBranch(QWidget* control, bool enable);

    // The discovery thread's window.
    int ExecuteMessageDialog(const Threads::TMessageDialogPars& pars) override;
    void DiscoveryThreadState(TDiscoveryThreadState state) override;
    bool DiscoveryCancelled() const override { return cancelRequested_.load(); }
    void PrepareDiscovery(TDiscoveryRun& run) override;
    void ShowDiscoveryResult(const TDiscoveryRun& run, TDiscoveryView view) override;
    void ApplySettings(TDiscoveryRun& run) override;
    void FinishDiscovery(TDiscoveryRun& run) override;

private:
    void EnableWindowControls(bool enable);
    // Refills the module list with the modules of listed crate c and selects its module.
    void FillModuleList(uint16_t c);
    // The module configuration of the page to the module; the rate list cleared when refused.
    void ConfigureModule();

    TMainFormUi& ui_;
    QMainWindow* window_;
    TReentryGuard& guard_;
    TSettingsController& settings_;
    TMultimeterPage& page_;
    TApplicationEvents* events_;
    std::function<void()> stopRun_;
    TDiscoveryTables tables_;
    ModuleRecord module_{};
    bool requestAllowed_ = true;
    std::atomic<bool> running_{false};
    // Set by the thread's termination hook; lets the start hand-shake end even when
    // the whole run finished within one 50 ms pass.
    bool ended_ = false;
    std::atomic<bool> cancelRequested_{false};
    std::atomic<int> threadCount_{0};
};

#pragma once

#include "acquisition/AcquisitionWindow.h"
#include "run/ChannelDisplay.h"
#include "device/DiscoveryWindow.h"
#include "ui/MainFormUi.h"
#include "ui/StringGrid.h"

#include "IniFile/IniFile.h"
#include "instrument/Zeb44Tables.h"
#include "settings/SettingsValues.h"

#include "zeb44api.h"

#include <QEvent>
#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class QFileDialog;
class QWidget;
class TApplicationEvents;
class THintWindow;
class TMainThread;
class TReadingLog;
class TSignalViewForm;
class TZeb44AdcChannelFrame;

using TInputRange = instrument::TInputRange;
using TAdcRate = instrument::TAdcRate;

// Placement record of a tooltip about to be shown.
struct THintInfo {
    QWidget* HintControl = nullptr;  // control under the pointer
    QPoint HintPos;                  // top-left of the tooltip window, global
    int HideTimeout = 1500;          // ms the tooltip stays
};

// The private window messages the window posts to itself.
class TPrivateMessage : public QEvent {
public:
    static constexpr QEvent::Type StartInitDevicesThread = QEvent::Type(1124);  // WM_USER + 100
    static constexpr QEvent::Type StartMainThread = QEvent::Type(1125);         // WM_USER + 101
    TPrivateMessage(QEvent::Type type, uint16_t wParam, intptr_t lParam)
        : QEvent(type), WParam(wParam), LParam(lParam) {}
    const uint16_t WParam;
    const intptr_t LParam;
};

// The program's single window. It owns every control, the channel frames,
// the module record and the current acquisition thread, and serves the two
// worker threads through their window interfaces.
class TMainForm : public QMainWindow, public TDiscoveryWindow, public TAcquisitionWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* owner = nullptr);
    ~TMainForm() override;

    // Static control tree; every named control is a member of Ui.
    TMainFormUi Ui;

    // Window-level tables, built by the constructor and constant afterwards.
    std::array<TInputRange, instrument::RangeCount> InputRangeTable{};
    std::array<TAdcRate, instrument::AdcRateCount> AdcRateTable{};
    std::array<QString, 3> ConnectionModeTexts;
    std::array<TZeb44AdcChannelFrame*, 4> ChannelFrames{};
    QString CaptionPlaceholder;

    // Window state. The three flags that worker threads write are atomic.
    bool Busy = false;
    uint8_t StartupStage = 0;
    bool DiscoveryRequestAllowed = true;
    bool AcquisitionRequestAllowed = true;
    std::atomic<bool> DiscoveryRunning{false};
    std::atomic<bool> AcquisitionRunning{false};
    std::atomic<bool> AcquisitionIdle{true};
    QWidget* StartPage = nullptr;
    std::array<uint8_t, 98> WorkingCoefs{};
    std::array<uint8_t, 98> FactoryCoefs{};
    std::array<uint8_t, 98> UserCoefs{};

    // The one ZEB44 module record, for the window's whole life.
    ModuleRecord Module{};
    // The current acquisition thread, if any.
    TMainThread* MainThread = nullptr;
    // The application's tooltip window, when one was found at construction.
    THintWindow* HintWindow = nullptr;
    // The application-wide handlers installed by the constructor.
    TApplicationEvents* ApplicationEvents = nullptr;

    // The window's outer size is its client size plus the design frame
    // (borders and caption bar); the limits below are outer sizes.
    static constexpr int FrameExtraWidth = 8;
    static constexpr int FrameExtraHeight = 32;
    static constexpr int MinimumOuterWidth = 1138;
    static constexpr int MinimumOuterHeight = 608;
    QSize OuterSize() const;

    // Operations used by other parts of the window.
    void RequestDiscovery(uint16_t mode, bool restore);
    void StopMainThread();
    void StartThread();
    void ResetChannelFrame(int channel);
    void DisableThemedCaptions(QWidget* container);
    void DialogShow(QFileDialog* dialog);
    void DialogClose(QFileDialog* dialog);
    // Writes the current settings to fileName (the settings layer fills this in).
    void SaveIniFile(const QString& fileName);
    // Full path of "Voltcheck.ini": in the folder SetSettingsDirectory gave, else beside
    // the program's executable when that folder is writable, else in
    // $XDG_CONFIG_HOME/Voltcheck (default ~/.config/Voltcheck, made when missing).
    static QString SettingsFileName();

    // Lifecycle handlers.
    void FormCreate();
    void FormShow();
    void FormResize();
    void FormActivate();
    // Returns whether the steps ran (false when Busy skipped them); the window closes either way.
    bool FormClose();
    void FormDestroy();

    // Control handlers.
    void FindDeviceLMDButtonClick(QObject* sender);
    void RebootDeviceMenuItemClick();
    void StartLMDSpeedButtonClick();
    void ApplicationExitClick();
    // Channel frame handlers of the multimeter page (bound by the constructor).
    void EnaChannelLMDCheckBoxChange(QObject* sender);
    void ChannelRangeChange(QObject* sender);

    // Settings file (load, save, defaults).
    // Values the window takes from the module section at each load.
    computation::TMethod ComputationMethod = computation::TMethod::Spectral;
    computation::TAmplitudeType AmplitudeType = computation::TAmplitudeType::Rms;
    double MaxAcquisitionTime = 1.0;        // seconds
    // Decimals shown per range (index = range index) and the display patterns built from them.
    std::array<uint16_t, 6> DcPrecision = settings::ModuleSettings{}.dcPrecision;
    std::array<uint16_t, 6> AcPrecision = settings::ModuleSettings{}.acPrecision;
    std::array<uint16_t, 6> FrPrecision = settings::ModuleSettings{}.frPrecision;
    std::array<std::string, 6> DcFormat = settings::ModuleSettings{}.dcFormat;
    std::array<std::string, 6> AcFormat = settings::ModuleSettings{}.acFormat;
    std::array<std::string, 6> FrFormat = settings::ModuleSettings{}.frFormat;
    int32_t CorrectionCoefSource = 1;
    // The window's settings file: made by SaveIniFile or CreateDefaultIniFile, kept until
    // the next of them or until the window closes.
    std::unique_ptr<inifile::TIniFile> SettingsFile;
    // GUI, first step of a discovery run: creates the file with defaults when it is missing
    // and makes the run's settings-file object. True with discoverySettingsFile set; false
    // with errorMessage set: the run reports it and ends; false with errorMessage empty: the
    // defaults could not be written (a box said why), the run goes on without settings.
    bool OpenSettingsFile(std::unique_ptr<inifile::TIniFile>& discoverySettingsFile, std::string& errorMessage);
    // GUI, last step of a discovery run: the file's settings into the controls and, with a
    // module opened and identified, to the module. False only without a file object.
    bool LoadSettings(const inifile::TIniFile* settingsFile);
    bool LoadModuleSettings(const inifile::TIniFile* settingsFile);
    bool LoadCoefficientSource(const inifile::TIniFile* settingsFile);
    bool ApplyModuleSettings(const inifile::TIniFile* settingsFile);
    // Writes the defaults into fileName; false (after a box) when it cannot.
    bool CreateDefaultIniFile(const QString& fileName);
    void AutoSaveSettingsLMDCheckBoxChange();
    void SaveSettingsButtonClick();
    void SaveCurrentSettingsClick();   // Ctrl+S
    void SaveDefaultSettingsClick();   // Ctrl+D
    // Tests only: the settings file lives in directory instead of beside the executable;
    // an empty directory restores the executable's.
    static void SetSettingsDirectory(const QString& directory);
    // Connects the save controls and menu items (called by BindHandlers).
    void BindSettingsHandlers();

    // Multimeter page parameter controls.
    void AdcRateComboBoxChange();
    void AllChannelsLMDCheckBoxChange();
    void CommonInputRangeLMDComboBoxChange();
    void CommonInputConnectionModeLMDComboBoxChange();
    void CommonComputationMethodLMDComboBoxChange();
    // The common measuring-mode list (connection mode 0) or the "AC"/"DC" label in its place.
    void ShowCommonComputationMethod(int connectionMode);
    // Mode label, value displays and unit labels of one frame for these modes.
    void ApplyChannelMode(int channel, int connectionMode, int measuringModeIndex);
    // Returns whether the four enable boxes agree; channel0Enabled: channel 0's box ticked.
    bool AllChannelsEnabledAlike(bool& channel0Enabled) const;
    // Returns whether the four range lists agree; channel0Range: channel 0's item index.
    bool AllChannelRangesAlike(int& channel0Range) const;
    // Called by FinishDiscovery with a module opened and identified.
    void EnableChannelControls();
    // Connects the common parameter lists and "Все каналы" (called by BindHandlers).
    void BindMultimeterPageHandlers();
    // Writes the configuration fields of Module from the page's controls (a list without
    // selection sends the table's default row, see run/ModuleConfiguration.h); sends nothing.
    void WriteModuleConfiguration();

    // Coefficient page (app/CoefficientPage.cpp). The two grids share these handlers.
    // The text of the grid cell whose editor was opened last.
    QString EditStartText;
    void CorrectionCoefsStringGridDrawCell(QObject* sender, int column, int row, const QRect& rect,
                                           TGridDrawState state);
    void CorrectionCoefsStringGridDblClick(QObject* sender);
    void CorrectionCoefsStringGridGetEditText(QObject* sender, int column, int row, QString& value);
    void CorrectionCoefsStringGridKeyDown(QObject* sender, int key);
    void CorrectionCoefsStringGridKeyUp(QObject* sender, int key);
    void CorrectionCoefsStringGridSelectCell(QObject* sender, int column, int row, bool& canSelect);
    void CorrectionCoefsStringGridKeyPress(QObject* sender, QChar key);
    void CorrectionCoefsStringGridSetEditText(QObject* sender, int column, int row, const QString& value);
    void SaveCalibrCoefsGridToFactoryFlashLMDButtonClick();
    void SaveCalibrCoefsGridToUserFlashLMDButtonClick();
    void RefreshCalibrCoefsGridFromFactoryFlashLMDButtonClick();
    void RefreshCalibrCoefsGridFromUserFlashLMDButtonClick();
    void ResetCalibrCoefsGridInUserFlashLMDButtonClick();
    // The steps where the coefficients would move between the module, the images and the grids.
    void ReadFactoryCoefs();
    bool UserCoefsPresent();
    void ShowCoefs();
    bool TakeCoefsFromGrids();
    bool WriteFactoryCoefs();
    // Whether the factory and the user store refuse writing. Without information about
    // the stores both count as refusing, so no save button is offered on a guess.
    void QueryStoreLocks(bool& factoryLocked, bool& userLocked);
    // Enables each save button unless its store refuses writing.
    void UpdateCoefsButtons();
    void BindCoefficientPageHandlers();

    // Verification page and the page-change guard (app/VerificationPage.cpp).
    void VerifySplitterMoved();
    void CfgFileNameEditChange();
    void VerifyTreeViewTitleLMDEditKeyDown();
    void LoadFromFileVerifyTreeViewButtonClick();
    void SaveToFileVerifyTreeViewButtonClick();
    void FullCollapseButtonClick();
    void FullExpandButtonClick();
    void EnaWriteLogFileLMDCheckBoxChange();
    void MainLMDPageControlChanging();
    void MainLMDPageControlChange();
    // newIndex: the page about to become active; allowChange false keeps the current page.
    void MainLMDPageControlChangingEx(int newIndex, bool& allowChange);
    void BindVerificationPageHandlers();

    // External generator and multimeter panel (app/InstrumentPanel.cpp).
    void CommonLMDEditChange(QObject* sender);
    // key: the character typed into a generator entry; set to null to discard it.
    void CommonLMDEditKeyPress(QObject* sender, QChar& key);
    void UpdateStartButton();
    void AcDcVoltmeterModeLMDRadioGroupChange(QObject* sender);
    void AcFilterVoltmeterLMDComboBoxChange();
    void GeneratorChannelStateLMDRadioGroupChange();
    void BindInstrumentPanelHandlers();

    // Application-wide handlers.
    void ApplicationShortCut(int key, bool& handled);
    void ApplicationActivate();
    void ApplicationDeactivate();
    void ApplicationShowHint(QString& hintText, bool& canShow, THintInfo& hintInfo);

    // Private message handlers.
    void OnStartInitDevicesThread(const TPrivateMessage& message);
    void OnStartMainThread(const TPrivateMessage& message);

    // Worker thread interfaces.
    void SetDiscoveryRunning(bool running) override;
    int ExecuteMessageDialog(const DiscoveryMessageDialogPars& pars) override;
    void ResetDiscoveryState() override;
    void SetAcquisitionRunning(bool running) override;
    void SetAcquisitionIdle(bool idle) override;
    int ExecuteMessageDialog(const AcquisitionMessageDialogPars& pars) override;

    // The window's side of a measurement run (app/MainFormAcquisition.cpp).
    ModuleRecord& AcquisitionModuleRecord() override;
    bool ChannelTicked(int channel) const override;
    void BeginAcquisition(TAcquisitionStart& start) override;
    void ReadModuleParameters(run::TModuleParameters& parameters) override;
    void ShowAcquisitionTime(double milliseconds) override;
    void ShowValues(const run::TMeasurementRun& run) override;
    void ShowOverloads(const run::TMeasurementRun& run) override;
    void EndAcquisition() override;
    // Keeps TickedChannelMask equal to the enable boxes (called once the frames exist).
    void TrackChannelTicks();
    // Bit c: the enable box of channel c + 1 is ticked; read by the acquisition thread.
    std::atomic<uint8_t> TickedChannelMask{0};
    // The display patterns the current run started with.
    run::TDisplayPatterns RunPatterns;
    // The reading log of the popup menu (app/ReadingLog.cpp); a child of the window.
    TReadingLog* ReadingLog = nullptr;

    // The waveform and spectrum window (app/MainFormSignalView.cpp): made at its first
    // opening, owned by the window; fed by ShowValues while it is shown.
    TSignalViewForm* SignalView = nullptr;
    // Ctrl+G (channel -1: the one chosen before) and a double click on a value field of
    // channel c (0 ... 3): shows the window and brings it to the front.
    void OpenSignalView(int channel);
    void BindSignalViewHandlers();
    // Frames whose values ShowValues has shown since the window was made.
    std::uint64_t ShownFrameCount = 0;

    // Discovery of crates and modules (app/MainFormDiscovery.cpp, app/DeviceStatus.cpp).
    // The discovery tables, SelectedCrateIndex, CrateOk and ModuleState come with
    // TDiscoveryWindow (device/DiscoveryTables.h).
    // Set by FormClose: a discovery run still at work skips to its end.
    std::atomic<bool> DiscoveryCancelRequested{false};
    // Discovery thread objects alive (made and not yet deleted).
    std::atomic<int> DiscoveryThreadCount{0};
    // Handlers of the crate and module lists: runs of mode 2 and mode 1.
    void ZebCratesComboBoxChange();
    void ModulesComboBoxChange();
    void EnableWindowControls(bool enable);
    void EnableControlBranch(QWidget* control, bool enable);
    bool SelectAndOpen(TInitAndConfigThread& run);
    // Refills ModulesComboBox with the modules of listed crate c and selects its module.
    void FillModuleList(uint16_t c);
    // FormClose: lets a discovery run end, serving its calls, for at most timeoutMs;
    // true when no discovery thread is left.
    // The rest of a run after a close is bounded by the libraries' own waits
    // (a connect 0.5 s, a reply 2 s, one open and one configuration at most).
    static constexpr int DiscoveryEndTimeoutMs = 20000;
    bool WaitForDiscoveryEnd(int timeoutMs);
    // Connects the crate and module lists (called by BindHandlers).
    void BindDiscoveryHandlers();
    ModuleRecord& DiscoveryModuleRecord() override;
    bool DiscoveryCancelled() const override;
    void DiscoveryThreadAlive(bool alive) override;
    void SwitchPopupMenuOff() override;
    void PrepareDiscovery(TInitAndConfigThread& run) override;
    void RestoreWindowPosition(TInitAndConfigThread& run) override;
    bool FullSearch(TInitAndConfigThread& run) override;
    bool ReloadModuleList(TInitAndConfigThread& run) override;
    void ShowDeviceStatus(const TInitAndConfigThread& run, bool withDevice) override;
    void ApplySettings(TInitAndConfigThread& run) override;
    void FinishDiscovery(TInitAndConfigThread& run) override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildInputRangeTable();
    void BuildConnectionModeTexts();
    void BuildAdcRateTable();
    void CreateChannelFrames();
    void TrimLayout();
    void BindHandlers();
    // Sleeps 50 ms, then processes pending events (which serves the workers' calls).
    static void SleepAndProcessMessages();

    // Set by the discovery thread's termination hook; lets the start hand-shake
    // end even when the whole run finished within one 50 ms pass.
    bool discoveryEnded_ = false;
    bool centred_ = false;
    // File dialogs being kept centred over the window.
    QFileDialog* centredDialog_[2] = {nullptr, nullptr};
};

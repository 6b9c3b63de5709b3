#pragma once

#include "ui/MainFormUi.h"
#include "ui/StringGrid.h"

#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QString>

#include <cstdint>
#include <memory>

class QEvent;
class QFileDialog;
class QWidget;
class TAcquisitionController;
class TApplicationEvents;
class TCoefficientPage;
class TDeviceController;
class THintWindow;
class TInstrumentPanel;
class TMultimeterPage;
class TPrivateMessage;
class TReadingLog;
class TReentryGuard;
class TSettingsController;
class TSignalViewLink;
class TLimitsLink;
class TVerificationPage;

// Placement record of a tooltip about to be shown.
struct THintInfo {
    QWidget* HintControl = nullptr;  // control under the pointer
    QPoint HintPos;                  // top-left of the tooltip window, global
    int HideTimeout = 1500;          // ms the tooltip stays
};

// How far the window's start-up has come: constructed, first shown, first
// discovery requested (from the first resize after the show).
enum class TStartupStage : uint8_t { Constructing = 0, Built = 1, Shown = 2, DiscoveryRequested = 3 };

// The program's single window. It builds the control tree and composes the parts
// that own the window's concerns (see the README's source map); its handlers,
// named as the controls' events, forward to those parts. Its own concerns are the
// window's life (start-up, showing, closing), the file dialogs kept centred, and
// the application-wide handlers (Esc, activation, tooltips).
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* owner = nullptr);
    ~TMainForm() override;

    // Static control tree; every named control is a member of Ui.
    TMainFormUi Ui;

    // The window's outer size: its client size plus the design frame (borders and caption bar).
    QSize OuterSize() const;
    TStartupStage StartupStage() const { return startupStage_; }

    // Lifecycle handlers.
    void FormCreate();
    void FormShow();
    void FormResize();
    void FormActivate();
    // Returns whether the steps ran (false when the guard skipped them); the window closes either way.
    bool FormClose();
    void FormDestroy();

    // The parts.
    TReentryGuard& Guard() { return *guard_; }
    TDeviceController& Device() { return *device_; }
    TAcquisitionController& Acquisition() { return *acquisition_; }
    TMultimeterPage& MultimeterPage() { return *multimeterPage_; }
    TSettingsController& Settings() { return *settings_; }
    TCoefficientPage& CoefficientPage() { return *coefficientPage_; }
    TVerificationPage& VerificationPage() { return *verificationPage_; }
    TInstrumentPanel& InstrumentPanel() { return *instrumentPanel_; }
    TReadingLog& ReadingLog() { return *readingLog_; }
    TSignalViewLink& SignalView() { return *signalView_; }
    TLimitsLink& Limits() { return *limits_; }
    TApplicationEvents& Events() { return *events_; }
    // The application's tooltip window, when one was found at construction.
    THintWindow* HintWindow() const { return hintWindow_; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Construction (app/MainFormConstruction.cpp).
    void TrimLayout();
    void BindHandlers();
    void DisableThemedCaptions(QWidget* container);
    void DialogShow(QFileDialog* dialog);
    void DialogClose(QFileDialog* dialog);

    // Control handlers (app/MainFormHandlers.cpp), each a forward to its part.
    void FindDeviceLMDButtonClick(QObject* sender);
    void RebootDeviceMenuItemClick();
    void StartLMDSpeedButtonClick();
    void ApplicationExitClick();
    void ZebCratesComboBoxChange();
    void ModulesComboBoxChange();
    void EnaChannelLMDCheckBoxChange(QObject* sender);
    void ChannelRangeChange(QObject* sender);
    void AdcRateComboBoxChange();
    void AllChannelsLMDCheckBoxChange();
    void CommonInputRangeLMDComboBoxChange();
    void CommonInputConnectionModeLMDComboBoxChange();
    void CommonComputationMethodLMDComboBoxChange();
    void AutoSaveSettingsLMDCheckBoxChange();
    void SaveSettingsButtonClick();
    void SaveCurrentSettingsClick();  // Ctrl+S
    void SaveDefaultSettingsClick();  // Ctrl+D
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
    void MainLMDPageControlChangingEx(int newIndex, bool& allowChange);
    void CommonLMDEditChange(QObject* sender);
    void CommonLMDEditKeyPress(QObject* sender, QChar& key);
    void AcDcVoltmeterModeLMDRadioGroupChange(QObject* sender);
    void AcFilterVoltmeterLMDComboBoxChange();
    void GeneratorChannelStateLMDRadioGroupChange();
    void OpenSignalView(int channel);
    // Application-wide handlers (app/MainFormApplication.cpp).
    void ApplicationShortCut(int key, bool& handled);
    void ApplicationActivate();
    void ApplicationDeactivate();
    void ApplicationShowHint(QString& hintText, bool& canShow, THintInfo& hintInfo);
    // Private message handlers.
    void OnStartInitDevicesThread(const TPrivateMessage& message);
    void OnStartMainThread(const TPrivateMessage& message);

    // The parts, in the order they are made; each is deleted before those it uses.
    std::unique_ptr<TReentryGuard> guard_;
    TApplicationEvents* events_ = nullptr;  // a child of the window
    std::unique_ptr<TMultimeterPage> multimeterPage_;
    std::unique_ptr<TCoefficientPage> coefficientPage_;
    std::unique_ptr<TSettingsController> settings_;
    std::unique_ptr<TReadingLog> readingLog_;
    std::unique_ptr<TSignalViewLink> signalView_;
    std::unique_ptr<TLimitsLink> limits_;
    std::unique_ptr<TDeviceController> device_;
    std::unique_ptr<TAcquisitionController> acquisition_;
    std::unique_ptr<TVerificationPage> verificationPage_;
    std::unique_ptr<TInstrumentPanel> instrumentPanel_;

    THintWindow* hintWindow_ = nullptr;
    TStartupStage startupStage_ = TStartupStage::Constructing;
    bool centred_ = false;
    // File dialogs being kept centred over the window.
    QFileDialog* centredDialog_[2] = {nullptr, nullptr};
};

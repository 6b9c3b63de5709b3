// The window's handlers, named as the controls' events: each forwards to the
// part that owns the concern. BindHandlers connects every control to its handler.
#include "app/MainForm.h"

#include "app/AcquisitionController.h"
#include "app/CoefficientPage.h"
#include "app/DeviceController.h"
#include "app/InstrumentPanel.h"
#include "app/MultimeterPage.h"
#include "app/PrivateMessage.h"
#include "app/ReentryGuard.h"
#include "app/SettingsController.h"
#include "app/SignalViewLink.h"
#include "app/LimitsLink.h"
#include "app/VerificationPage.h"
#include "ui/CoefficientPageUi.h"
#include "ui/EntryEdit.h"
#include "ui/PageControl.h"
#include "ui/RadioGroup.h"
#include "ui/SpeedButton.h"
#include "ui/ValueEdit.h"
#include "ui/VerificationPageUi.h"
#include "ui/WrapButton.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>

void TMainForm::BindHandlers() {
    // The top strip and the popup menu.
    connect(Ui.FindDeviceLMDButton, &QPushButton::clicked, this,
            [this] { FindDeviceLMDButtonClick(Ui.FindDeviceLMDButton); });
    connect(Ui.RebootDeviceMenuItem, &QAction::triggered, this, [this] { RebootDeviceMenuItemClick(); });
    connect(Ui.ApplicationExit, &QAction::triggered, this, [this] { ApplicationExitClick(); });
    connect(Ui.StartMultimeterLMDSpeedButton, &QPushButton::clicked, this, [this] { StartLMDSpeedButtonClick(); });
    // A choice of the operator, not a change made by the program, starts a run.
    connect(Ui.ZebCratesComboBox, &QComboBox::activated, this, [this] { ZebCratesComboBoxChange(); });
    connect(Ui.ModulesComboBox, &QComboBox::activated, this, [this] { ModulesComboBoxChange(); });
    // The file dialogs call DialogShow when shown and DialogClose when closed.
    for (QFileDialog* dialog : {Ui.OpenFileLMDOpenDialog, Ui.SaveFileLMDSaveDialog})
        if (dialog != nullptr) dialog->installEventFilter(this);

    // The settings file.
    connect(Ui.AutoSaveSettingsLMDCheckBox, &QCheckBox::stateChanged, this,
            [this] { AutoSaveSettingsLMDCheckBoxChange(); });
    connect(Ui.SaveSettingsButton, &QPushButton::clicked, this, [this] { SaveSettingsButtonClick(); });
    connect(Ui.SaveCurrentSettings, &QAction::triggered, this, [this] { SaveCurrentSettingsClick(); });
    connect(Ui.SaveDefaultSettings, &QAction::triggered, this, [this] { SaveDefaultSettingsClick(); });

    // The multimeter page.
    connect(Ui.AdcRateComboBox, &QComboBox::currentIndexChanged, this, [this] { AdcRateComboBoxChange(); });
    connect(Ui.AllChannelsLMDCheckBox, &QCheckBox::stateChanged, this, [this] { AllChannelsLMDCheckBoxChange(); });
    connect(Ui.CommonInputRangeLMDComboBox, &QComboBox::currentIndexChanged, this,
            [this] { CommonInputRangeLMDComboBoxChange(); });
    connect(Ui.CommonInputConnectionModeLMDComboBox, &QComboBox::currentIndexChanged, this,
            [this] { CommonInputConnectionModeLMDComboBoxChange(); });
    connect(Ui.CommonComputationMethodLMDComboBox, &QComboBox::currentIndexChanged, this,
            [this] { CommonComputationMethodLMDComboBoxChange(); });
    for (TZeb44AdcChannelFrame* frame : multimeterPage_->ChannelFrames()) {
        connect(frame, &TZeb44AdcChannelFrame::enableCheckBoxChanged, this,
                [this](QObject* sender) { EnaChannelLMDCheckBoxChange(sender); });
        connect(frame, &TZeb44AdcChannelFrame::rangeListChanged, this,
                [this](QObject* sender) { ChannelRangeChange(sender); });
        const int channel = static_cast<int>(frame->ChannelIndex);
        for (TValueEdit* field : {frame->Value1LMDEdit, frame->Value2LMDEdit})
            connect(field, &TValueEdit::doubleClicked, this, [this, channel] { OpenSignalView(channel); });
    }
    connect(Ui.SignalViewMenuItem, &QAction::triggered, this, [this] { OpenSignalView(-1); });
    connect(Ui.LimitsMenuItem, &QAction::triggered, this, [this] { limits_->Open(); });

    // The coefficient page; the two grids share the handlers.
    TCoefficientPageUi& coefficients = Ui.CoefficientPage;
    for (TStringGrid* grid : {coefficients.AdcOffsetCoefsStringGrid, coefficients.AdcScaleCoefsStringGrid}) {
        grid->OnDrawCell = [this](QObject* sender, int column, int row, const QRect& rect, TGridDrawState state) {
            CorrectionCoefsStringGridDrawCell(sender, column, row, rect, state);
        };
        grid->OnDblClick = [this](QObject* sender) { CorrectionCoefsStringGridDblClick(sender); };
        grid->OnGetEditText = [this](QObject* sender, int column, int row, QString& value) {
            CorrectionCoefsStringGridGetEditText(sender, column, row, value);
        };
        grid->OnSetEditText = [this](QObject* sender, int column, int row, const QString& value) {
            CorrectionCoefsStringGridSetEditText(sender, column, row, value);
        };
        grid->OnKeyDown = [this](QObject* sender, int key) { CorrectionCoefsStringGridKeyDown(sender, key); };
        grid->OnKeyUp = [this](QObject* sender, int key) { CorrectionCoefsStringGridKeyUp(sender, key); };
        grid->OnKeyPress = [this](QObject* sender, QChar key) { CorrectionCoefsStringGridKeyPress(sender, key); };
        grid->OnSelectCell = [this](QObject* sender, int column, int row, bool& canSelect) {
            CorrectionCoefsStringGridSelectCell(sender, column, row, canSelect);
        };
    }
    connect(coefficients.SaveCalibrCoefsGridToFactoryFlashLMDButton, &QPushButton::clicked, this,
            [this] { SaveCalibrCoefsGridToFactoryFlashLMDButtonClick(); });
    connect(coefficients.SaveCalibrCoefsGridToUserFlashLMDButton, &QPushButton::clicked, this,
            [this] { SaveCalibrCoefsGridToUserFlashLMDButtonClick(); });
    connect(coefficients.RefreshCalibrCoefsGridFromFactoryFlashLMDButton, &QPushButton::clicked, this,
            [this] { RefreshCalibrCoefsGridFromFactoryFlashLMDButtonClick(); });
    connect(coefficients.RefreshCalibrCoefsGridFromUserFlashLMDButton, &QPushButton::clicked, this,
            [this] { RefreshCalibrCoefsGridFromUserFlashLMDButtonClick(); });
    connect(coefficients.ResetCalibrCoefsGridInUserFlashLMDButton, &QPushButton::clicked, this,
            [this] { ResetCalibrCoefsGridInUserFlashLMDButtonClick(); });

    // The verification page and the guard of every page change.
    TVerificationPageUi& verification = Ui.VerificationPage;
    connect(verification.VerifySplitter, &QSplitter::splitterMoved, this, [this] { VerifySplitterMoved(); });
    connect(verification.CfgFileNameEdit, &QLineEdit::textChanged, this, [this] { CfgFileNameEditChange(); });
    connect(verification.VerifyTreeViewTitleLMDEdit, &QLineEdit::textEdited, this,
            [this] { VerifyTreeViewTitleLMDEditKeyDown(); });
    connect(verification.LoadFromFileVerifyTreeViewButton, &QPushButton::clicked, this,
            [this] { LoadFromFileVerifyTreeViewButtonClick(); });
    connect(verification.SaveToFileVerifyTreeViewButton, &QPushButton::clicked, this,
            [this] { SaveToFileVerifyTreeViewButtonClick(); });
    connect(verification.CollapseButton, &QPushButton::clicked, this, [this] { FullCollapseButtonClick(); });
    connect(verification.ExpandButton, &QPushButton::clicked, this, [this] { FullExpandButtonClick(); });
    connect(verification.EnaWriteLogFileLMDCheckBox, &QCheckBox::stateChanged, this,
            [this] { EnaWriteLogFileLMDCheckBoxChange(); });
    connect(verification.StartVerificationLMDSpeedButton, &QPushButton::clicked, this,
            [this] { StartLMDSpeedButtonClick(); });
    Ui.MainLMDPageControl->OnChangingEx = [this](int newIndex, bool& allowChange) {
        MainLMDPageControlChanging();
        MainLMDPageControlChangingEx(newIndex, allowChange);
    };
    connect(Ui.MainLMDPageControl, &QTabWidget::currentChanged, this, [this] { MainLMDPageControlChange(); });

    // The external generator and multimeter.
    auto* keyFilter = new TEntryKeyFilter(this, [this](QObject* sender, QChar& key) { CommonLMDEditKeyPress(sender, key); });
    for (TEntryEdit* entry : {Ui.SignalAmpltudeGeneratorLMDEdit, Ui.SignalFrequencyGeneratorLMDEdit}) {
        entry->installEventFilter(keyFilter);
        connect(entry, &QLineEdit::textChanged, this, [this, entry] { CommonLMDEditChange(entry); });
    }
    connect(Ui.AcDcVoltmeterModeLMDRadioGroup, &TRadioGroup::itemIndexChanged, this,
            [this] { AcDcVoltmeterModeLMDRadioGroupChange(Ui.AcDcVoltmeterModeLMDRadioGroup); });
    connect(Ui.AcFilterVoltmeterLMDComboBox, &QComboBox::activated, this,
            [this] { AcFilterVoltmeterLMDComboBoxChange(); });
    connect(Ui.GeneratorChannelStateLMDRadioGroup, &TRadioGroup::itemIndexChanged, this,
            [this] { GeneratorChannelStateLMDRadioGroupChange(); });
}

// The top strip, the popup menu and the private messages.

void TMainForm::FindDeviceLMDButtonClick(QObject* sender) {
    (void)sender;
    device_->FindClicked();
}

void TMainForm::RebootDeviceMenuItemClick() { FindDeviceLMDButtonClick(Ui.FindDeviceLMDButton); }

void TMainForm::StartLMDSpeedButtonClick() { acquisition_->StartStopClicked(); }

void TMainForm::ApplicationExitClick() {
    // A handler interrupted in one of its waits must not keep the close from its steps.
    guard_->Release();
    close();
}

void TMainForm::ZebCratesComboBoxChange() { device_->CrateChosen(); }

void TMainForm::ModulesComboBoxChange() { device_->ModuleChosen(); }

void TMainForm::OnStartInitDevicesThread(const TPrivateMessage& message) {
    device_->OnStartInitDevicesThread(static_cast<TDiscoveryMode>(message.WParam), message.LParam != 0);
}

void TMainForm::OnStartMainThread(const TPrivateMessage& message) { acquisition_->OnStartMainThread(message.WParam); }

// The settings file.

void TMainForm::AutoSaveSettingsLMDCheckBoxChange() { settings_->AutoSaveChanged(); }

void TMainForm::SaveSettingsButtonClick() { settings_->SaveClicked(); }

void TMainForm::SaveCurrentSettingsClick() { SaveSettingsButtonClick(); }

void TMainForm::SaveDefaultSettingsClick() { settings_->SaveDefaultsClicked(); }

// The multimeter page.

void TMainForm::EnaChannelLMDCheckBoxChange(QObject* sender) { multimeterPage_->ChannelEnableChanged(sender); }

void TMainForm::ChannelRangeChange(QObject* sender) {
    (void)sender;  // every frame's range list counts, whichever changed
    multimeterPage_->ChannelRangeChanged();
}

void TMainForm::AdcRateComboBoxChange() { multimeterPage_->AdcRateChanged(); }

void TMainForm::AllChannelsLMDCheckBoxChange() { multimeterPage_->AllChannelsChanged(); }

void TMainForm::CommonInputRangeLMDComboBoxChange() { multimeterPage_->CommonRangeChanged(); }

void TMainForm::CommonInputConnectionModeLMDComboBoxChange() { multimeterPage_->CommonConnectionModeChanged(); }

void TMainForm::CommonComputationMethodLMDComboBoxChange() { multimeterPage_->CommonMeasuringModeChanged(); }

void TMainForm::OpenSignalView(int channel) { signalView_->Open(channel); }

// The coefficient page.

void TMainForm::CorrectionCoefsStringGridDrawCell(QObject* sender, int column, int row, const QRect& rect,
                                                  TGridDrawState state) {
    coefficientPage_->DrawCell(sender, column, row, rect, state);
}

void TMainForm::CorrectionCoefsStringGridDblClick(QObject* sender) { coefficientPage_->DblClick(sender); }

void TMainForm::CorrectionCoefsStringGridGetEditText(QObject* sender, int column, int row, QString& value) {
    (void)sender;
    (void)column;
    (void)row;
    coefficientPage_->GetEditText(value);
}

void TMainForm::CorrectionCoefsStringGridKeyDown(QObject* sender, int key) { coefficientPage_->KeyDown(sender, key); }

void TMainForm::CorrectionCoefsStringGridKeyUp(QObject* sender, int key) { coefficientPage_->KeyUp(sender, key); }

void TMainForm::CorrectionCoefsStringGridSelectCell(QObject* sender, int column, int row, bool& canSelect) {
    (void)column;
    (void)row;
    coefficientPage_->SelectCell(sender, canSelect);
}

// Typed characters and the editor's text are taken as they come.
void TMainForm::CorrectionCoefsStringGridKeyPress(QObject* sender, QChar key) {
    (void)sender;
    (void)key;
}

void TMainForm::CorrectionCoefsStringGridSetEditText(QObject* sender, int column, int row, const QString& value) {
    (void)sender;
    (void)column;
    (void)row;
    (void)value;
}

void TMainForm::SaveCalibrCoefsGridToFactoryFlashLMDButtonClick() { coefficientPage_->SaveToFactoryStore(); }

void TMainForm::SaveCalibrCoefsGridToUserFlashLMDButtonClick() { coefficientPage_->SaveToUserStore(); }

void TMainForm::RefreshCalibrCoefsGridFromFactoryFlashLMDButtonClick() { coefficientPage_->RefreshFromFactoryStore(); }

void TMainForm::RefreshCalibrCoefsGridFromUserFlashLMDButtonClick() { coefficientPage_->RefreshFromUserStore(); }

void TMainForm::ResetCalibrCoefsGridInUserFlashLMDButtonClick() { coefficientPage_->ResetUserStore(); }

// The verification page. The handlers without a part do nothing in this version.

void TMainForm::VerifySplitterMoved() { verificationPage_->SplitterMoved(); }

void TMainForm::CfgFileNameEditChange() { verificationPage_->FileNameChanged(); }

void TMainForm::VerifyTreeViewTitleLMDEditKeyDown() {}

void TMainForm::LoadFromFileVerifyTreeViewButtonClick() {}

void TMainForm::SaveToFileVerifyTreeViewButtonClick() {}

void TMainForm::FullCollapseButtonClick() {}

void TMainForm::FullExpandButtonClick() {}

void TMainForm::EnaWriteLogFileLMDCheckBoxChange() {}

void TMainForm::MainLMDPageControlChanging() {}

void TMainForm::MainLMDPageControlChange() {}

void TMainForm::MainLMDPageControlChangingEx(int newIndex, bool& allowChange) {
    verificationPage_->PageChanging(newIndex, allowChange);
}

// The external generator and multimeter.

void TMainForm::CommonLMDEditChange(QObject* sender) { instrumentPanel_->EntryChanged(sender); }

void TMainForm::CommonLMDEditKeyPress(QObject* sender, QChar& key) { instrumentPanel_->EntryKeyPress(sender, key); }

void TMainForm::AcDcVoltmeterModeLMDRadioGroupChange(QObject* sender) {
    instrumentPanel_->VoltmeterModeChanged(sender);
}

void TMainForm::AcFilterVoltmeterLMDComboBoxChange() { instrumentPanel_->VoltmeterFilterChanged(); }

void TMainForm::GeneratorChannelStateLMDRadioGroupChange() {}

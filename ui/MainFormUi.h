#pragma once

#include "ui/CoefficientPageUi.h"
#include "ui/PageControl.h"
#include "ui/VerificationPageUi.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QMainWindow;
class QMenu;
class QPushButton;
class QTabWidget;
class QWidget;
class TCaptionGroupBox;
class TCircleShape;
class TEntryEdit;
class TRadioGroup;
class TSpeedButton;

// The static control tree of the main window, with the design positions, fonts, colours,
// texts and tooltips. setupUi only builds it: it binds no handlers and runs none of the
// window's construction steps (moving, hiding, filling lists), which the window does itself.
// Every control's object name is its member name.
class TMainFormUi
{
public:
    // Client area of the window as designed.
    static constexpr int DesignClientWidth = 1130;
    static constexpr int DesignClientHeight = 576;

    QWidget* CentralWidget = nullptr;

    // Top strip.
    QGroupBox* ModuleDetectionLMDGroupBox = nullptr;
    QPushButton* FindDeviceLMDButton = nullptr;
    QFrame* SelectedModuleLMDSimplePanel = nullptr;
    QLabel* ZebCratesLabLMDLabel = nullptr;
    QComboBox* ZebCratesComboBox = nullptr;
    QLabel* ModulesLabLMDLabel = nullptr;
    QComboBox* ModulesComboBox = nullptr;
    TCircleShape* ZebCrateStatusLed = nullptr;
    TCircleShape* ModuleStatusLed = nullptr;
    QLabel* ModuleSerialNumberLabLMDLabel = nullptr;
    QLabel* ModuleFirmwareVersionLabLMDLabel = nullptr;
    QLabel* ModuleSerialNumberLMDLabel = nullptr;
    QLabel* ModuleFirmwareVersionLMDLabel = nullptr;
    QFrame* Bevel3 = nullptr;
    TCircleShape* GeneratorStatusLed = nullptr;
    TCircleShape* VoltmeterStatusLed = nullptr;
    QFrame* StartMultimeterLMDSimplePanel = nullptr;
    TSpeedButton* StartMultimeterLMDSpeedButton = nullptr;
    TCaptionGroupBox* SaveIniSettingLMDGroupBox = nullptr;
    QCheckBox* AutoSaveSettingsLMDCheckBox = nullptr;
    QPushButton* SaveSettingsButton = nullptr;

    // Main area and its pages.
    QFrame* MainLMDSimplePanel = nullptr;
    TPageControl* MainLMDPageControl = nullptr;
    QWidget* MultimeterLMDTabSheet = nullptr;
    QWidget* CorrectionFactorsLMDTabSheet = nullptr;
    QWidget* VerificationLMDTabSheet = nullptr;
    // The controls of the coefficient and verification pages.
    TCoefficientPageUi CoefficientPage;
    TVerificationPageUi VerificationPage;

    // Multimeter page.
    QFrame* MultimeterLMDSimplePanel = nullptr;
    QFrame* AdcStreamLMDSimplePanel = nullptr;
    TCaptionGroupBox* AdcGroupParsLMDGroupBox = nullptr;
    QFrame* ChannelCommonParsLMDSimplePanel = nullptr;
    QCheckBox* AllChannelsLMDCheckBox = nullptr;
    QLabel* CommonInputRangeLabLMDComboBox = nullptr;
    QComboBox* CommonInputRangeLMDComboBox = nullptr;
    QLabel* CommonMeasuringMethodLabLMDComboBox = nullptr;
    QComboBox* CommonComputationMethodLMDComboBox = nullptr;
    QLabel* CommonComputationMethodLMDLabel = nullptr;
    QFrame* CommonParsLMDSimplePanel = nullptr;
    QLabel* CommonInputConnectionModeLabLMDComboBox = nullptr;
    QComboBox* CommonInputConnectionModeLMDComboBox = nullptr;
    QLabel* RatesUnitLabLMDLabel = nullptr;
    QComboBox* AdcRateComboBox = nullptr;
    QFrame* AcquisitionTimeLMDSimplePanel = nullptr;
    QLabel* AcquisitionTimeLabLMDLabel = nullptr;
    QLabel* AcquisitionTimeLMDLabel = nullptr;
    QFrame* ComputationInfoLMDSimplePanel = nullptr;
    QLabel* ComputationModeLabLMDLabel = nullptr;
    QLabel* AmplitudeTypeLabLMDLabel = nullptr;
    TCaptionGroupBox* AdcIndividualParsLMDGroupBox = nullptr;

    // External instruments (hidden by the window after construction).
    QFrame* EquipmentLMDSimplePanel = nullptr;
    TCaptionGroupBox* GeneratorLMDGroupBox = nullptr;
    QLabel* ChannelNumberLMDLabel = nullptr;
    TRadioGroup* GeneratorChannelStateLMDRadioGroup = nullptr;
    QLabel* SignalAmpltudeGeneratorLabLMDLabel = nullptr;
    TEntryEdit* SignalAmpltudeGeneratorLMDEdit = nullptr;
    QLabel* SignalFrequencyGeneratorLabLMDLabel = nullptr;
    TEntryEdit* SignalFrequencyGeneratorLMDEdit = nullptr;
    TCaptionGroupBox* VoltmeterLMDGroupBox = nullptr;
    TRadioGroup* AcDcVoltmeterModeLMDRadioGroup = nullptr;
    QComboBox* AcFilterVoltmeterLMDComboBox = nullptr;
    QLabel* VoltmeterValueUnitLMDLabel = nullptr;
    QLabel* VoltmeterValueLMDLabel = nullptr;
    QFrame* EmptyLMDSimplePanel = nullptr;

    // Popup menu. Its actions are also added to the window so that their short-cuts work
    // anywhere in it; nothing is connected here.
    QMenu* PopupMenu = nullptr;
    QAction* RebootDeviceMenuItem = nullptr;
    QAction* BreakLine1 = nullptr;
    QAction* SaveDefaultSettings = nullptr;
    QAction* SaveCurrentSettings = nullptr;
    QAction* ReadingLogMenuItem = nullptr;  // ticked while the window's reading log is open
    QAction* AutoResumeMenuItem = nullptr;  // Ctrl+U: a run lost with its module resumes by itself
    QAction* BreakLine2 = nullptr;
    QAction* SignalViewMenuItem = nullptr;   // Ctrl+G: the waveform and spectrum window
    QAction* LimitsMenuItem = nullptr;       // Ctrl+T: the limits and statistics window
    QAction* SignalViewBreakLine = nullptr;
    QAction* AboutProgram = nullptr;
    QAction* BreakLine3 = nullptr;
    QAction* ApplicationExit = nullptr;

    // File dialogs of the window. setupUi leaves them null: building a file dialog starts a
    // file-watching thread, and no operation opens them. CreateFileDialog makes one when wanted.
    QFileDialog* OpenFileLMDOpenDialog = nullptr;
    QFileDialog* SaveFileLMDSaveDialog = nullptr;
    // A file dialog with the default extension "vq310rovodod" and file name "test"; the save
    // dialog asks before overwriting and can be resized.
    static QFileDialog* CreateFileDialog(QWidget* parent, bool save);

    // Builds the tree in form: client area 1130 x 576, caption "ZEB44", font Arial 20 px.
    void setupUi(QMainWindow* form);
};

// Construction of the main window: control tree, tables, channel frames and
// the trimming of the design layout.
#include "app/MainForm.h"

#include "app/ApplicationEvents.h"
#include "app/HintWindow.h"
#include "app/ReadingLog.h"
#include "FormatFloat/DecimalSeparator.h"
#include "FormatFloat/FormatFloat.h"
#include "acquisition/MainThread.h"
#include "ui/CaptionGroupBox.h"
#include "ui/CircleShape.h"
#include "ui/SpeedButton.h"
#include "ui/Led.h"
#include "ui/ValueEdit.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QApplication>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QOperatingSystemVersion>
#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr QColor LimeText(0, 255, 0);

QString RangeListText(double volts) {
    return " " + QString::fromStdString(FormatFloat("0.00", volts)) + " В";
}

QString AdcRateListText(double frequency) {
    const QString blanks = frequency < 10000 ? "      " : "     ";
    return blanks + QString::fromStdString(FormatFloat("0", frequency));
}

}  // namespace

QSize TMainForm::OuterSize() const { return size() + QSize(FrameExtraWidth, FrameExtraHeight); }

TMainForm::TMainForm(QWidget* owner) : QMainWindow(owner) {
    // 1. The control tree.
    Ui.setupUi(this);

    // 2. Application tooltips and the application-wide handlers.
    ApplicationEvents = new TApplicationEvents(this);
    ApplicationEvents->OnShortCut = [this](int key, bool& handled) { ApplicationShortCut(key, handled); };
    ApplicationEvents->OnActivate = [this] { ApplicationActivate(); };
    ApplicationEvents->OnDeactivate = [this] { ApplicationDeactivate(); };
    ApplicationEvents->OnShowHint = [this](QString& text, bool& canShow, THintInfo& info) {
        ApplicationShowHint(text, canShow, info);
    };

    // 3. The application icon.
    const QIcon icon(":/APPL_ICON");
    QApplication::setWindowIcon(icon);
    setWindowIcon(icon);

    // 4. Tooltip font, on the application's first tooltip window if there is one.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* hint = qobject_cast<THintWindow*>(w)) {
            QFont font("Courier New");
            font.setPointSize(12);
            font.setBold(true);
            hint->setFont(font);
            HintWindow = hint;
            break;
        }
    }

    // 5. Initial texts.
    CaptionPlaceholder = "Voltcheck - ?.?.?";
    Ui.ModuleSerialNumberLMDLabel->setText("????????");
    Ui.ModuleFirmwareVersionLMDLabel->setText("??.??.??.??");
    Ui.ModuleStatusLed->setToolTip("Статус модуля -> ???");
    Ui.GeneratorStatusLed->setToolTip("Статус генератора -> ???");
    Ui.VoltmeterStatusLed->setToolTip("Статус мультиметра -> ???");

    // 6. Numbers use '.' whatever the system says.
    SetDecimalSeparator('.');

    // 7. Window state; Busy keeps the change handlers quiet while controls are filled.
    Busy = true;
    StartupStage = 0;
    SelectedCrateIndex = 0xFFFF;
    DiscoveryRequestAllowed = true;
    AcquisitionRequestAllowed = true;
    DiscoveryRunning = false;
    AcquisitionRunning = false;
    AcquisitionIdle = true;
    StartPage = Ui.MultimeterLMDTabSheet;
    WorkingCoefs.fill(0);
    FactoryCoefs.fill(0);
    UserCoefs.fill(0);

    // 8. Texts of the multimeter page.
    Ui.ComputationModeLabLMDLabel->setText("---");
    Ui.ComputationModeLabLMDLabel->setAutoFillBackground(true);
    Ui.AmplitudeTypeLabLMDLabel->setText("---");
    Ui.AmplitudeTypeLabLMDLabel->setAutoFillBackground(true);
    Ui.AdcRateComboBox->setCurrentIndex(-1);
    Ui.AcquisitionTimeLMDLabel->setText("-----");

    // 9 - 11. Tables and their lists.
    BuildInputRangeTable();
    BuildConnectionModeTexts();
    BuildAdcRateTable();

    // 12. Common parameters without selection.
    Ui.AllChannelsLMDCheckBox->setTristate(false);
    Ui.AllChannelsLMDCheckBox->setCheckState(Qt::Unchecked);
    Ui.CommonInputRangeLMDComboBox->setCurrentIndex(-1);
    Ui.CommonInputConnectionModeLMDComboBox->setCurrentIndex(-1);
    Ui.CommonComputationMethodLMDComboBox->setCurrentIndex(-1);
    Ui.CommonComputationMethodLMDLabel->setText("");

    // 13. The four channel frames.
    CreateChannelFrames();

    // 14. The multimeter page is active.
    Ui.MainLMDPageControl->setCurrentIndex(0);

    // 15 - 19. Window border, trimmed layout, hidden panels and tabs.
    TrimLayout();

    BindHandlers();

    // 20.
    Busy = false;
    StartupStage = 1;

    // 21. Themed captions exist only with the visual styles of Windows 7 and later.
    if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows &&
        QOperatingSystemVersion::current() >= QOperatingSystemVersion::Windows7)
        DisableThemedCaptions(this);

    FormCreate();
}

TMainForm::~TMainForm() {
    FormDestroy();
    // A discovery run uses the window to its end: a window destroyed without
    // being closed first lets it end here.
    WaitForDiscoveryEnd(DiscoveryEndTimeoutMs);
    // An acquisition thread still alive (the window was never closed) is stopped here.
    if (MainThread != nullptr) {
        MainThread->Terminate();
        delete MainThread;
        MainThread = nullptr;
    }
}

void TMainForm::BuildInputRangeTable() {
    for (std::size_t i = 0; i < InputRangeTable.size(); ++i) InputRangeTable[i] = instrument::InputRanges[i];
    QComboBox* list = Ui.CommonInputRangeLMDComboBox;
    list->clear();
    for (const TInputRange& range : InputRangeTable) list->addItem(RangeListText(range.Volts));
    list->setMaxVisibleItems(6);
}

void TMainForm::BuildConnectionModeTexts() {
    // The C of the second and third text is the Latin letter.
    ConnectionModeTexts = {QString(" Без отсечки (AC/DC)"), QString("    C отсечкой (AC)"),
                           QString("  Cобственный нуль")};
    QComboBox* list = Ui.CommonInputConnectionModeLMDComboBox;
    list->clear();
    for (const QString& text : ConnectionModeTexts) list->addItem(text);
    list->setMaxVisibleItems(3);
}

void TMainForm::BuildAdcRateTable() {
    for (std::size_t i = 0; i < AdcRateTable.size(); ++i) AdcRateTable[i] = instrument::AdcRates[i];
    QComboBox* list = Ui.AdcRateComboBox;
    list->clear();
    for (const TAdcRate& rate : AdcRateTable) list->addItem(AdcRateListText(rate.Frequency));
    list->setMaxVisibleItems(11);
    list->setCurrentIndex(-1);
}

void TMainForm::CreateChannelFrames() {
    QWidget* box = Ui.AdcIndividualParsLMDGroupBox;
    double volts[6];
    for (std::size_t i = 0; i < 6; ++i) volts[i] = InputRangeTable[i].Volts;
    for (int i = 0; i < 4; ++i) {
        auto* frame = new TZeb44AdcChannelFrame(box, static_cast<uint16_t>(i), volts, 6);
        ChannelFrames[i] = frame;
        frame->setParent(box);
        frame->setObjectName(QString("Zeb44AdcChannel%1Frame").arg(i));
        const QRect panel = frame->Zeb44AdcChannelLMDSimplePanel->geometry();
        frame->resize(panel.left() + panel.width(), panel.top() + panel.height());
        const int left = static_cast<int>((box->width() - frame->width()) * 0.5);
        const int top = i == 0 ? static_cast<int>((box->height() - 4 * frame->height()) * 0.5 + 10)
                               : frame->height() * i + ChannelFrames[0]->y();
        frame->move(left, top);
        connect(frame, &TZeb44AdcChannelFrame::enableCheckBoxChanged, this,
                [this](QObject* sender) { EnaChannelLMDCheckBoxChange(sender); });
        connect(frame, &TZeb44AdcChannelFrame::rangeListChanged, this,
                [this](QObject* sender) { ChannelRangeChange(sender); });
        frame->DisableFrameControls();
        ResetChannelFrame(i);
        frame->setVisible(true);
    }
    TrackChannelTicks();
}

void TMainForm::TrimLayout() {
    // 15. No maximise button, fixed single border.
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    QSize outer = OuterSize();
    const auto applyOuter = [&] {
        outer.setWidth(std::max(outer.width(), MinimumOuterWidth));
        outer.setHeight(std::max(outer.height(), MinimumOuterHeight));
        setFixedSize(outer - QSize(FrameExtraWidth, FrameExtraHeight));
    };

    // 16. The top strip loses the room of the hidden instrument indicators.
    const int x = Ui.SelectedModuleLMDSimplePanel->width() - Ui.Bevel3->x() - 1;
    Ui.SelectedModuleLMDSimplePanel->resize(Ui.SelectedModuleLMDSimplePanel->width() - x,
                                            Ui.SelectedModuleLMDSimplePanel->height());
    Ui.StartMultimeterLMDSimplePanel->move(Ui.StartMultimeterLMDSimplePanel->pos() - QPoint(x, 0));
    Ui.SaveIniSettingLMDGroupBox->move(Ui.SaveIniSettingLMDGroupBox->pos() - QPoint(x, 0));
    outer.rwidth() -= x + 10;
    applyOuter();

    // 17. The multimeter page loses the room of the instrument panel.
    const int h = Ui.EquipmentLMDSimplePanel->height();
    QFrame* page = Ui.MultimeterLMDSimplePanel;
    page->setGeometry(page->x(), page->y() + h / 2, page->width(), page->height() - h);
    outer.rheight() -= h;
    applyOuter();

    // 18. Hidden indicators and panels; the common parameters move to the middle.
    Ui.Bevel3->hide();
    Ui.GeneratorStatusLed->hide();
    Ui.VoltmeterStatusLed->hide();
    Ui.AcquisitionTimeLMDSimplePanel->hide();
    Ui.ComputationInfoLMDSimplePanel->hide();
    const int d = (Ui.AcquisitionTimeLMDSimplePanel->width() + Ui.ComputationInfoLMDSimplePanel->width()) / 2;
    Ui.ChannelCommonParsLMDSimplePanel->move(Ui.ChannelCommonParsLMDSimplePanel->pos() + QPoint(d, 0));
    Ui.CommonParsLMDSimplePanel->move(Ui.CommonParsLMDSimplePanel->pos() + QPoint(d, 0));
    Ui.EquipmentLMDSimplePanel->hide();
    Ui.GeneratorLMDGroupBox->hide();
    Ui.VoltmeterLMDGroupBox->hide();

    // 19. Only the multimeter tab is offered.
    QTabWidget* pages = Ui.MainLMDPageControl;
    pages->setTabVisible(pages->indexOf(Ui.CorrectionFactorsLMDTabSheet), false);
    pages->setTabVisible(pages->indexOf(Ui.VerificationLMDTabSheet), false);
}

void TMainForm::ResetChannelFrame(int channel) {
    if (channel < 0 || channel >= static_cast<int>(ChannelFrames.size()) || ChannelFrames[channel] == nullptr)
        return;
    TZeb44AdcChannelFrame* frame = ChannelFrames[channel];
    frame->ChannelNumberLMDCheckBox->setChecked(false);
    frame->InputRangeLMDComboBox->setCurrentIndex(-1);
    frame->ComputationMethodLMDComboBox->setCurrentIndex(-1);
    for (TValueEdit* value : {frame->Value1LMDEdit, frame->Value2LMDEdit}) {
        value->setTextColor(LimeText);
        value->setText("--------");
    }
    frame->Value1LabLMDLabel->setText("");
    frame->Value2LabLMDLabel->setText("");
    frame->SetOverloadLed(TZeb44AdcChannelFrame::Neutral);
}

void TMainForm::DisableThemedCaptions(QWidget* container) {
    // Group boxes and radio groups are drawn by Qt's own style here; there is no
    // themed caption to switch off, so the walk has nothing to change.
    (void)container;
}

void TMainForm::DialogShow(QFileDialog* dialog) {
    if (dialog == nullptr) return;
    if (centredDialog_[0] != dialog && centredDialog_[1] != dialog)
        (centredDialog_[0] == nullptr ? centredDialog_[0] : centredDialog_[1]) = dialog;
    // Centred over the main window; halves truncated toward zero, size unchanged.
    const QRect main = frameGeometry();
    const QSize size = dialog->frameGeometry().size();
    dialog->move(main.left() + (main.width() - size.width()) / 2, main.top() + (main.height() - size.height()) / 2);
}

void TMainForm::DialogClose(QFileDialog* dialog) {
    for (QFileDialog*& slot : centredDialog_)
        if (slot == dialog) slot = nullptr;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    for (QFileDialog* dialog : {Ui.OpenFileLMDOpenDialog, Ui.SaveFileLMDSaveDialog}) {
        if (dialog == nullptr || watched != dialog) continue;
        if (event->type() == QEvent::Show) DialogShow(dialog);
        else if (event->type() == QEvent::Hide) DialogClose(dialog);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::BindHandlers() {
    connect(Ui.FindDeviceLMDButton, &QPushButton::clicked, this,
            [this] { FindDeviceLMDButtonClick(Ui.FindDeviceLMDButton); });
    connect(Ui.RebootDeviceMenuItem, &QAction::triggered, this, [this] { RebootDeviceMenuItemClick(); });
    connect(Ui.ApplicationExit, &QAction::triggered, this, [this] { ApplicationExitClick(); });
    connect(Ui.StartMultimeterLMDSpeedButton, &QPushButton::clicked, this, [this] { StartLMDSpeedButtonClick(); });
    // The file dialogs call DialogShow when shown and DialogClose when closed.
    for (QFileDialog* dialog : {Ui.OpenFileLMDOpenDialog, Ui.SaveFileLMDSaveDialog})
        if (dialog != nullptr) dialog->installEventFilter(this);
    BindDiscoveryHandlers();
    BindSettingsHandlers();
    BindMultimeterPageHandlers();
    BindCoefficientPageHandlers();
    BindVerificationPageHandlers();
    BindInstrumentPanelHandlers();
    BindSignalViewHandlers();
    ReadingLog = new TReadingLog(*this);
}

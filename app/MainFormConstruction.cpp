// Construction of the main window: the control tree, the parts, the trimming
// of the design layout, and the binding of the controls to their handlers.
#include "app/MainForm.h"

#include "app/AcquisitionController.h"
#include "app/ApplicationEvents.h"
#include "app/CoefficientPage.h"
#include "app/DeviceController.h"
#include "app/HintWindow.h"
#include "app/InstrumentPanel.h"
#include "app/MultimeterPage.h"
#include "app/ReadingLog.h"
#include "app/ReentryGuard.h"
#include "app/SettingsController.h"
#include "app/SignalViewLink.h"
#include "app/LimitsLink.h"
#include "app/VerificationPage.h"
#include "FormatFloat/DecimalSeparator.h"
#include "ui/CaptionGroupBox.h"
#include "ui/CircleShape.h"
#include "ui/EntryEdit.h"
#include "ui/PageControl.h"
#include "ui/RadioGroup.h"
#include "ui/SpeedButton.h"
#include "ui/ValueEdit.h"
#include "ui/VerificationPageUi.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QOperatingSystemVersion>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>

namespace {

// The window's outer size is its client size plus the design frame (borders and
// caption bar); the limits are outer sizes.
constexpr int FrameExtraWidth = 8;
constexpr int FrameExtraHeight = 32;
constexpr int MinimumOuterWidth = 1138;
constexpr int MinimumOuterHeight = 608;

}  // namespace

QSize TMainForm::OuterSize() const { return size() + QSize(FrameExtraWidth, FrameExtraHeight); }

TMainForm::TMainForm(QWidget* owner) : QMainWindow(owner), guard_(std::make_unique<TReentryGuard>()) {
    // 1. The control tree.
    Ui.setupUi(this);

    // 2. Application tooltips and the application-wide handlers.
    events_ = new TApplicationEvents(this);
    events_->OnShortCut = [this](int key, bool& handled) { ApplicationShortCut(key, handled); };
    events_->OnActivate = [this] { ApplicationActivate(); };
    events_->OnDeactivate = [this] { ApplicationDeactivate(); };
    events_->OnShowHint = [this](QString& text, bool& canShow, THintInfo& info) {
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
            hintWindow_ = hint;
            break;
        }
    }

    // 5. Initial texts.
    Ui.ModuleSerialNumberLMDLabel->setText("????????");
    Ui.ModuleFirmwareVersionLMDLabel->setText("??.??.??.??");
    Ui.ModuleStatusLed->setToolTip("Статус модуля -> ???");
    Ui.GeneratorStatusLed->setToolTip("Статус генератора -> ???");
    Ui.VoltmeterStatusLed->setToolTip("Статус мультиметра -> ???");

    // 6. Numbers use '.' whatever the system says.
    SetDecimalSeparator('.');

    {
        // 7 - 19. The parts fill their controls quietly: no change handler runs meanwhile.
        const TReentryGuard::TScope quiet = guard_->Hold();
        const auto stopRun = [this] { acquisition_->StopMainThread(); };
        multimeterPage_ = std::make_unique<TMultimeterPage>(
            Ui, this, *guard_, [this] { return settings_->Current().computationMethod == computation::TMethod::Spectral; }, stopRun);
        coefficientPage_ = std::make_unique<TCoefficientPage>(Ui.CoefficientPage, this);
        settings_ = std::make_unique<TSettingsController>(Ui, this, *guard_, *multimeterPage_, *coefficientPage_,
                                                          [this] { return device_->Selection(); });
        readingLog_ = std::make_unique<TReadingLog>(*this, Ui, [this] { return acquisition_->AutoResume(); });
        signalView_ = std::make_unique<TSignalViewLink>(
            this, *guard_, [this] { return !acquisition_->Idle(); }, [this] { return multimeterPage_->Ticked(); });
        limits_ = std::make_unique<TLimitsLink>(this, *guard_, [this] { return multimeterPage_->Ticked(); });
        settings_->SetLimitsAccess([this] { return limits_->Limits(); },
                                   [this](const settings::LimitsSettings& limits) { limits_->SetLimits(limits); });
        device_ = std::make_unique<TDeviceController>(Ui, this, *guard_, *settings_, *multimeterPage_, events_,
                                                      stopRun);
        acquisition_ = std::make_unique<TAcquisitionController>(Ui, this, *guard_, *multimeterPage_, *settings_,
                                                                *device_, events_);
        acquisition_->Subscribe(*multimeterPage_);
        // The limits judge a frame before the reading log writes its verdicts.
        acquisition_->Subscribe(*limits_);
        acquisition_->Subscribe(*readingLog_);
        acquisition_->Subscribe(*signalView_);
        readingLog_->SetVerdicts([this](int c, readings::TVerdict& v) { return limits_->Verdict(c, v); });
        verificationPage_ = std::make_unique<TVerificationPage>(
            Ui, this, *guard_, [this] { return device_->ModuleState() == TModuleState::Identified; }, stopRun);
        instrumentPanel_ = std::make_unique<TInstrumentPanel>(Ui, this, *guard_, stopRun);

        // 14. The multimeter page is active.
        Ui.MainLMDPageControl->setCurrentIndex(0);

        // 15 - 19. Window border, trimmed layout, hidden panels and tabs.
        TrimLayout();
        BindHandlers();
    }

    // 20.
    startupStage_ = TStartupStage::Built;

    // 21. Themed captions exist only with the visual styles of Windows 7 and later.
    if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows &&
        QOperatingSystemVersion::current() >= QOperatingSystemVersion::Windows7)
        DisableThemedCaptions(this);

    FormCreate();
}

TMainForm::~TMainForm() {
    FormDestroy();
    // A discovery run uses the window to its end, and a run's thread serves its
    // steps while it stops: both end here, while every part is still there.
    device_->WaitForDiscoveryEnd();
    acquisition_->Shutdown();
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


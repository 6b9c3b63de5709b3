// The multimeter page's parameter controls, the channel frames, and the
// readings of a run in them.
#include "app/MultimeterPage.h"

#include "app/MessagePresenter.h"
#include "FormatFloat/FormatFloat.h"
#include "ui/UiStyle.h"
#include "ui/CaptionGroupBox.h"
#include "ui/MainFormUi.h"
#include "ui/SpeedButton.h"
#include "ui/ValueEdit.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

#include <chrono>
#include <ctime>

namespace {

const QString StartCaption = QStringLiteral("С   Т   А   Р   Т");
const QString StopCaption = QStringLiteral("С   Т   О   П");
const QString NoReading = QStringLiteral("--------");
const QString EnaChannelCaption = "Ошибка EnaChannelLMDCheckBoxChange()!!!";
const QString EnaChannelIdentityCaption = "Ошибка EnaChannelLMDCheckBoxChange()!";

// The texts of the connection-mode list; the C of the second and third is the Latin letter.
const std::array<QString, 3> ConnectionModeTexts = {QString(" Без отсечки (AC/DC)"), QString("    C отсечкой (AC)"),
                                                    QString("  Cобственный нуль")};

QString RangeListText(double volts) { return " " + QString::fromStdString(FormatFloat("0.00", volts)) + " В"; }

QString AdcRateListText(double frequency) {
    const QString blanks = frequency < 10000 ? "      " : "     ";
    return blanks + QString::fromStdString(FormatFloat("0", frequency));
}

void SetButtonTextColor(QWidget* button, const QColor& color) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, color);
    button->setPalette(palette);
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TMultimeterPage::TMultimeterPage(TMainFormUi& ui, QWidget* window, TReentryGuard& guard,
                                 std::function<bool()> frequencyMeasured, std::function<void()> stopRun)
    : QObject(window),
      ui_(ui),
      window_(window),
      guard_(guard),
      frequencyMeasured_(std::move(frequencyMeasured)),
      stopRun_(std::move(stopRun)) {
    ui_.ComputationModeLabLMDLabel->setText("---");
    ui_.ComputationModeLabLMDLabel->setAutoFillBackground(true);
    ui_.AmplitudeTypeLabLMDLabel->setText("---");
    ui_.AmplitudeTypeLabLMDLabel->setAutoFillBackground(true);
    ui_.AdcRateComboBox->setCurrentIndex(-1);
    ui_.AcquisitionTimeLMDLabel->setText("-----");

    QComboBox* ranges = ui_.CommonInputRangeLMDComboBox;
    ranges->clear();
    for (const instrument::TInputRange& range : instrument::InputRanges) ranges->addItem(RangeListText(range.Volts));
    ranges->setMaxVisibleItems(6);
    QComboBox* modes = ui_.CommonInputConnectionModeLMDComboBox;
    modes->clear();
    for (const QString& text : ConnectionModeTexts) modes->addItem(text);
    modes->setMaxVisibleItems(3);
    QComboBox* rates = ui_.AdcRateComboBox;
    rates->clear();
    for (const instrument::TAdcRate& rate : instrument::AdcRates) rates->addItem(AdcRateListText(rate.Frequency));
    rates->setMaxVisibleItems(11);
    rates->setCurrentIndex(-1);

    // The common parameters without selection.
    ui_.AllChannelsLMDCheckBox->setTristate(false);
    ui_.AllChannelsLMDCheckBox->setCheckState(Qt::Unchecked);
    ui_.CommonInputRangeLMDComboBox->setCurrentIndex(-1);
    ui_.CommonInputConnectionModeLMDComboBox->setCurrentIndex(-1);
    ui_.CommonComputationMethodLMDComboBox->setCurrentIndex(-1);
    ui_.CommonComputationMethodLMDLabel->setText("");

    CreateChannelFrames();

    // Under the page's panel, across its width: a place no control uses.
    QWidget* tab = ui_.MultimeterLMDTabSheet;
    linkNotice_ = new QLabel(tab);
    linkNotice_->setObjectName(QStringLiteral("LinkNoticeLMDLabel"));
    linkNotice_->setFont(style::SansFont(16, true));
    style::SetColor(linkNotice_, QPalette::WindowText, style::Red);
    const QWidget* panel = ui_.MultimeterLMDSimplePanel;
    const QRect area(panel->mapTo(tab, QPoint(0, 0)), panel->size());
    linkNotice_->setGeometry(area.left(), area.bottom() + 6, area.width(), 24);
    linkNotice_->hide();
}

void TMultimeterPage::CreateChannelFrames() {
    QWidget* box = ui_.AdcIndividualParsLMDGroupBox;
    double volts[instrument::RangeCount];
    for (std::size_t i = 0; i < instrument::RangeCount; ++i) volts[i] = instrument::InputRanges[i].Volts;
    for (int i = 0; i < 4; ++i) {
        auto* frame = new TZeb44AdcChannelFrame(box, static_cast<uint16_t>(i), volts, instrument::RangeCount);
        frames_[i] = frame;
        frame->setParent(box);
        frame->setObjectName(QString("Zeb44AdcChannel%1Frame").arg(i));
        const QRect panel = frame->Zeb44AdcChannelLMDSimplePanel->geometry();
        frame->resize(panel.left() + panel.width(), panel.top() + panel.height());
        const int left = static_cast<int>((box->width() - frame->width()) * 0.5);
        const int top = i == 0 ? static_cast<int>((box->height() - 4 * frame->height()) * 0.5 + 10)
                               : frame->height() * i + frames_[0]->y();
        frame->move(left, top);
        frame->DisableFrameControls();
        ResetChannelFrame(i);
        frame->setVisible(true);
        // The acquisition thread reads the ticks through this mask, never the boxes.
        const auto bit = static_cast<uint8_t>(1u << i);
        const auto track = [this, bit](bool ticked) {
            if (ticked)
                ticked_.fetch_or(bit);
            else
                ticked_.fetch_and(static_cast<uint8_t>(~bit));
        };
        track(frame->ChannelNumberLMDCheckBox->isChecked());
        connect(frame->ChannelNumberLMDCheckBox, &QCheckBox::toggled, this, track);
    }
}

std::array<bool, 4> TMultimeterPage::Ticked() const {
    std::array<bool, 4> ticked{};
    for (std::size_t c = 0; c < frames_.size(); ++c) ticked[c] = frames_[c]->ChannelNumberLMDCheckBox->isChecked();
    return ticked;
}

void TMultimeterPage::AdcRateChanged() {
    const auto entered = guard_.Enter();
    if (!entered) return;
    // The new rate is read at the next START.
    stopRun_();
}

void TMultimeterPage::AllChannelsChanged() {
    const auto entered = guard_.Enter();
    if (!entered) return;
    stopRun_();
    const bool all = ui_.AllChannelsLMDCheckBox->checkState() == Qt::Checked;
    for (TZeb44AdcChannelFrame* frame : frames_) {
        frame->ChannelNumberLMDCheckBox->setChecked(all);
        if (all)
            frame->EnableChannel();
        else
            frame->DisableChannel();
    }
}

void TMultimeterPage::CommonRangeChanged() {
    const auto entered = guard_.Enter();
    if (!entered) return;
    stopRun_();
    const int range = ui_.CommonInputRangeLMDComboBox->currentIndex();
    for (TZeb44AdcChannelFrame* frame : frames_) frame->InputRangeLMDComboBox->setCurrentIndex(range);
}

void TMultimeterPage::CommonConnectionModeChanged() {
    const auto entered = guard_.Enter();
    if (!entered) return;
    stopRun_();
    const int mode = ui_.CommonInputConnectionModeLMDComboBox->currentIndex();
    ShowCommonComputationMethod(mode);
    const int method = ui_.CommonComputationMethodLMDComboBox->currentIndex();
    for (int i = 0; i < static_cast<int>(frames_.size()); ++i) ApplyChannelMode(i, mode, method);
}

void TMultimeterPage::CommonMeasuringModeChanged() {
    const auto entered = guard_.Enter();
    if (!entered) return;
    stopRun_();
    const int mode = ui_.CommonInputConnectionModeLMDComboBox->currentIndex();
    const int method = ui_.CommonComputationMethodLMDComboBox->currentIndex();
    for (int i = 0; i < static_cast<int>(frames_.size()); ++i) ApplyChannelMode(i, mode, method);
}

void TMultimeterPage::ChannelEnableChanged(QObject* sender) {
    const auto entered = guard_.Enter();
    if (!entered) return;
    stopRun_();
    auto* box = qobject_cast<QCheckBox*>(sender);
    if (box == nullptr) {
        ApplicationMessageBox(window_, "Не могу привести тип!", EnaChannelCaption, TMessageBoxIcon::Information);
        return;
    }
    TZeb44AdcChannelFrame* owner = nullptr;
    for (TZeb44AdcChannelFrame* frame : frames_) {
        if (frame->ChannelNumberLMDCheckBox == box) {
            owner = frame;
            break;
        }
    }
    if (owner == nullptr) {
        ApplicationMessageBox(window_, "Не могу опознать управляюшщий элемент типа TLMDCheckBox!",
                              EnaChannelIdentityCaption);
        return;
    }
    if (box->isChecked())
        owner->EnableChannel();
    else
        owner->DisableChannel();
    ShowAllChannelsState();
}

void TMultimeterPage::ChannelRangeChanged() {
    // Every frame's range list counts, whichever changed.
    const auto entered = guard_.Enter();
    if (!entered) return;
    stopRun_();
    int range = -1;
    ui_.CommonInputRangeLMDComboBox->setCurrentIndex(AllChannelRangesAlike(range) ? range : -1);
}

void TMultimeterPage::ShowAllChannelsState() {
    bool enabled = false;
    if (AllChannelsEnabledAlike(enabled))
        ui_.AllChannelsLMDCheckBox->setCheckState(enabled ? Qt::Checked : Qt::Unchecked);
    else
        ui_.AllChannelsLMDCheckBox->setCheckState(Qt::PartiallyChecked);
}

void TMultimeterPage::ShowCommonComputationMethod(int connectionMode) {
    QComboBox* list = ui_.CommonComputationMethodLMDComboBox;
    QLabel* label = ui_.CommonComputationMethodLMDLabel;
    if (connectionMode == 0) {
        list->setVisible(true);
        label->setVisible(false);
        label->setText("---");
    } else {
        list->setVisible(false);
        label->setVisible(true);
        label->setText(connectionMode == 1 ? "AC" : "DC");
    }
}

void TMultimeterPage::ApplyChannelMode(int channel, int connectionMode, int measuringModeIndex) {
    if (channel < 0 || channel >= static_cast<int>(frames_.size())) return;
    TZeb44AdcChannelFrame* frame = frames_[channel];
    frame->ShowComputationMethod(connectionMode, measuringModeIndex);
    const bool ac = frame->ComputationMethodLMDLabel->text() == "AC";
    // A frequency is shown for AC only, and only the spectral method finds one.
    const bool frequency = ac && frequencyMeasured_();
    const bool ticked = frame->ChannelNumberLMDCheckBox->isChecked();
    frame->Value1LMDEdit->setEnabled(ticked);
    frame->Value1LabLMDLabel->setEnabled(ticked);
    frame->Value1LabLMDLabel->setText("мВ");
    if (ticked) {
        // AC is only ever shown for connection modes 0 and 1.
        frame->Value2LMDEdit->setEnabled(frequency);
        frame->Value2LabLMDLabel->setEnabled(frequency);
        frame->Value2LabLMDLabel->setText(frequency ? "кГц" : "");
        frame->Value2LMDEdit->setText(NoReading);
    } else {
        frame->Value2LMDEdit->setEnabled(false);
        frame->Value2LabLMDLabel->setEnabled(false);
        frame->Value2LabLMDLabel->setText(frequency ? "кГц" : "");
    }
}

bool TMultimeterPage::AllChannelsEnabledAlike(bool& channel0Enabled) const {
    const std::array<bool, 4> ticked = Ticked();
    channel0Enabled = ticked[0];
    for (std::size_t i = 1; i < ticked.size(); ++i)
        if (ticked[i] != channel0Enabled) return false;
    return true;
}

bool TMultimeterPage::AllChannelRangesAlike(int& channel0Range) const {
    channel0Range = frames_[0]->InputRangeLMDComboBox->currentIndex();
    for (std::size_t i = 1; i < frames_.size(); ++i)
        if (frames_[i]->InputRangeLMDComboBox->currentIndex() != channel0Range) return false;
    return true;
}

void TMultimeterPage::EnableChannelControls() {
    const int mode = ui_.CommonInputConnectionModeLMDComboBox->currentIndex();
    const int method = ui_.CommonComputationMethodLMDComboBox->currentIndex();
    for (int i = 0; i < static_cast<int>(frames_.size()); ++i) {
        TZeb44AdcChannelFrame* frame = frames_[i];
        frame->setEnabled(true);
        frame->Zeb44AdcChannelLMDSimplePanel->setEnabled(true);
        frame->ChannelNumberLMDCheckBox->setEnabled(true);
        if (frame->ChannelNumberLMDCheckBox->isChecked())
            frame->EnableChannel();
        else
            frame->DisableChannel();
        ApplyChannelMode(i, mode, method);
    }
}

void TMultimeterPage::ResetChannelFrame(int channel) {
    if (channel < 0 || channel >= static_cast<int>(frames_.size()) || frames_[channel] == nullptr) return;
    TZeb44AdcChannelFrame* frame = frames_[channel];
    frame->ChannelNumberLMDCheckBox->setChecked(false);
    frame->InputRangeLMDComboBox->setCurrentIndex(-1);
    frame->ComputationMethodLMDComboBox->setCurrentIndex(-1);
    for (TValueEdit* value : {frame->Value1LMDEdit, frame->Value2LMDEdit}) {
        value->setTextColor(style::BrightGreen);
        value->setText(NoReading);
    }
    frame->Value1LabLMDLabel->setText("");
    frame->Value2LabLMDLabel->setText("");
    frame->SetOverloadLed(TZeb44AdcChannelFrame::Neutral);
}

void TMultimeterPage::ClearParameters() {
    ui_.CommonInputConnectionModeLMDComboBox->setCurrentIndex(-1);
    ui_.CommonInputRangeLMDComboBox->setCurrentIndex(-1);
    ui_.CommonComputationMethodLMDComboBox->setCurrentIndex(-1);
    ui_.AdcRateComboBox->setCurrentIndex(-1);
    ui_.AllChannelsLMDCheckBox->setCheckState(Qt::Unchecked);
    for (int i = 0; i < static_cast<int>(frames_.size()); ++i) ResetChannelFrame(i);
}

settings::ModuleControls TMultimeterPage::Controls() const {
    settings::ModuleControls controls;
    controls.adcRateIndex = ui_.AdcRateComboBox->currentIndex();
    switch (ui_.AllChannelsLMDCheckBox->checkState()) {
    case Qt::Checked: controls.allChannels = settings::GroupCheck::Checked; break;
    case Qt::PartiallyChecked: controls.allChannels = settings::GroupCheck::Mixed; break;
    default: controls.allChannels = settings::GroupCheck::Unchecked; break;
    }
    controls.commonRangeIndex = ui_.CommonInputRangeLMDComboBox->currentIndex();
    controls.connectionModeIndex = ui_.CommonInputConnectionModeLMDComboBox->currentIndex();
    controls.commonMethodIndex = ui_.CommonComputationMethodLMDComboBox->currentIndex();
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        const TZeb44AdcChannelFrame* frame = frames_[i];
        controls.channelEnabled[i] = frame->ChannelNumberLMDCheckBox->isChecked();
        controls.channelRangeIndex[i] = frame->InputRangeLMDComboBox->currentIndex();
        controls.channelMethodIndex[i] = frame->ComputationMethodLMDComboBox->currentIndex();
    }
    return controls;
}

void TMultimeterPage::ApplyControls(const settings::ModuleControls& controls, bool allChannels) {
    ui_.AdcRateComboBox->setCurrentIndex(controls.adcRateIndex);
    // From here on the controls' change handlers stay quiet.
    const TReentryGuard::TScope quiet = guard_.Hold();
    ui_.AllChannelsLMDCheckBox->setCheckState(allChannels ? Qt::Checked : Qt::Unchecked);
    ui_.CommonInputRangeLMDComboBox->setCurrentIndex(controls.commonRangeIndex);
    ui_.CommonInputConnectionModeLMDComboBox->setCurrentIndex(controls.connectionModeIndex);
    ShowCommonComputationMethod(controls.connectionModeIndex);
    ui_.CommonComputationMethodLMDComboBox->setCurrentIndex(controls.commonMethodIndex);
    for (int i = 0; i < static_cast<int>(frames_.size()); ++i) {
        TZeb44AdcChannelFrame* frame = frames_[i];
        frame->ChannelNumberLMDCheckBox->setChecked(controls.channelEnabled[i]);
        frame->InputRangeLMDComboBox->setCurrentIndex(controls.channelRangeIndex[i]);
        frame->ComputationMethodLMDComboBox->setCurrentIndex(controls.channelMethodIndex[i]);
        ApplyChannelMode(i, controls.connectionModeIndex, controls.commonMethodIndex);
    }
    ShowAllChannelsState();
}

run::TModuleParameters TMultimeterPage::ModuleParameters() const {
    run::TModuleParameters parameters;
    for (std::size_t c = 0; c < parameters.ChannelEnabled.size() && c < frames_.size(); ++c) {
        parameters.ChannelEnabled[c] = frames_[c]->ChannelNumberLMDCheckBox->isChecked();
        parameters.RangeIndex[c] = frames_[c]->InputRangeLMDComboBox->currentIndex();
    }
    parameters.AdcRateIndex = ui_.AdcRateComboBox->currentIndex();
    parameters.ConnectionMode = ui_.CommonInputConnectionModeLMDComboBox->currentIndex();
    return parameters;
}

void TMultimeterPage::BeginRun(run::TRunSettings& settings) {
    const TReentryGuard::TScope quiet = guard_.Hold();
    ui_.StartMultimeterLMDSpeedButton->setText(StopCaption);
    SetButtonTextColor(ui_.StartMultimeterLMDSpeedButton, style::Red);
    ui_.VoltmeterValueLMDLabel->setText(QString());
    for (std::size_t c = 0; c < frames_.size(); ++c) {
        TZeb44AdcChannelFrame* frame = frames_[c];
        frame->Value1LMDEdit->setText(QString());
        frame->Value1LMDEdit->setTextColor(style::BrightGreen);
        frame->Value2LMDEdit->setText(QString());
        frame->SetOverloadLed(TZeb44AdcChannelFrame::Neutral);
        settings.ChannelMode[c] = frame->ComputationMethodLMDLabel->text() == "AC" ? computation::TChannelMode::Ac
                                                                                   : computation::TChannelMode::Dc;
        settings.RangeIndex[c] = frame->InputRangeLMDComboBox->currentIndex();
    }
}

void TMultimeterPage::ShowFrameTime(double milliseconds) {
    ui_.AcquisitionTimeLMDLabel->setText(Text(FormatFloat("0.0", milliseconds)));
}

void TMultimeterPage::FrameShown(const TShownFrame& shown) {
    const std::array<run::TChannelDisplay, 4>& displays = shown.Displays;
    const TReentryGuard::TScope quiet = guard_.Hold();
    for (TZeb44AdcChannelFrame* frame : frames_) frame->SetOverloadLed(TZeb44AdcChannelFrame::Neutral);
    for (std::size_t c = 0; c < frames_.size(); ++c) {
        TZeb44AdcChannelFrame* frame = frames_[c];
        const run::TChannelDisplay& display = displays[c];
        const QColor colour = display.Overload ? style::Red : style::BrightGreen;
        using TKind = run::TChannelDisplay::TKind;
        frame->Value1LMDEdit->setText(Text(display.Value));
        frame->Value2LMDEdit->setText(Text(display.Frequency));
        if (display.Kind == TKind::Unticked) {
            frame->Value1LabLMDLabel->setText(QString());
            frame->Value2LabLMDLabel->setText(QString());
            continue;
        }
        frame->Value1LMDEdit->setEnabled(true);
        frame->Value1LMDEdit->setTextColor(colour);
        frame->Value1LabLMDLabel->setText(QString::fromUtf8(run::MillivoltUnit));
        const bool frequency = display.Kind == TKind::AcWithFrequency;
        frame->Value2LMDEdit->setEnabled(frequency);
        if (frequency) frame->Value2LMDEdit->setTextColor(colour);
        frame->Value2LabLMDLabel->setText(frequency ? QString::fromUtf8(run::KilohertzUnit) : QString());
    }
}

void TMultimeterPage::ShowOverloads(const run::TMeasurementRun& run) {
    for (std::size_t c = 0; c < frames_.size(); ++c) {
        TZeb44AdcChannelFrame* frame = frames_[c];
        if (!frame->ChannelNumberLMDCheckBox->isChecked())
            frame->SetOverloadLed(TZeb44AdcChannelFrame::Neutral);
        else
            frame->SetOverloadLed(run.OverloadFlags()[c] != 0 ? TZeb44AdcChannelFrame::Overload
                                                              : TZeb44AdcChannelFrame::NoOverload);
    }
}

void TMultimeterPage::EndRun() {
    const TReentryGuard::TScope quiet = guard_.Hold();
    ui_.StartMultimeterLMDSpeedButton->setText(StartCaption);
    SetButtonTextColor(ui_.StartMultimeterLMDSpeedButton, style::DarkGreen);
    ui_.StartMultimeterLMDSpeedButton->setChecked(false);
    ui_.AcquisitionTimeLMDLabel->setText("-----");
    linkNotice_->hide();
}

void TMultimeterPage::LinkLost(const TLinkLoss& loss) {
    for (TZeb44AdcChannelFrame* frame : frames_) {
        frame->Value1LMDEdit->setTextColor(style::Grey);
        frame->Value2LMDEdit->setTextColor(style::Grey);
        frame->SetOverloadLed(TZeb44AdcChannelFrame::Neutral);
    }
    const std::time_t next = std::chrono::system_clock::to_time_t(loss.NextTry);
    std::tm local{};
    localtime_r(&next, &local);
    char time[16];
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    linkNotice_->setText(QStringLiteral("Связь с модулем потеряна (%1). Следующая попытка в %2.")
                             .arg(QString::fromStdString(loss.Message).simplified(), QString::fromLatin1(time)));
    linkNotice_->setToolTip(QString::fromStdString(loss.Message));
    linkNotice_->show();
    linkNotice_->raise();
}

void TMultimeterPage::LinkResumed(const TLinkLoss&) { linkNotice_->hide(); }

void TMultimeterPage::SetApplicationActive(bool active) {
    for (TZeb44AdcChannelFrame* frame : frames_) {
        frame->ApplicationActive = active;
        frame->SetFocusOnMouseAbove(active);
    }
}

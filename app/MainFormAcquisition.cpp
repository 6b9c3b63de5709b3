// The window's side of a measurement run: what the acquisition thread asks of
// it at the start and end of a run and after every frame. Each step runs on
// the GUI thread while the thread waits; the texts come from the run library.
#include "app/MainForm.h"

#include "app/BusyScope.h"
#include "app/ReadingLog.h"
#include "app/SignalViewForm.h"
#include "FormatFloat/FormatFloat.h"
#include "ui/Led.h"
#include "ui/SpeedButton.h"
#include "ui/ValueEdit.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>

#include <cstring>

namespace {

const QColor LimeText(0, 255, 0);
const QColor RedText(255, 0, 0);
const QColor StartGreen(0, 128, 0);
const QString StartCaption = QStringLiteral("С   Т   А   Р   Т");
const QString StopCaption = QStringLiteral("С   Т   О   П");

void SetButtonTextColor(QWidget* button, const QColor& color) {
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, color);
    button->setPalette(palette);
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

ModuleRecord& TMainForm::AcquisitionModuleRecord() { return Module; }

bool TMainForm::ChannelTicked(int channel) const {
    return channel >= 0 && channel < 4 && (TickedChannelMask.load() & (1u << channel)) != 0;
}

void TMainForm::TrackChannelTicks() {
    for (TZeb44AdcChannelFrame* frame : ChannelFrames) {
        if (frame == nullptr) continue;
        const unsigned bit = 1u << frame->ChannelIndex;
        const auto track = [this, bit](bool ticked) {
            if (ticked)
                TickedChannelMask.fetch_or(static_cast<uint8_t>(bit));
            else
                TickedChannelMask.fetch_and(static_cast<uint8_t>(~bit));
        };
        track(frame->ChannelNumberLMDCheckBox->isChecked());
        connect(frame->ChannelNumberLMDCheckBox, &QCheckBox::toggled, this, track);
    }
}

void TMainForm::BeginAcquisition(TAcquisitionStart& start) {
    TBusyScope busy(Busy);
    Ui.StartMultimeterLMDSpeedButton->setText(StopCaption);
    SetButtonTextColor(Ui.StartMultimeterLMDSpeedButton, RedText);
    Ui.VoltmeterValueLMDLabel->setText(QString());
    run::TRunSettings& settings = start.Settings;
    for (std::size_t c = 0; c < ChannelFrames.size(); ++c) {
        TZeb44AdcChannelFrame* frame = ChannelFrames[c];
        frame->Value1LMDEdit->setText(QString());
        frame->Value1LMDEdit->setTextColor(LimeText);
        frame->Value2LMDEdit->setText(QString());
        frame->SetOverloadLed(TZeb44AdcChannelFrame::Neutral);
        settings.ChannelMode[c] = frame->ComputationMethodLMDLabel->text() == "AC" ? computation::TChannelMode::Ac
                                                                                   : computation::TChannelMode::Dc;
        settings.RangeIndex[c] = frame->InputRangeLMDComboBox->currentIndex();
    }
    settings.ComputationMethod = ComputationMethod;
    settings.AmplitudeType = AmplitudeType;
    settings.MaxAcquisitionTime = MaxAcquisitionTime;
    RunPatterns = {DcFormat, AcFormat, FrFormat};
    if (ReadingLog != nullptr) ReadingLog->RunStarted();
    if (SignalView != nullptr) SignalView->RunStarted();
    const int crate = Ui.ZebCratesComboBox->currentIndex();
    start.CrateTypeCode = crate >= 0 && crate < ListedCrateCount && crate < MaxCrates ? ListedCrateTypeCodes[crate] : 0;
    start.ModuleName.assign(Module.Name, ::strnlen(Module.Name, sizeof Module.Name));
}

void TMainForm::ReadModuleParameters(run::TModuleParameters& parameters) {
    parameters = run::TModuleParameters{};
    for (std::size_t c = 0; c < parameters.ChannelEnabled.size() && c < ChannelFrames.size(); ++c) {
        if (ChannelFrames[c] == nullptr) continue;
        parameters.ChannelEnabled[c] = ChannelFrames[c]->ChannelNumberLMDCheckBox->isChecked();
        parameters.RangeIndex[c] = ChannelFrames[c]->InputRangeLMDComboBox->currentIndex();
    }
    parameters.AdcRateIndex = Ui.AdcRateComboBox->currentIndex();
    parameters.ConnectionMode = Ui.CommonInputConnectionModeLMDComboBox->currentIndex();
}

void TMainForm::ShowAcquisitionTime(double milliseconds) {
    Ui.AcquisitionTimeLMDLabel->setText(Text(FormatFloat("0.0", milliseconds)));
}

void TMainForm::ShowValues(const run::TMeasurementRun& run) {
    TBusyScope busy(Busy);
    for (TZeb44AdcChannelFrame* frame : ChannelFrames) frame->SetOverloadLed(TZeb44AdcChannelFrame::Neutral);
    std::array<std::string, 4> readings;  // for the signal view, as the fields show them
    for (std::size_t c = 0; c < ChannelFrames.size(); ++c) {
        TZeb44AdcChannelFrame* frame = ChannelFrames[c];
        const run::TChannelDisplay display = run::MakeChannelDisplay(
            frame->ChannelNumberLMDCheckBox->isChecked(), run.Settings().ChannelMode[c], run.Method(),
            run.Settings().RangeIndex[c], run.Results()[c], run.OverloadFlags()[c] != 0, RunPatterns);
        const QColor colour = display.Overload ? RedText : LimeText;
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
        readings[c] = display.Value + " " + run::MillivoltUnit;
        if (frequency) readings[c] += ", " + display.Frequency + " " + run::KilohertzUnit;
    }
    if (ReadingLog != nullptr) {
        std::array<bool, 4> ticked{};
        for (std::size_t c = 0; c < ChannelFrames.size(); ++c)
            ticked[c] = ChannelFrames[c]->ChannelNumberLMDCheckBox->isChecked();
        ReadingLog->FrameShown(run, ticked);
    }
    ++ShownFrameCount;
    if (SignalView != nullptr) SignalView->TakeFrame(run, readings);
}

void TMainForm::ShowOverloads(const run::TMeasurementRun& run) {
    for (std::size_t c = 0; c < ChannelFrames.size(); ++c) {
        TZeb44AdcChannelFrame* frame = ChannelFrames[c];
        if (!frame->ChannelNumberLMDCheckBox->isChecked())
            frame->SetOverloadLed(TZeb44AdcChannelFrame::Neutral);
        else
            frame->SetOverloadLed(run.OverloadFlags()[c] != 0 ? TZeb44AdcChannelFrame::Overload
                                                              : TZeb44AdcChannelFrame::NoOverload);
    }
}

void TMainForm::EndAcquisition() {
    TBusyScope busy(Busy);
    Ui.StartMultimeterLMDSpeedButton->setText(StartCaption);
    SetButtonTextColor(Ui.StartMultimeterLMDSpeedButton, StartGreen);
    Ui.StartMultimeterLMDSpeedButton->setChecked(false);
    Ui.AcquisitionTimeLMDLabel->setText("-----");
    AcquisitionIdle = true;
    if (SignalView != nullptr) SignalView->RunEnded();
}

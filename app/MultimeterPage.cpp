// The multimeter page's parameter controls: the common parameters, the
// channel frames' enable boxes and range lists, and keeping them consistent.
// The parameters are the state of the controls; nothing is copied elsewhere.
#include "app/MainForm.h"

#include "app/MessagePresenter.h"
#include "run/ModuleConfiguration.h"
#include "ui/ValueEdit.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

namespace {

const QString EnaChannelCaption = "Ошибка EnaChannelLMDCheckBoxChange()!!!";
const QString EnaChannelIdentityCaption = "Ошибка EnaChannelLMDCheckBoxChange()!";

}  // namespace

void TMainForm::AdcRateComboBoxChange() {
    if (Busy) return;
    Busy = true;
    // The new rate is read at the next START.
    StopMainThread();
    Busy = false;
}

void TMainForm::AllChannelsLMDCheckBoxChange() {
    if (Busy) return;
    Busy = true;
    StopMainThread();
    const bool all = Ui.AllChannelsLMDCheckBox->checkState() == Qt::Checked;
    for (TZeb44AdcChannelFrame* frame : ChannelFrames) {
        if (frame == nullptr) continue;
        frame->ChannelNumberLMDCheckBox->setChecked(all);
        if (all)
            frame->EnableChannel();
        else
            frame->DisableChannel();
    }
    Busy = false;
}

void TMainForm::CommonInputRangeLMDComboBoxChange() {
    if (Busy) return;
    Busy = true;
    StopMainThread();
    const int range = Ui.CommonInputRangeLMDComboBox->currentIndex();
    for (TZeb44AdcChannelFrame* frame : ChannelFrames)
        if (frame != nullptr) frame->InputRangeLMDComboBox->setCurrentIndex(range);
    Busy = false;
}

void TMainForm::CommonInputConnectionModeLMDComboBoxChange() {
    if (Busy) return;
    Busy = true;
    StopMainThread();
    const int mode = Ui.CommonInputConnectionModeLMDComboBox->currentIndex();
    ShowCommonComputationMethod(mode);
    const int method = Ui.CommonComputationMethodLMDComboBox->currentIndex();
    for (int i = 0; i < static_cast<int>(ChannelFrames.size()); ++i) ApplyChannelMode(i, mode, method);
    Busy = false;
}

void TMainForm::CommonComputationMethodLMDComboBoxChange() {
    if (Busy) return;
    Busy = true;
    StopMainThread();
    const int mode = Ui.CommonInputConnectionModeLMDComboBox->currentIndex();
    const int method = Ui.CommonComputationMethodLMDComboBox->currentIndex();
    for (int i = 0; i < static_cast<int>(ChannelFrames.size()); ++i) ApplyChannelMode(i, mode, method);
    Busy = false;
}

void TMainForm::EnaChannelLMDCheckBoxChange(QObject* sender) {
    if (Busy) return;
    Busy = true;
    StopMainThread();
    auto* box = qobject_cast<QCheckBox*>(sender);
    if (box == nullptr) {
        ApplicationMessageBox(this, "Не могу привести тип!", EnaChannelCaption, TMessageBoxIcon::Information);
        Busy = false;
        return;
    }
    TZeb44AdcChannelFrame* owner = nullptr;
    for (TZeb44AdcChannelFrame* frame : ChannelFrames) {
        if (frame != nullptr && frame->ChannelNumberLMDCheckBox == box) {
            owner = frame;
            break;
        }
    }
    if (owner == nullptr) {
        ApplicationMessageBox(this, "Не могу опознать управляюшщий элемент типа TLMDCheckBox!", EnaChannelIdentityCaption);
        Busy = false;
        return;
    }
    if (box->isChecked())
        owner->EnableChannel();
    else
        owner->DisableChannel();
    bool enabled = false;
    if (AllChannelsEnabledAlike(enabled))
        Ui.AllChannelsLMDCheckBox->setCheckState(enabled ? Qt::Checked : Qt::Unchecked);
    else
        Ui.AllChannelsLMDCheckBox->setCheckState(Qt::PartiallyChecked);
    Busy = false;
}

void TMainForm::ChannelRangeChange(QObject* sender) {
    (void)sender;  // every frame's range list counts, whichever changed
    if (Busy) return;
    Busy = true;
    StopMainThread();
    int range = -1;
    Ui.CommonInputRangeLMDComboBox->setCurrentIndex(AllChannelRangesAlike(range) ? range : -1);
    Busy = false;
}

void TMainForm::ShowCommonComputationMethod(int connectionMode) {
    QComboBox* list = Ui.CommonComputationMethodLMDComboBox;
    QLabel* label = Ui.CommonComputationMethodLMDLabel;
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

void TMainForm::ApplyChannelMode(int channel, int connectionMode, int measuringModeIndex) {
    if (channel < 0 || channel >= static_cast<int>(ChannelFrames.size()) || ChannelFrames[channel] == nullptr) return;
    TZeb44AdcChannelFrame* frame = ChannelFrames[channel];
    frame->ShowComputationMethod(connectionMode, measuringModeIndex);
    const bool ac = frame->ComputationMethodLMDLabel->text() == "AC";
    // A frequency is shown for AC only, and only the spectral method finds one.
    const bool frequency = ac && ComputationMethod == computation::TMethod::Spectral;
    const bool ticked = frame->ChannelNumberLMDCheckBox->isChecked();
    frame->Value1LMDEdit->setEnabled(ticked);
    frame->Value1LabLMDLabel->setEnabled(ticked);
    frame->Value1LabLMDLabel->setText("мВ");
    if (ticked) {
        // AC is only ever shown for connection modes 0 and 1.
        frame->Value2LMDEdit->setEnabled(frequency);
        frame->Value2LabLMDLabel->setEnabled(frequency);
        frame->Value2LabLMDLabel->setText(frequency ? "кГц" : "");
        frame->Value2LMDEdit->setText("--------");
    } else {
        frame->Value2LMDEdit->setEnabled(false);
        frame->Value2LabLMDLabel->setEnabled(false);
        frame->Value2LabLMDLabel->setText(frequency ? "кГц" : "");
    }
}

bool TMainForm::AllChannelsEnabledAlike(bool& channel0Enabled) const {
    channel0Enabled = ChannelFrames[0] != nullptr && ChannelFrames[0]->ChannelNumberLMDCheckBox->isChecked();
    for (std::size_t i = 1; i < ChannelFrames.size(); ++i) {
        const bool enabled = ChannelFrames[i] != nullptr && ChannelFrames[i]->ChannelNumberLMDCheckBox->isChecked();
        if (enabled != channel0Enabled) return false;
    }
    return true;
}

bool TMainForm::AllChannelRangesAlike(int& channel0Range) const {
    const auto rangeOf = [this](std::size_t i) {
        return ChannelFrames[i] != nullptr ? ChannelFrames[i]->InputRangeLMDComboBox->currentIndex() : -1;
    };
    channel0Range = rangeOf(0);
    for (std::size_t i = 1; i < ChannelFrames.size(); ++i)
        if (rangeOf(i) != channel0Range) return false;
    return true;
}

void TMainForm::EnableChannelControls() {
    const int mode = Ui.CommonInputConnectionModeLMDComboBox->currentIndex();
    const int method = Ui.CommonComputationMethodLMDComboBox->currentIndex();
    for (int i = 0; i < static_cast<int>(ChannelFrames.size()); ++i) {
        TZeb44AdcChannelFrame* frame = ChannelFrames[i];
        if (frame == nullptr) continue;
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

void TMainForm::WriteModuleConfiguration() {
    run::TModuleParameters parameters;
    ReadModuleParameters(parameters);
    run::WriteModuleConfiguration(Module, parameters);
}

void TMainForm::BindMultimeterPageHandlers() {
    connect(Ui.AdcRateComboBox, &QComboBox::currentIndexChanged, this, [this] { AdcRateComboBoxChange(); });
    connect(Ui.AllChannelsLMDCheckBox, &QCheckBox::stateChanged, this, [this] { AllChannelsLMDCheckBoxChange(); });
    connect(Ui.CommonInputRangeLMDComboBox, &QComboBox::currentIndexChanged, this,
            [this] { CommonInputRangeLMDComboBoxChange(); });
    connect(Ui.CommonInputConnectionModeLMDComboBox, &QComboBox::currentIndexChanged, this,
            [this] { CommonInputConnectionModeLMDComboBoxChange(); });
    connect(Ui.CommonComputationMethodLMDComboBox, &QComboBox::currentIndexChanged, this,
            [this] { CommonComputationMethodLMDComboBoxChange(); });
}

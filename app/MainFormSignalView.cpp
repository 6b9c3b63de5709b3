// The window's side of the waveform and spectrum window: opening it from the popup
// menu's item (Ctrl+G) or a channel's value field.
#include "app/MainForm.h"

#include "app/BusyScope.h"
#include "app/SignalViewForm.h"
#include "ui/ValueEdit.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QAction>
#include <QCheckBox>

void TMainForm::OpenSignalView(int channel) {
    if (Busy) return;
    TBusyScope busy(Busy);
    if (SignalView == nullptr) {
        SignalView = new TSignalViewForm(this);
        if (!AcquisitionIdle.load()) SignalView->RunStarted();
    }
    std::array<bool, 4> enabled{};
    for (std::size_t c = 0; c < ChannelFrames.size(); ++c)
        enabled[c] = ChannelFrames[c] != nullptr && ChannelFrames[c]->ChannelNumberLMDCheckBox->isChecked();
    SignalView->SetEnabledChannels(enabled);
    if (channel >= 0) SignalView->SelectChannel(channel);
    SignalView->show();
    SignalView->raise();
    SignalView->activateWindow();
}

void TMainForm::BindSignalViewHandlers() {
    connect(Ui.SignalViewMenuItem, &QAction::triggered, this, [this] { OpenSignalView(-1); });
    for (std::size_t c = 0; c < ChannelFrames.size(); ++c) {
        TZeb44AdcChannelFrame* frame = ChannelFrames[c];
        if (frame == nullptr) continue;
        const int channel = static_cast<int>(c);
        for (TValueEdit* field : {frame->Value1LMDEdit, frame->Value2LMDEdit})
            connect(field, &TValueEdit::doubleClicked, this, [this, channel] { OpenSignalView(channel); });
    }
}

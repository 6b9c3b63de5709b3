#include "app/SignalViewLink.h"

#include "app/SignalViewForm.h"

TSignalViewLink::TSignalViewLink(QWidget* window, TReentryGuard& guard, std::function<bool()> runActive,
                                 std::function<std::array<bool, 4>()> ticked)
    : QObject(window), window_(window), guard_(guard), runActive_(std::move(runActive)), ticked_(std::move(ticked)) {}

void TSignalViewLink::Open(int channel) {
    const auto entered = guard_.Enter();
    if (!entered) return;
    if (view_ == nullptr) {
        view_ = new TSignalViewForm(window_);
        if (runActive_()) view_->RunStarted();
    }
    view_->SetEnabledChannels(ticked_());
    if (channel >= 0) view_->SelectChannel(channel);
    view_->show();
    view_->raise();
    view_->activateWindow();
}

void TSignalViewLink::RunStarted() {
    if (view_ != nullptr) view_->RunStarted();
}

void TSignalViewLink::FrameShown(const TShownFrame& shown) {
    if (view_ == nullptr) return;
    // The readings as the fields show them.
    std::array<std::string, 4> readings;
    for (std::size_t c = 0; c < shown.Displays.size(); ++c) {
        const run::TChannelDisplay& display = shown.Displays[c];
        if (display.Kind == run::TChannelDisplay::TKind::Unticked) continue;
        readings[c] = display.Value + " " + run::MillivoltUnit;
        if (display.Kind == run::TChannelDisplay::TKind::AcWithFrequency)
            readings[c] += ", " + display.Frequency + " " + run::KilohertzUnit;
    }
    view_->TakeFrame(shown.Run, readings);
}

void TSignalViewLink::RunEnded() {
    if (view_ != nullptr) view_->RunEnded();
}

#include "app/LimitsLink.h"

#include "app/LimitsForm.h"
#include "run/MeasurementRun.h"

TLimitsLink::TLimitsLink(QWidget* window, TReentryGuard& guard, std::function<std::array<bool, 4>()> ticked)
    : QObject(window), window_(window), guard_(guard), ticked_(std::move(ticked)) {}

void TLimitsLink::Open() {
    const auto entered = guard_.Enter();
    if (!entered) return;
    if (view_ == nullptr) view_ = new TLimitsForm(window_, board_);
    view_->SetChannels(ticked_());
    view_->show();
    view_->raise();
    view_->activateWindow();
}

void TLimitsLink::SetLimits(const settings::LimitsSettings& limits) {
    board_.Configure(limits);
    if (view_ != nullptr) view_->ShowLimits();
}

void TLimitsLink::RunStarted() {
    board_.Start();
    if (view_ == nullptr) return;
    view_->SetChannels(ticked_());
    view_->RunStarted();
}

void TLimitsLink::FrameShown(const TShownFrame& shown) {
    const run::TMeasurementRun& run = shown.Run;
    const double seconds = board_.SecondsSinceStart();
    for (int c = 0; c < 4; ++c) {
        const std::size_t i = static_cast<std::size_t>(c);
        if (shown.Displays[i].Kind == run::TChannelDisplay::TKind::Unticked) continue;
        const computation::TChannelResult& measured = run.Results()[i];
        const bool ac = run.Settings().ChannelMode[i] == computation::TChannelMode::Ac;
        const bool overload = run.OverloadFlags()[i] != 0;
        const readings::TBenchResult& result = board_.Take(c, ac ? measured.AcValue : measured.DcValue, overload, seconds);
        if (view_ == nullptr) continue;
        // The shown reading in the pattern the main window's field uses for this channel.
        computation::TChannelResult relative = measured;
        relative.DcValue = relative.AcValue = result.Shown;
        view_->SetShownText(c, run::MakeChannelDisplay(true, run.Settings().ChannelMode[i], run.Method(),
                                                       run.Settings().RangeIndex[i], relative, result.Overload,
                                                       shown.Patterns)
                                   .Value);
    }
}

void TLimitsLink::RunEnded() {
    if (view_ != nullptr) view_->RunEnded();
}

bool TLimitsLink::Verdict(int channel, readings::TVerdict& verdict) const {
    const readings::TBenchChannel& judged = board_.Channel(channel);
    if (!judged.Settings().LimitsOn) return false;
    verdict = judged.Last().Verdict;
    return true;
}

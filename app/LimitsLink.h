#pragma once

#include "app/BenchBoard.h"
#include "app/ReentryGuard.h"
#include "app/RunSubscriber.h"
#include "settings/SettingsValues.h"

#include <QObject>

#include <array>
#include <functional>

class QWidget;
class TLimitsForm;

// The bench-meter functions of the run's channels and their window ("Допуски и
// статистика", Ctrl+T): the channels are judged every frame by the settings file's
// limits whether the window was ever opened or not (the reading log's verdicts come from
// here); the window is made at its first opening and shows them.
class TLimitsLink : public QObject, public TRunSubscriber {
    Q_OBJECT
public:
    // ticked: the channels ticked now.
    TLimitsLink(QWidget* window, TReentryGuard& guard, std::function<std::array<bool, 4>()> ticked);

    // Shows the window and brings it to the front.
    void Open();
    // Null before the first opening.
    TLimitsForm* View() const { return view_; }

    // The settings in force (the settings file's section).
    settings::LimitsSettings Limits() const { return board_.Limits(); }
    // Pre: every channel's settings pass readings::ValidateBenchSettings.
    void SetLimits(const settings::LimitsSettings& limits);

    // Channel c's verdict of the last frame; false when its limits are off.
    bool Verdict(int channel, readings::TVerdict& verdict) const;
    const TBenchBoard& Board() const { return board_; }

    void RunStarted() override;
    void FrameShown(const TShownFrame& shown) override;
    void RunEnded() override;

private:
    QWidget* window_;
    TReentryGuard& guard_;
    std::function<std::array<bool, 4>()> ticked_;
    TBenchBoard board_;
    TLimitsForm* view_ = nullptr;
};

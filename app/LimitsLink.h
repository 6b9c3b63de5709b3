#pragma once

#include "app/ReentryGuard.h"
#include "app/RunSubscriber.h"
#include "settings/SettingsValues.h"

#include <QObject>

#include <array>
#include <functional>

class QWidget;
class TLimitsForm;

// The bench-meter window ("Допуски и статистика", Ctrl+T) as the main window reaches
// it: made at its first opening, owned by the main window, fed every frame of a run
// while it exists. Its settings live here until then, so that the settings file's
// section is read and written whether the window was opened or not.
class TLimitsLink : public QObject, public TRunSubscriber {
    Q_OBJECT
public:
    // runActive: whether a run is active now; ticked: the channels ticked now.
    TLimitsLink(QWidget* window, TReentryGuard& guard, std::function<bool()> runActive,
                std::function<std::array<bool, 4>()> ticked);

    // Shows the window and brings it to the front.
    void Open();
    // Null before the first opening.
    TLimitsForm* View() const { return view_; }

    // The settings in force (the settings file's section).
    const settings::LimitsSettings& Limits() const { return limits_; }
    void SetLimits(const settings::LimitsSettings& limits);

    // Channel c's verdict of the last frame; false when its limits are off or the window
    // was never opened (nothing is judged then).
    bool Verdict(int channel, readings::TVerdict& verdict) const;

    void RunStarted() override;
    void FrameShown(const TShownFrame& shown) override;
    void RunEnded() override;

private:
    QWidget* window_;
    TReentryGuard& guard_;
    std::function<bool()> runActive_;
    std::function<std::array<bool, 4>()> ticked_;
    settings::LimitsSettings limits_{};
    TLimitsForm* view_ = nullptr;
};

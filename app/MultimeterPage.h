#pragma once

#include "app/ReentryGuard.h"
#include "app/RunSubscriber.h"
#include "instrument/Zeb44Tables.h"
#include "run/ChannelDisplay.h"
#include "run/MeasurementRun.h"
#include "run/ModuleConfiguration.h"
#include "settings/SettingsValues.h"

#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

class QLabel;
class QWidget;
class TMainFormUi;
class TZeb44AdcChannelFrame;

// The multimeter page: the acquisition parameters (rate, coupling, common range
// and measuring mode, the four channel frames) and the readings shown in the
// frames. The parameters are the state of the controls; nothing is copied
// elsewhere. Every handler follows the window's re-entry guard and stops a run
// before a parameter changes (stopRun).
class TMultimeterPage : public QObject, public TRunSubscriber {
    Q_OBJECT
public:
    // window: the parent of the page's boxes; frequencyMeasured: whether the computation
    // method in force finds a frequency (only the spectral one does).
    TMultimeterPage(TMainFormUi& ui, QWidget* window, TReentryGuard& guard, std::function<bool()> frequencyMeasured,
                    std::function<void()> stopRun);

    // The four frames, made by the constructor and owned by their group box.
    const std::array<TZeb44AdcChannelFrame*, 4>& ChannelFrames() const { return frames_; }
    // Bit c: the enable box of channel c + 1 is ticked; read by the acquisition thread.
    const std::atomic<uint8_t>& TickedChannels() const { return ticked_; }
    std::array<bool, 4> Ticked() const;

    // Handlers of the page's controls.
    void AdcRateChanged();
    void AllChannelsChanged();
    void CommonRangeChanged();
    void CommonConnectionModeChanged();
    void CommonMeasuringModeChanged();
    void ChannelEnableChanged(QObject* sender);
    void ChannelRangeChanged();

    // The common measuring-mode list (connection mode 0) or the "AC"/"DC" label in its place.
    void ShowCommonComputationMethod(int connectionMode);
    // Mode label, value displays and unit labels of one frame for these modes.
    void ApplyChannelMode(int channel, int connectionMode, int measuringModeIndex);
    // Whether the four enable boxes agree; channel0Enabled: channel 0's box ticked.
    bool AllChannelsEnabledAlike(bool& channel0Enabled) const;
    // Whether the four range lists agree; channel0Range: channel 0's item index.
    bool AllChannelRangesAlike(int& channel0Range) const;
    // Once a module is opened and identified: the frames usable in their modes.
    void EnableChannelControls();
    // A frame without choice and reading ("Обнаружить").
    void ResetChannelFrame(int channel);
    // Every parameter without choice.
    void ClearParameters();

    // The parameters as the settings file keeps them, and back into the controls
    // (quietly, then made to look as if the operator had chosen them).
    settings::ModuleControls Controls() const;
    void ApplyControls(const settings::ModuleControls& controls, bool allChannels);
    // The module configuration of the controls (a list without selection sends the
    // table's default row, see run/ModuleConfiguration.h).
    run::TModuleParameters ModuleParameters() const;

    // The run's side of the page.
    // GUI, a run starts: START becomes STOP, the readings are cleared, and settings
    // receives each channel's mode and range.
    void BeginRun(run::TRunSettings& settings);
    void ShowFrameTime(double milliseconds);
    // The readings of a frame (the lamps neutral until ShowOverloads).
    void FrameShown(const TShownFrame& frame) override;
    void ShowOverloads(const run::TMeasurementRun& run);
    // START back, the frame time cleared, no notice of a lost module.
    void EndRun();
    // The run lost its module: the readings stay, marked stale, and a notice under
    // the parameters says so and when the next try comes; it goes at the resumption.
    void LinkLost(const TLinkLoss& loss) override;
    void LinkResumed(const TLinkLoss& loss) override;
    // The notice of a lost module (hidden while the module answers).
    const QLabel* LinkNotice() const { return linkNotice_; }

    void SetApplicationActive(bool active);

private:
    void CreateChannelFrames();
    // The "Все каналы" box after a change of one enable box.
    void ShowAllChannelsState();

    TMainFormUi& ui_;
    QWidget* window_;
    TReentryGuard& guard_;
    std::function<bool()> frequencyMeasured_;
    std::function<void()> stopRun_;
    std::array<TZeb44AdcChannelFrame*, 4> frames_{};
    std::atomic<uint8_t> ticked_{0};
    QLabel* linkNotice_ = nullptr;
};

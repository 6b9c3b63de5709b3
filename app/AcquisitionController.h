#pragma once

#include "acquisition/AcquisitionWindow.h"
#include "app/ReentryGuard.h"
#include "app/RunSubscriber.h"
#include "run/ChannelDisplay.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

class QWidget;
class TApplicationEvents;
class TDeviceController;
class TMainFormUi;
class TMainThread;
class TMultimeterPage;
class TSettingsController;

// The window's measurement runs: START and STOP, the acquisition thread (one at a
// time, owned here), whether a run is active, and the per-frame notification that
// the channel display, the reading log and the signal view subscribe to. It is the
// acquisition thread's window.
class TAcquisitionController : public QObject, public TAcquisitionWindow {
    Q_OBJECT
public:
    TAcquisitionController(TMainFormUi& ui, QWidget* window, TReentryGuard& guard, TMultimeterPage& page,
                           const TSettingsController& settings, TDeviceController& device,
                           TApplicationEvents* events);
    ~TAcquisitionController() override;

    // Subscribers are called in the order they subscribed; they outlive the controller's runs.
    void Subscribe(TRunSubscriber& subscriber);

    // START/STOP was clicked: any run stops; a START put down on the multimeter page starts one.
    void StartStopClicked();
    // Asks for a run on the current page (posted to the window) and waits until it began.
    void StartThread();
    // The posted request: makes and starts the thread running processing function
    // processingIndex (0: the voltmeter), and waits until it runs.
    void OnStartMainThread(uint16_t processingIndex = 0);
    // Stops the run and waits for its thread's end, serving its GUI steps meanwhile.
    void StopMainThread();
    // Esc: stops a run of the multimeter page.
    void EscPressed();
    // The window goes: a thread still there is stopped (its steps served meanwhile) and deleted.
    void Shutdown();

    bool HasThread() const { return thread_ != nullptr; }
    // The thread has begun its run and not yet been stopped.
    bool Running() const { return running_.load(); }
    // No run is active on the multimeter page.
    bool Idle() const { return idle_.load(); }
    // No start request is pending.
    bool RequestAllowed() const { return requestAllowed_; }
    // Frames shown since the window was made.
    std::uint64_t ShownFrames() const { return shownFrames_; }
    // "Автовозобновление при потере связи": a run that loses its module waits for it and
    // resumes by itself, without a message. The popup item's tick is the state.
    bool AutoResume() const { return autoResume_.load(); }

    // The acquisition thread's window.
    int ExecuteMessageDialog(const Threads::TMessageDialogPars& pars) override;
    void AcquisitionThreadRunning() override;
    void BeginAcquisition(TAcquisitionStart& start) override;
    void ShowRun(const run::TMeasurementRun& run, TRunView view, const TLinkLoss& loss) override;
    void EndAcquisition() override;

private:
    TMainFormUi& ui_;
    QWidget* window_;
    TReentryGuard& guard_;
    TMultimeterPage& page_;
    const TSettingsController& settings_;
    TDeviceController& device_;
    TApplicationEvents* events_;
    std::vector<TRunSubscriber*> subscribers_;
    TMainThread* thread_ = nullptr;
    bool requestAllowed_ = true;
    std::atomic<bool> running_{false};
    std::atomic<bool> idle_{true};
    // Read by the acquisition thread when it loses its module.
    std::atomic<bool> autoResume_{false};
    // The display patterns the current run started with.
    run::TDisplayPatterns patterns_;
    std::uint64_t shownFrames_ = 0;
};

// The window's measurement runs: the start hand-shake, stopping, START/STOP,
// and the window side of the acquisition thread.
#include "app/AcquisitionController.h"

#include "app/DeviceController.h"
#include "app/EventWait.h"
#include "app/MessageDialog.h"
#include "app/MessagePresenter.h"
#include "app/MultimeterPage.h"
#include "app/PrivateMessage.h"
#include "app/SettingsController.h"
#include "acquisition/MainThread.h"
#include "ui/MainFormUi.h"
#include "ui/PageControl.h"
#include "ui/SpeedButton.h"

#include <QAction>
#include <QApplication>
#include <QLabel>

#include <algorithm>
#include <exception>

TAcquisitionController::TAcquisitionController(TMainFormUi& ui, QWidget* window, TReentryGuard& guard,
                                               TMultimeterPage& page, const TSettingsController& settings,
                                               TDeviceController& device, TApplicationEvents* events)
    : QObject(window),
      ui_(ui),
      window_(window),
      guard_(guard),
      page_(page),
      settings_(settings),
      device_(device),
      events_(events) {
    connect(ui_.AutoResumeMenuItem, &QAction::toggled, this, [this](bool on) { autoResume_ = on; });
}

TAcquisitionController::~TAcquisitionController() { Shutdown(); }

void TAcquisitionController::Shutdown() {
    if (thread_ != nullptr) {
        thread_->Terminate();
        delete thread_;
        thread_ = nullptr;
    }
}

void TAcquisitionController::Subscribe(TRunSubscriber& subscriber) { subscribers_.push_back(&subscriber); }

void TAcquisitionController::StartStopClicked() {
    const auto entered = guard_.Enter();
    if (!entered) return;
    StopMainThread();
    if (ui_.MainLMDPageControl->currentIndex() == 0 && ui_.StartMultimeterLMDSpeedButton->isChecked()) StartThread();
}

void TAcquisitionController::StartThread() {
    if (running_.load() || !requestAllowed_) return;
    QWidget* page = ui_.MainLMDPageControl->currentWidget();
    if (page != ui_.MultimeterLMDTabSheet) {
        ApplicationMessageBox(window_, "Неизвестный номер страницы приложения!", "Ошибка StartThread()!!!",
                              TMessageBoxIcon::Information);
        return;
    }
    requestAllowed_ = false;
    QApplication::postEvent(window_, new TPrivateMessage(TPrivateMessage::StartMainThread, 0, 0));
    while (!requestAllowed_) SleepAndProcessMessages();
}

void TAcquisitionController::OnStartMainThread(uint16_t processingIndex) {
    running_ = false;
    // A run on the multimeter page is active from here until its EndAcquisition, so
    // that whoever waits for the run's end never sees the idle state before it began.
    const bool wasIdle = idle_.load();
    if (ui_.MainLMDPageControl->currentIndex() == 0) idle_ = false;
    TMainThread* thread = nullptr;
    try {
        thread = new TMainThread(*this, device_.Module(), page_.TickedChannels(), autoResume_);
        thread->ProcessingIndex = processingIndex;
        thread->SetOnTerminate([this] {
            running_ = false;
            idle_ = true;  // also when the run never reached its end step
        });
        thread->Start();
    } catch (const std::exception&) {
        delete thread;
        idle_ = wasIdle;
        ApplicationMessageBox(window_, "Не могу открыть поток 'MainThread'!", "Ошибка OnStartMainThread()!");
        // The waiting StartThread must not wait for a thread that never comes.
        requestAllowed_ = true;
        window_->close();
        return;
    }
    thread_ = thread;
    while (!running_.load()) SleepAndProcessMessages();
    requestAllowed_ = true;
}

void TAcquisitionController::StopMainThread() {
    if (thread_ == nullptr || !requestAllowed_) return;
    while (!running_.load()) SleepAndProcessMessages();
    thread_->Terminate();
    thread_->WaitFor();  // keeps serving the thread's calls to this thread
    while (running_.load()) SleepAndProcessMessages();
    delete thread_;
    thread_ = nullptr;
}

void TAcquisitionController::EscPressed() {
    if (ui_.MainLMDPageControl->currentIndex() == 0 && !idle_.load()) StopMainThread();
}

int TAcquisitionController::ExecuteMessageDialog(const Threads::TMessageDialogPars& pars) {
    return ExecuteStyledMessageDialog(window_, events_, pars, TMessageButtonLayout::SpreadEqual);
}

void TAcquisitionController::AcquisitionThreadRunning() { running_ = true; }

void TAcquisitionController::BeginAcquisition(TAcquisitionStart& start) {
    run::TRunSettings& settings = start.Settings;
    page_.BeginRun(settings);
    const settings::ModuleSettings& current = settings_.Current();
    settings.ComputationMethod = current.computationMethod;
    settings.AmplitudeType = current.amplitudeType;
    settings.MaxAcquisitionTime = current.maxAcquisitionTime;
    patterns_ = {current.dcFormat, current.acFormat, current.frFormat};
    start.Parameters = page_.ModuleParameters();
    start.CrateTypeCode = device_.SelectedCrateTypeCode();
    start.ModuleName = device_.ModuleName();
    const TSettingsController::TSelection selection = device_.Selection();
    start.CrateSerial = selection.CrateSerial;
    start.Slot = static_cast<uint16_t>(std::max(selection.ModuleSlot, 0));
    for (TRunSubscriber* subscriber : subscribers_) subscriber->RunStarted();
}

void TAcquisitionController::ShowRun(const run::TMeasurementRun& run, TRunView view, const TLinkLoss& loss) {
    switch (view) {
    case TRunView::FrameTime:
        page_.ShowFrameTime(run.Geometry().FrameMilliseconds());
        return;
    case TRunView::Values: {
        TShownFrame frame{run, page_.Ticked(), {}, patterns_};
        for (std::size_t c = 0; c < frame.Displays.size(); ++c)
            frame.Displays[c] = run::MakeChannelDisplay(frame.Ticked[c], run.Settings().ChannelMode[c], run.Method(),
                                                        run.Settings().RangeIndex[c], run.Results()[c],
                                                        run.OverloadFlags()[c] != 0, patterns_);
        ++shownFrames_;
        for (TRunSubscriber* subscriber : subscribers_) subscriber->FrameShown(frame);
        return;
    }
    case TRunView::Overloads:
        page_.ShowOverloads(run);
        return;
    case TRunView::Lost:
        device_.ShowModuleLink(false);
        for (TRunSubscriber* subscriber : subscribers_) subscriber->LinkLost(loss);
        return;
    case TRunView::Resumed:
        device_.ShowModuleLink(true);
        for (TRunSubscriber* subscriber : subscribers_) subscriber->LinkResumed(loss);
        return;
    }
}

void TAcquisitionController::EndAcquisition() {
    page_.EndRun();
    idle_ = true;
    for (TRunSubscriber* subscriber : subscribers_) subscriber->RunEnded();
}

// Requests to the worker threads: posting, the start hand-shakes, stopping,
// START/STOP, and the window side of the threads' interfaces.
#include "app/MainForm.h"

#include "app/BusyScope.h"
#include "app/MessageDialog.h"
#include "app/MessagePresenter.h"
#include "acquisition/MainThread.h"
#include "device/InitAndConfigThread.h"
#include "ui/SpeedButton.h"

#include <QApplication>
#include <QTabWidget>
#include <QThread>

#include <exception>

void TMainForm::SleepAndProcessMessages() {
    QThread::msleep(50);
    QApplication::processEvents(QEventLoop::AllEvents);
}

void TMainForm::RequestDiscovery(uint16_t mode, bool restore) {
    if (DiscoveryRunning.load() || !DiscoveryRequestAllowed) return;
    DiscoveryRequestAllowed = false;
    QApplication::postEvent(this, new TPrivateMessage(TPrivateMessage::StartInitDevicesThread, mode, restore ? 1 : 0));
}

bool TMainForm::event(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == TPrivateMessage::StartInitDevicesThread) {
        OnStartInitDevicesThread(static_cast<const TPrivateMessage&>(*event));
        return true;
    }
    if (type == TPrivateMessage::StartMainThread) {
        OnStartMainThread(static_cast<const TPrivateMessage&>(*event));
        return true;
    }
    if (type == QEvent::WindowActivate) FormActivate();
    return QMainWindow::event(event);
}

void TMainForm::OnStartInitDevicesThread(const TPrivateMessage& message) {
    // A request still queued when the window closed starts no run on it.
    if (DiscoveryCancelRequested.load()) return;
    DiscoveryRunning = false;
    discoveryEnded_ = false;
    TInitAndConfigThread* thread = nullptr;
    try {
        thread = new TInitAndConfigThread(*this, static_cast<uint16_t>(message.WParam), message.LParam != 0);
        thread->SetOnTerminate([this] {
            DiscoveryRunning = false;
            discoveryEnded_ = true;
        });
        thread->Start();  // from here on the thread owns itself
    } catch (const std::exception&) {
        delete thread;
        ApplicationMessageBox(this, "Не могу открыть поток 'InitAndConfigThread'!", "Ошибка OnStartInitDevicesThread()!");
        return;
    }
    // A run that is over before the first look counts as started.
    while (!DiscoveryRunning.load() && !discoveryEnded_) SleepAndProcessMessages();
    DiscoveryRequestAllowed = true;
}

void TMainForm::StartThread() {
    if (AcquisitionRunning.load() || !AcquisitionRequestAllowed) return;
    QWidget* page = Ui.MainLMDPageControl->currentWidget();
    if (page != StartPage) {
        ApplicationMessageBox(this, "Неизвестный номер страницы приложения!", "Ошибка StartThread()!!!",
                              TMessageBoxIcon::Information);
        return;
    }
    if (page == Ui.MultimeterLMDTabSheet) {
        AcquisitionRequestAllowed = false;
        QApplication::postEvent(this, new TPrivateMessage(TPrivateMessage::StartMainThread, 0, 0));
        while (!AcquisitionRequestAllowed) SleepAndProcessMessages();
    }
}

void TMainForm::OnStartMainThread(const TPrivateMessage& message) {
    (void)message;
    AcquisitionRunning = false;
    // A run on the multimeter page is active from here until its EndAcquisition, so
    // that whoever waits for the run's end never sees the idle state before it began.
    const bool wasIdle = AcquisitionIdle.load();
    if (Ui.MainLMDPageControl->currentIndex() == 0) AcquisitionIdle = false;
    TMainThread* thread = nullptr;
    try {
        thread = new TMainThread(*this);
        thread->SetOnTerminate([this] {
            AcquisitionRunning = false;
            AcquisitionIdle = true;  // also when the run never reached its end step
        });
        thread->Start();
    } catch (const std::exception&) {
        delete thread;
        AcquisitionIdle = wasIdle;
        ApplicationMessageBox(this, "Не могу открыть поток 'MainThread'!", "Ошибка OnStartMainThread()!");
        // The waiting StartThread must not wait for a thread that never comes.
        AcquisitionRequestAllowed = true;
        close();
        return;
    }
    MainThread = thread;
    while (!AcquisitionRunning.load()) SleepAndProcessMessages();
    AcquisitionRequestAllowed = true;
}

void TMainForm::StopMainThread() {
    if (MainThread == nullptr || !AcquisitionRequestAllowed) return;
    while (!AcquisitionRunning.load()) SleepAndProcessMessages();
    MainThread->Terminate();
    MainThread->WaitFor();  // keeps serving the thread's calls to this thread
    while (AcquisitionRunning.load()) SleepAndProcessMessages();
    delete MainThread;
    MainThread = nullptr;
}

void TMainForm::StartLMDSpeedButtonClick() {
    if (Busy) return;
    TBusyScope busy(Busy);
    StopMainThread();
    if (Ui.MainLMDPageControl->currentIndex() == 0 && Ui.StartMultimeterLMDSpeedButton->isChecked()) StartThread();
}

void TMainForm::SetDiscoveryRunning(bool running) { DiscoveryRunning = running; }

void TMainForm::ResetDiscoveryState() {
    CrateOk = 0;
    ModuleState = 0;
}

void TMainForm::SetAcquisitionRunning(bool running) { AcquisitionRunning = running; }

void TMainForm::SetAcquisitionIdle(bool idle) { AcquisitionIdle = idle; }

namespace {

template <typename Pars>
TMessageDialogRequest RequestOf(const Pars& pars) {
    TMessageDialogRequest request;
    request.Caption = pars.Caption;
    request.DlgType = pars.DlgType;
    request.Buttons = pars.Buttons;
    request.ButtonCaptions = pars.ButtonCaptions;
    request.Message = pars.Message;
    return request;
}

}  // namespace

int TMainForm::ExecuteMessageDialog(const DiscoveryMessageDialogPars& pars) {
    return ExecuteStyledMessageDialog(this, ApplicationEvents, RequestOf(pars), TMessageButtonLayout::EachCentred);
}

int TMainForm::ExecuteMessageDialog(const AcquisitionMessageDialogPars& pars) {
    return ExecuteStyledMessageDialog(this, ApplicationEvents, RequestOf(pars), TMessageButtonLayout::SpreadEqual);
}

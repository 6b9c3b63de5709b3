// The window's lifecycle: creation, show, first resize, activation, closing, and
// the dispatch of the private messages it posts to itself.
#include "app/MainForm.h"

#include "app/AcquisitionController.h"
#include "app/DeviceController.h"
#include "app/PrivateMessage.h"
#include "app/ReentryGuard.h"
#include "app/SettingsController.h"
#include "FormatFloat/DecimalSeparator.h"

#include <QCloseEvent>
#include <QScreen>
#include <QShowEvent>

void TMainForm::FormCreate() { SetDecimalSeparator('.'); }

void TMainForm::FormActivate() { SetDecimalSeparator('.'); }

void TMainForm::FormShow() {
    const auto entered = guard_->Enter();
    if (!entered) return;
    if (startupStage_ == TStartupStage::Built) startupStage_ = TStartupStage::Shown;
}

void TMainForm::FormResize() {
    const auto entered = guard_->Enter();
    if (!entered) return;
    if (startupStage_ != TStartupStage::Shown) return;
    startupStage_ = TStartupStage::DiscoveryRequested;
    device_->RequestDiscovery(TDiscoveryMode::FullSearch, true);
}

void TMainForm::FormDestroy() {}

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

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (event->spontaneous()) return;
    if (!centred_) {
        // Centred on the screen when first shown.
        centred_ = true;
        if (QScreen* monitor = screen()) {
            const QRect area = monitor->availableGeometry();
            move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
        }
    }
    FormShow();
    // Qt sends a window its size before showing it; the resize that follows a
    // show on other platforms is delivered here, once the show is done.
    QMetaObject::invokeMethod(this, [this] { FormResize(); }, Qt::QueuedConnection);
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

bool TMainForm::FormClose() {
    const auto entered = guard_->Enter();
    if (!entered) return false;
    settings_->SaveOnClose();
    acquisition_->StopMainThread();
    // A discovery run still at work uses the module record: let it end first.
    device_->WaitForDiscoveryEnd();
    device_->CloseModule();
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

// The window's lifecycle: creation, show, first resize, activation, closing,
// and the "Обнаружить" / "Выход" commands.
#include "app/MainForm.h"

#include "FormatFloat/DecimalSeparator.h"
#include "acquisition/MainThread.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

void TMainForm::FormCreate() { SetDecimalSeparator('.'); }

void TMainForm::FormActivate() { SetDecimalSeparator('.'); }

void TMainForm::FormShow() {
    if (Busy) return;
    Busy = true;
    if (StartupStage == 1) StartupStage = 2;
    Busy = false;
}

void TMainForm::FormResize() {
    if (Busy) return;
    Busy = true;
    if (StartupStage == 2) {
        StartupStage = 3;
        RequestDiscovery(3, true);
    }
    Busy = false;
}

void TMainForm::FormDestroy() {}

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
    if (Busy) return false;
    Busy = true;
    if (Ui.AutoSaveSettingsLMDCheckBox->isChecked()) SaveIniFile(SettingsFileName());
    SettingsFile.reset();
    StopMainThread();
    // A discovery run still at work uses the module record: let it end first.
    // Should it not end in time, the record stays as it is rather than being
    // closed under the run.
    if (WaitForDiscoveryEnd(DiscoveryEndTimeoutMs) && ZEB44_IsOpened(&Module) == 0) ZEB44_Close(&Module);
    Busy = false;
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TMainForm::FindDeviceLMDButtonClick(QObject* sender) {
    (void)sender;
    if (Busy) return;
    Busy = true;
    StopMainThread();
    Ui.CommonInputConnectionModeLMDComboBox->setCurrentIndex(-1);
    Ui.CommonInputRangeLMDComboBox->setCurrentIndex(-1);
    Ui.CommonComputationMethodLMDComboBox->setCurrentIndex(-1);
    Ui.AdcRateComboBox->setCurrentIndex(-1);
    Ui.AllChannelsLMDCheckBox->setCheckState(Qt::Unchecked);
    for (int i = 0; i < 4; ++i) ResetChannelFrame(i);
    RequestDiscovery(3, false);
    Busy = false;
}

void TMainForm::RebootDeviceMenuItemClick() { FindDeviceLMDButtonClick(Ui.FindDeviceLMDButton); }

void TMainForm::ApplicationExitClick() {
    Busy = false;
    close();
}

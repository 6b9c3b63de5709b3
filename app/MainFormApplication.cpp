// The application-wide handlers: Esc, activation and tooltip placement.
#include "app/MainForm.h"

#include "app/HintWindow.h"
#include "ui/ValueEdit.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QComboBox>
#include <QScreen>
#include <QTabWidget>

void TMainForm::ApplicationShortCut(int key, bool& handled) {
    if (key != 27) return;
    if (Busy || DiscoveryRunning.load()) {
        Busy = false;
        handled = true;
        return;
    }
    if (Ui.MainLMDPageControl->currentIndex() == 0 && !AcquisitionIdle.load()) StopMainThread();
}

void TMainForm::ApplicationActivate() {
    for (TZeb44AdcChannelFrame* frame : ChannelFrames) {
        if (frame == nullptr) continue;
        frame->ApplicationActive = true;
        frame->SetFocusOnMouseAbove(true);
    }
}

void TMainForm::ApplicationDeactivate() {
    for (TZeb44AdcChannelFrame* frame : ChannelFrames) {
        if (frame == nullptr) continue;
        frame->ApplicationActive = false;
        frame->SetFocusOnMouseAbove(false);
    }
}

void TMainForm::ApplicationShowHint(QString& hintText, bool& canShow, THintInfo& hintInfo) {
    (void)canShow;
    const auto place = [&] {
        if (HintWindow == nullptr) return;
        QScreen* monitor = screen();
        if (monitor == nullptr) return;
        const QRect workArea = monitor->availableGeometry();
        const QSize need = HintWindow->CalcHintRect(workArea.width(), hintText);
        const int workRight = workArea.x() + workArea.width();
        const int workBottom = workArea.y() + workArea.height();
        if (hintInfo.HintPos.y() + need.height() > workBottom)
            hintInfo.HintPos.setY(workBottom - need.height() - 10);
        if (hintInfo.HintPos.x() + need.width() > workRight)
            hintInfo.HintPos.setX(workRight - need.width() - 10);
    };
    QWidget* control = hintInfo.HintControl;
    if (control != nullptr && control->objectName() == "ZebCrateStatusLed") {
        const int crate = Ui.ZebCratesComboBox->currentIndex();
        const bool longNotice = crate >= 0 && crate < static_cast<int>(ListedCrateTypeCodes.size()) &&
                                ListedCrateTypeCodes[crate] == 21;
        hintInfo.HideTimeout = longNotice ? 10000 : 2000;
        place();
    } else {
        place();
        hintInfo.HideTimeout = 2000;
    }
}

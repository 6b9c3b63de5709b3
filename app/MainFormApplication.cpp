// The application-wide handlers: Esc, activation and tooltip placement.
#include "app/MainForm.h"

#include "app/AcquisitionController.h"
#include "app/DeviceController.h"
#include "app/HintWindow.h"
#include "app/MultimeterPage.h"
#include "app/ReentryGuard.h"
#include "instrument/Zeb44Tables.h"
#include "ui/ValueEdit.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QComboBox>
#include <QScreen>
#include <QTabWidget>

void TMainForm::ApplicationShortCut(int key, bool& handled) {
    if (key != 27) return;
    if (guard_->Held() || device_->DiscoveryRunning()) {
        // A handler waiting (or a discovery at work) keeps Esc from every control.
        guard_->Release();
        handled = true;
        return;
    }
    acquisition_->EscPressed();
}

void TMainForm::ApplicationActivate() { multimeterPage_->SetApplicationActive(true); }

void TMainForm::ApplicationDeactivate() { multimeterPage_->SetApplicationActive(false); }

void TMainForm::ApplicationShowHint(QString& hintText, bool& canShow, THintInfo& hintInfo) {
    (void)canShow;
    const auto place = [&] {
        if (hintWindow_ == nullptr) return;
        QScreen* monitor = screen();
        if (monitor == nullptr) return;
        const QRect workArea = monitor->availableGeometry();
        const QSize need = hintWindow_->CalcHintRect(workArea.width(), hintText);
        const int workRight = workArea.x() + workArea.width();
        const int workBottom = workArea.y() + workArea.height();
        if (hintInfo.HintPos.y() + need.height() > workBottom)
            hintInfo.HintPos.setY(workBottom - need.height() - 10);
        if (hintInfo.HintPos.x() + need.width() > workRight)
            hintInfo.HintPos.setX(workRight - need.width() - 10);
    };
    QWidget* control = hintInfo.HintControl;
    if (control != nullptr && control->objectName() == "ZebCrateStatusLed") {
        const bool longNotice = device_->SelectedCrateTypeCode() == instrument::SlowCrateTypeCode;
        hintInfo.HideTimeout = longNotice ? 10000 : 2000;
        place();
    } else {
        place();
        hintInfo.HideTimeout = 2000;
    }
}

#include "app/ApplicationEvents.h"

#include "app/HintWindow.h"
#include "app/MainForm.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleFactory>
#include <QWidget>

namespace {

// Keeps the platform's look and only changes when a tooltip appears.
class THintTimingStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay) return TApplicationEvents::HintShowDelay;
        if (hint == SH_ToolTip_FallAsleepDelay) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

TApplicationEvents::TApplicationEvents(QObject* parent) : QObject(parent), hintWindow_(new THintWindow) {
    if (!dynamic_cast<THintTimingStyle*>(QApplication::style()))
        QApplication::setStyle(new THintTimingStyle(QStyleFactory::create(QApplication::style()->name())));
    qApp->installEventFilter(this);
}

TApplicationEvents::~TApplicationEvents() {
    qApp->removeEventFilter(this);
    delete hintWindow_;
}

bool TApplicationEvents::ShowHintFor(QWidget* widget, const QPoint& globalPos) {
    // The control whose tooltip applies: the first one up the chain that has one.
    QWidget* control = widget;
    while (control != nullptr && control->toolTip().isEmpty()) {
        if (control->isWindow()) return false;
        control = control->parentWidget();
    }
    if (control == nullptr) return false;
    QString text = control->toolTip();
    bool canShow = true;
    THintInfo info;
    info.HintControl = control;
    info.HintPos = globalPos + QPoint(0, 20);  // below the pointer
    info.HideTimeout = DefaultHintHideTimeout;
    if (OnShowHint) OnShowHint(text, canShow, info);
    if (!canShow || text.isEmpty()) {
        hintWindow_->ReleaseHint();
        return true;
    }
    QScreen* screen = control->screen();
    const int maxWidth = screen != nullptr ? screen->availableGeometry().width() : 1920;
    hintWindow_->ActivateHint(text, info.HintPos, maxWidth, info.HideTimeout, control);
    return true;
}

bool TApplicationEvents::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ApplicationActivate:
        if (watched == qApp && OnActivate) OnActivate();
        break;
    case QEvent::ApplicationDeactivate:
        if (watched == qApp && OnDeactivate) OnDeactivate();
        break;
    case QEvent::KeyPress: {
        // Look at each key once: when it reaches its first receiver, before that control.
        if (!watched->isWidgetType()) break;
        QWidget* w = static_cast<QWidget*>(watched);
        QWidget* focus = QApplication::focusWidget();
        if (!(w == focus || (focus == nullptr && w->isWindow()))) break;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && OnShortCut) {
            bool handled = false;
            TShortCutHandler handler = OnShortCut;  // the handler may remove itself
            handler(27, handled);
            if (handled) return true;
        }
        break;
    }
    case QEvent::ToolTip:
        if (watched->isWidgetType())
            return ShowHintFor(static_cast<QWidget*>(watched), static_cast<QHelpEvent*>(event)->globalPos());
        break;
    case QEvent::Leave:
        if (watched == hintWindow_->Control()) hintWindow_->ReleaseHint();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        if (hintWindow_->isVisible()) hintWindow_->ReleaseHint();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

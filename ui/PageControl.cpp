#include "ui/PageControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent) { setTabBar(new TPageTabBar(this)); }

bool TPageControl::MayChangeTo(int newIndex) {
    if (newIndex < 0 || newIndex == currentIndex()) return false;
    bool allowChange = true;
    if (OnChangingEx) OnChangingEx(newIndex, allowChange);
    return allowChange;
}

void TPageControl::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    int step = 0;
    if (ctrl && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_PageDown)) step = 1;
    else if (ctrl && (event->key() == Qt::Key_Backtab || event->key() == Qt::Key_PageUp)) step = -1;
    if (step == 0) {
        QTabWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    const int n = count();
    for (int i = 1; i < n; ++i) {
        const int index = ((currentIndex() + step * i) % n + n) % n;
        if (isTabVisible(index) && isTabEnabled(index)) {
            if (MayChangeTo(index)) setCurrentIndex(index);
            return;
        }
    }
}

TPageTabBar::TPageTabBar(TPageControl* control) : QTabBar(control), control_(control) {}

int TPageTabBar::Neighbour(int step) const {
    for (int index = currentIndex() + step; index >= 0 && index < count(); index += step)
        if (isTabVisible(index) && isTabEnabled(index)) return index;
    return -1;
}

void TPageTabBar::mousePressEvent(QMouseEvent* event) {
    const int index = tabAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0 && index != currentIndex() && !control_->MayChangeTo(index)) {
        event->accept();
        return;
    }
    QTabBar::mousePressEvent(event);
}

void TPageTabBar::keyPressEvent(QKeyEvent* event) {
    int step = 0;
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Up) step = -1;
    else if (event->key() == Qt::Key_Right || event->key() == Qt::Key_Down) step = 1;
    if (step == 0) {
        QTabBar::keyPressEvent(event);
        return;
    }
    event->accept();
    const int index = Neighbour(step);
    if (index >= 0 && control_->MayChangeTo(index)) setCurrentIndex(index);
}

void TPageTabBar::wheelEvent(QWheelEvent* event) {
    // The wheel does not switch pages.
    event->ignore();
}

#include "ui/WrapButton.h"

#include <QStyleOptionButton>
#include <QStylePainter>

TWrapButton::TWrapButton(QWidget* parent) : QPushButton(parent) {}

void TWrapButton::setRaisedLettering(bool on) {
    raised_ = on;
    update();
}

void TWrapButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();  // the caption is drawn below, wrapped
    painter.drawControl(QStyle::CE_PushButton, option);
    const QRect area = rect().adjusted(4, 4, -4, -4);
    const int flags = Qt::AlignCenter | Qt::TextWordWrap;
    painter.setFont(font());
    if (raised_ && isEnabled()) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(area.translated(1, 1), flags, text());
    }
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(area, flags, text());
}

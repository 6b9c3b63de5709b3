#include "ui/Led.h"

#include "ui/UiStyle.h"

#include <QPainter>

TLed::TLed(QWidget* parent)
    : QWidget(parent)
    , OnColor(style::Red)
    , OffColor(style::DarkGreen)
{
}

void TLed::setOnColor(const QColor& color)
{
    if (color == OnColor)
        return;
    OnColor = color;
    update();
}

void TLed::setOffColor(const QColor& color)
{
    if (color == OffColor)
        return;
    OffColor = color;
    update();
}

void TLed::setValue(bool on)
{
    if (on == Value)
        return;
    Value = on;
    update();
}

void TLed::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height());
    const QRectF lamp((width() - side) / 2.0 + 0.5, (height() - side) / 2.0 + 0.5, side - 1.0, side - 1.0);
    const QColor colour = shownColor();
    // A soft highlight gives the lamp its round look; no border.
    QRadialGradient shade(lamp.center() - QPointF(side / 6.0, side / 6.0), side * 0.7);
    shade.setColorAt(0.0, colour.lighter(150));
    shade.setColorAt(1.0, colour);
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade);
    painter.drawEllipse(lamp);
}

#include "ui/CircleShape.h"

#include <QPainter>

TCircleShape::TCircleShape(QWidget* parent)
    : QWidget(parent)
    , BrushColor(Qt::white)
{
}

void TCircleShape::setBrushColor(const QColor& color)
{
    if (color == BrushColor)
        return;
    BrushColor = color;
    update();
}

void TCircleShape::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = qMin(width(), height());
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(BrushColor);
    painter.drawEllipse(QRectF((width() - side) / 2.0 + 0.5, (height() - side) / 2.0 + 0.5, side - 1.0, side - 1.0));
}

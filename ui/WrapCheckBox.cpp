#include "ui/WrapCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

TWrapCheckBox::TWrapCheckBox(QWidget* parent)
    : QCheckBox(parent)
{
}

void TWrapCheckBox::setMarkAbove(bool above)
{
    MarkAbove = above;
    update();
}

void TWrapCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);

    const int markW = style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this);
    const int markH = style()->pixelMetric(QStyle::PM_IndicatorHeight, &option, this);
    const int gap = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    const QRect area = rect();
    const int flags = Qt::TextWordWrap | Qt::AlignVCenter
        | (MarkAbove ? Qt::AlignHCenter : Qt::AlignLeft);
    QRect textRect;
    QRect markRect;
    if (MarkAbove) {
        const QRect needed = fontMetrics().boundingRect(area, flags, text());
        const int top = qMax(0, (area.height() - markH - gap - needed.height()) / 2);
        markRect = QRect((area.width() - markW) / 2, top, markW, markH);
        textRect = QRect(0, top + markH + gap, area.width(), area.height() - top - markH - gap);
    } else {
        markRect = QRect(0, (area.height() - markH) / 2, markW, markH);
        textRect = area.adjusted(markW + gap, 0, 0, 0);
    }

    QStyleOptionButton mark = option;
    mark.rect = markRect;
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, mark);
    painter.drawItemText(textRect, flags, option.palette, isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = textRect;
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool TWrapCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

void TWrapCheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

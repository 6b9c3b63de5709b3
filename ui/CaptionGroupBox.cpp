#include "ui/CaptionGroupBox.h"

#include <QStyleOptionGroupBox>

TCaptionGroupBox::TCaptionGroupBox(QWidget* parent)
    : QGroupBox(parent)
{
}

void TCaptionGroupBox::setCaptionColor(const QColor& color)
{
    CaptionColor = color;
    update();
}

void TCaptionGroupBox::initStyleOption(QStyleOptionGroupBox* option) const
{
    QGroupBox::initStyleOption(option);
    // Only the caption takes the colour: a palette change would recolour every child.
    // Styles such as Fusion draw the title in the option's WindowText colour
    // and ignore textColor, so set both.
    if (CaptionColor.isValid()) {
        option->textColor = CaptionColor;
        option->palette.setColor(QPalette::WindowText, CaptionColor);
    }
}

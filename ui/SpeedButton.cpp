#include "ui/SpeedButton.h"

TSpeedButton::TSpeedButton(QWidget* parent)
    : QPushButton(parent)
{
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);   // a speed button never takes the keyboard focus
}

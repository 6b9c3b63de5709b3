#pragma once

#include <QPushButton>

// Toggle button: a press leaves it down, the next press releases it.
class TSpeedButton : public QPushButton
{
    Q_OBJECT
public:
    explicit TSpeedButton(QWidget* parent = nullptr);

    bool isDown() const { return isChecked(); }
};

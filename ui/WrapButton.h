#pragma once

#include <QPushButton>

// A push button whose caption wraps over several lines, centred, optionally in
// raised lettering (a light copy one pixel below and right of the text).
class TWrapButton : public QPushButton {
    Q_OBJECT
public:
    explicit TWrapButton(QWidget* parent = nullptr);

    bool raisedLettering() const { return raised_; }
    void setRaisedLettering(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool raised_ = false;
};

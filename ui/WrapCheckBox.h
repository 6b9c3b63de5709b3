#pragma once

#include <QCheckBox>

// Check box whose caption wraps onto several lines inside the box's own rectangle, with the
// mark either at the left or centred above the caption. The whole rectangle takes clicks.
// A click ticks or unticks; the greyed state is only ever set by the program, so one click
// on a greyed box ticks it.
class TWrapCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit TWrapCheckBox(QWidget* parent = nullptr);

    bool markAbove() const { return MarkAbove; }
    void setMarkAbove(bool above);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void nextCheckState() override;

private:
    bool MarkAbove = false;
};

#pragma once

#include <QColor>
#include <QWidget>

// Filled circle with a thin black outline; status lamps of the top strip.
class TCircleShape : public QWidget
{
    Q_OBJECT
public:
    explicit TCircleShape(QWidget* parent = nullptr);

    QColor brushColor() const { return BrushColor; }
    void setBrushColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor BrushColor;
};

#pragma once

#include <QColor>
#include <QWidget>

// Round indicator lamp: shows the on colour while its value is true, else the off colour.
class TLed : public QWidget
{
    Q_OBJECT
public:
    explicit TLed(QWidget* parent = nullptr);

    QColor onColor() const { return OnColor; }
    QColor offColor() const { return OffColor; }
    bool value() const { return Value; }
    // The colour the lamp shows now.
    QColor shownColor() const { return Value ? OnColor : OffColor; }

    void setOnColor(const QColor& color);
    void setOffColor(const QColor& color);
    void setValue(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor OnColor;
    QColor OffColor;
    bool Value = false;
};

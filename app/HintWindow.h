#pragma once

#include <QLabel>
#include <QPointer>
#include <QTimer>

// The application's tooltip window: shown at a given place for a given time,
// hidden early when the pointer leaves its control or a key or button is pressed.
class THintWindow : public QLabel {
    Q_OBJECT
public:
    THintWindow();

    // Size the window needs for text when it may be at most maxWidth wide.
    QSize CalcHintRect(int maxWidth, const QString& text) const;

    // Shows text with its top-left at pos for timeoutMs milliseconds, sized by
    // CalcHintRect with maxWidth.
    void ActivateHint(const QString& text, const QPoint& pos, int maxWidth, int timeoutMs, QWidget* control);
    void ReleaseHint();

    QWidget* Control() const { return control_; }
    int TimeoutMs() const { return hideTimer_.interval(); }

private:
    QTimer hideTimer_;
    QPointer<QWidget> control_;
};

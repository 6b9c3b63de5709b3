#pragma once

#include <QColor>
#include <QLineEdit>

// Read-only value display: no caret, no context menu (copying with the keyboard stays),
// can take the keyboard focus when the pointer comes over it, and reports the pointer
// entering and leaving.
class TValueEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TValueEdit(QWidget* parent = nullptr);

    // Text colour of the value (the palette's text role).
    QColor textColor() const;
    void setTextColor(const QColor& color);

    // When on, the display takes the focus as the pointer enters it.
    bool focusOnMouseAbove() const { return FocusOnMouseAbove; }
    void setFocusOnMouseAbove(bool on) { FocusOnMouseAbove = on; }

    // True between a pointer enter and the following leave.
    bool pointerOver() const { return PointerOver; }

signals:
    void mouseEntered();
    void mouseLeft();
    // A double click with the left button.
    void doubleClicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool FocusOnMouseAbove = false;
    bool PointerOver = false;
};

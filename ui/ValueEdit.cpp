#include "ui/ValueEdit.h"

#include <QEnterEvent>
#include <QMouseEvent>

TValueEdit::TValueEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setReadOnly(true);            // read-only: no caret is drawn
    setContextMenuPolicy(Qt::NoContextMenu);
    setAlignment(Qt::AlignCenter);
    // A new text shows from its first character: a value wider than the field would
    // otherwise scroll to its end and hide its sign and leading digits.
    connect(this, &QLineEdit::textChanged, this, [this] { setCursorPosition(0); });
}

QColor TValueEdit::textColor() const
{
    return palette().color(QPalette::Text);
}

void TValueEdit::setTextColor(const QColor& color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Text, color);
    setPalette(pal);
}

void TValueEdit::enterEvent(QEnterEvent* event)
{
    PointerOver = true;
    if (FocusOnMouseAbove && isEnabled() && !hasFocus())
        setFocus(Qt::MouseFocusReason);
    QLineEdit::enterEvent(event);
    emit mouseEntered();
}

void TValueEdit::leaveEvent(QEvent* event)
{
    PointerOver = false;
    QLineEdit::leaveEvent(event);
    emit mouseLeft();
}

void TValueEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLineEdit::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton) emit doubleClicked();
}

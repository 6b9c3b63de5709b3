#include "ui/EntryEdit.h"

#include <QFocusEvent>
#include <QTimer>

TEntryEdit::TEntryEdit(QWidget* parent)
    : QLineEdit(parent)
{
}

QColor TEntryEdit::textColor() const
{
    return palette().color(QPalette::Text);
}

void TEntryEdit::setTextColor(const QColor& color)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Text, color);
    setPalette(pal);
}

void TEntryEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // A mouse press that gave the focus would place the cursor after this; select afterwards.
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

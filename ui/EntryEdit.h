#pragma once

#include <QColor>
#include <QLineEdit>

// Entry field that selects its whole text when it receives the focus.
class TEntryEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TEntryEdit(QWidget* parent = nullptr);

    QColor textColor() const;
    void setTextColor(const QColor& color);

protected:
    void focusInEvent(QFocusEvent* event) override;
};

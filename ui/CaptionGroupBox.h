#pragma once

#include <QColor>
#include <QGroupBox>

// Group box whose caption has its own colour; the children keep theirs.
class TCaptionGroupBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit TCaptionGroupBox(QWidget* parent = nullptr);

    QColor captionColor() const { return CaptionColor; }
    void setCaptionColor(const QColor& color);

protected:
    void initStyleOption(QStyleOptionGroupBox* option) const override;

private:
    QColor CaptionColor;
};

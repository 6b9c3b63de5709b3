#pragma once

#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QRadioButton;

// A framed group of radio buttons laid out in columns; the chosen item is an index (-1: none).
class TRadioGroup : public QWidget
{
    Q_OBJECT
public:
    explicit TRadioGroup(QWidget* parent = nullptr);

    // Replaces the items; no item is chosen afterwards.
    void setItems(const QStringList& items, int columns);
    int count() const;
    int itemIndex() const;
    void setItemIndex(int index);
    QRadioButton* button(int index) const;

signals:
    // The operator or the program chose another item.
    void itemIndexChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeButtons();

    QButtonGroup* Group;
    int Columns = 1;
};

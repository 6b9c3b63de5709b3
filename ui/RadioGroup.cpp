#include "ui/RadioGroup.h"

#include <QButtonGroup>
#include <QPainter>
#include <QRadioButton>
#include <QStyleOptionFrame>

namespace {
constexpr int Margin = 2;   // inside the frame line
}

TRadioGroup::TRadioGroup(QWidget* parent)
    : QWidget(parent)
    , Group(new QButtonGroup(this))
{
    Group->setExclusive(true);
    connect(Group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit itemIndexChanged(id);
    });
}

void TRadioGroup::setItems(const QStringList& items, int columns)
{
    const QList<QAbstractButton*> old = Group->buttons();
    for (QAbstractButton* b : old) {
        Group->removeButton(b);
        delete b;
    }
    Columns = columns < 1 ? 1 : columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setObjectName(QStringLiteral("Item%1").arg(i));
        Group->addButton(b, i);
        b->show();
    }
    placeButtons();
}

int TRadioGroup::count() const
{
    return static_cast<int>(Group->buttons().size());
}

int TRadioGroup::itemIndex() const
{
    return Group->checkedId();   // -1 when none is chosen
}

void TRadioGroup::setItemIndex(int index)
{
    if (index == itemIndex())
        return;
    if (QAbstractButton* b = Group->button(index)) {
        b->setChecked(true);
        return;
    }
    // No item: an exclusive group refuses to clear its last button, so lift that for a moment.
    if (QAbstractButton* b = Group->checkedButton()) {
        Group->setExclusive(false);
        b->setChecked(false);
        Group->setExclusive(true);
        emit itemIndexChanged(-1);
    }
}

QRadioButton* TRadioGroup::button(int index) const
{
    return qobject_cast<QRadioButton*>(Group->button(index));
}

void TRadioGroup::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionFrame option;
    option.initFrom(this);
    option.frameShape = QFrame::Box;
    option.lineWidth = 1;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    style()->drawControl(QStyle::CE_ShapedFrame, &option, &painter, this);
}

void TRadioGroup::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void TRadioGroup::placeButtons()
{
    const int n = count();
    if (n == 0)
        return;
    const int rows = (n + Columns - 1) / Columns;
    const int cellW = (width() - 2 * Margin) / Columns;
    const int cellH = (height() - 2 * Margin) / rows;
    // Items run down each column first, as in the classic radio group.
    for (int i = 0; i < n; ++i) {
        const int col = i / rows;
        const int row = i % rows;
        Group->button(i)->setGeometry(Margin + col * cellW + 2, Margin + row * cellH, cellW - 2, cellH);
    }
}

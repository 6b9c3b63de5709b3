// The small widgets of our own: what they draw and how they answer the operator.
#include "ui/CircleShape.h"
#include "ui/EntryEdit.h"
#include "ui/Led.h"
#include "ui/RadioGroup.h"
#include "ui/ValueEdit.h"
#include "ui/WrapCheckBox.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

namespace {

QColor CentrePixel(QWidget& widget)
{
    const QImage image = widget.grab().toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

bool Near(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

TEST(LedTest, DrawsTheColourOfItsValue)
{
    TLed led;
    led.resize(22, 22);
    led.setOnColor(QColor(255, 0, 0));
    led.setOffColor(QColor(0, 128, 0));
    led.setValue(true);
    QColor shown = CentrePixel(led);
    EXPECT_GT(shown.red(), 200);
    EXPECT_LT(shown.green(), 120);
    led.setValue(false);
    shown = CentrePixel(led);
    EXPECT_LT(shown.red(), 120);
    EXPECT_GT(shown.green(), shown.red() + 60);
}

TEST(CircleShapeTest, FillsWithItsBrushColour)
{
    TCircleShape shape;
    shape.resize(23, 23);
    shape.setBrushColor(QColor(0, 128, 0));
    EXPECT_TRUE(Near(CentrePixel(shape), QColor(0, 128, 0), 2));
    shape.setBrushColor(QColor(255, 255, 0));
    EXPECT_TRUE(Near(CentrePixel(shape), QColor(255, 255, 0), 2));
}

TEST(RadioGroupTest, ItemIndexFollowsClicksAndCanBeCleared)
{
    TRadioGroup group;
    group.resize(175, 32);
    group.setItems({QStringLiteral("DC "), QStringLiteral("AC "), QStringLiteral("OFF")}, 3);
    EXPECT_EQ(group.count(), 3);
    EXPECT_EQ(group.itemIndex(), -1);
    // Three columns of one row: the buttons stand side by side inside the frame.
    EXPECT_LT(group.button(0)->geometry().right(), group.button(1)->geometry().left());
    EXPECT_TRUE(group.rect().contains(group.button(2)->geometry()));

    QSignalSpy changed(&group, &TRadioGroup::itemIndexChanged);
    QTest::mouseClick(group.button(2), Qt::LeftButton);
    EXPECT_EQ(group.itemIndex(), 2);
    group.setItemIndex(1);
    EXPECT_EQ(group.itemIndex(), 1);
    group.setItemIndex(-1);
    EXPECT_EQ(group.itemIndex(), -1);
    ASSERT_EQ(changed.size(), 3);
    EXPECT_EQ(changed[0][0].toInt(), 2);
    EXPECT_EQ(changed[1][0].toInt(), 1);
    EXPECT_EQ(changed[2][0].toInt(), -1);
}

TEST(WrapCheckBoxTest, ClickAnywhereTicksAndGreyIsLeftToTheProgram)
{
    TWrapCheckBox box;
    box.setMarkAbove(true);
    box.setTristate(true);
    box.setText(QStringLiteral("Все каналы"));
    box.resize(69, 62);
    const QPoint captionCorner(60, 55);
    QTest::mouseClick(&box, Qt::LeftButton, {}, captionCorner);
    EXPECT_EQ(box.checkState(), Qt::Checked) << "one click ticks, never greys";
    QTest::mouseClick(&box, Qt::LeftButton, {}, captionCorner);
    EXPECT_EQ(box.checkState(), Qt::Unchecked);
    box.setCheckState(Qt::PartiallyChecked);
    EXPECT_EQ(box.checkState(), Qt::PartiallyChecked);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(34, 10));   // on the mark
    EXPECT_EQ(box.checkState(), Qt::Checked);
}

TEST(ValueEditTest, ReadOnlyWithoutContextMenuButCopyable)
{
    TValueEdit edit;
    EXPECT_TRUE(edit.isReadOnly());
    EXPECT_EQ(edit.contextMenuPolicy(), Qt::NoContextMenu);
    edit.setText(QStringLiteral("-12.5"));
    QTest::keyClicks(&edit, QStringLiteral("99"));
    EXPECT_EQ(edit.text(), QStringLiteral("-12.5"));
    edit.setTextColor(QColor(255, 0, 0));
    EXPECT_EQ(edit.textColor(), QColor(255, 0, 0));
}

TEST(EntryEditTest, FocusSelectsTheWholeEntry)
{
    QWidget window;
    auto* first = new TEntryEdit(&window);
    auto* entry = new TEntryEdit(&window);
    entry->move(0, 40);
    entry->setText(QStringLiteral("4900.00"));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    first->setFocus();
    QTest::mouseClick(entry, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return entry->selectedText() == QStringLiteral("4900.00"); }, 2000));
}

} // namespace

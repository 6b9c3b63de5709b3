// The channel frame: construction, lamp states, the channel operations and the hover highlight.
#include "ui/Led.h"
#include "ui/ValueEdit.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <array>
#include <memory>
#include <ostream>
#include <string>

namespace {

constexpr std::array<double, 6> RangeVolts{10, 3, 1, 0.3, 0.1, 0.03};
const QColor Red(255, 0, 0);
const QColor Green(0, 128, 0);
const QColor Lime(0, 255, 0);

class ChannelFrameTest : public testing::Test
{
protected:
    ChannelFrameTest()
        : Host(std::make_unique<QWidget>())
        , Frame(new TZeb44AdcChannelFrame(Host.get(), 0, RangeVolts.data(), RangeVolts.size()))
    {
        Host->setGeometry(100, 100, 760, 80);
        Frame->setGeometry(10, 10, 713, 40);
    }

    QColor Face() const { return Frame->palette().color(QPalette::Window); }

    // The lamp as the three states define it: on colour, off colour, value.
    void ExpectLamp(const QColor& on, const QColor& off, bool value) const
    {
        EXPECT_EQ(Frame->FlashLed->onColor(), on);
        EXPECT_EQ(Frame->FlashLed->offColor(), off);
        EXPECT_EQ(Frame->FlashLed->value(), value);
    }
    void ExpectNeutral() const { ExpectLamp(Face(), Face(), false); }

    // The controls that the channel operations switch (all but the enable box and the mode list).
    std::array<QWidget*, 7> Switched() const
    {
        return {Frame->InputRangeLMDComboBox, Frame->ComputationMethodLMDLabel, Frame->Value1LMDEdit,
                Frame->Value2LMDEdit, Frame->Value1LabLMDLabel, Frame->Value2LabLMDLabel, Frame->FlashLed};
    }

    std::unique_ptr<QWidget> Host;
    TZeb44AdcChannelFrame* Frame;
};

TEST_F(ChannelFrameTest, ConstructionGivesDesignLookAndEmptyState)
{
    EXPECT_FALSE(Frame->isVisibleTo(Host.get())) << "hidden until the window places it";
    EXPECT_EQ(Frame->Zeb44AdcChannelLMDSimplePanel->geometry(), QRect(0, 0, 713, 40));
    EXPECT_EQ(Frame->ChannelIndex, 0);
    EXPECT_FALSE(Frame->ApplicationActive);
    EXPECT_EQ(Frame->InputRangeLMDComboBox->currentIndex(), -1);
    EXPECT_EQ(Frame->ComputationMethodLMDComboBox->currentIndex(), -1);
    EXPECT_EQ(Frame->ComputationMethodLMDComboBox->count(), 2);
    EXPECT_EQ(Frame->ComputationMethodLMDLabel->text(), QString());
    EXPECT_FALSE(Frame->ChannelNumberLMDCheckBox->isChecked());
    ExpectNeutral();
    // Every public control carries its own name, so the window can find it by name.
    for (QObject* control : std::initializer_list<QObject*>{
             Frame->Zeb44AdcChannelLMDSimplePanel, Frame->ChannelNumberLMDCheckBox,
             Frame->ComputationMethodLMDComboBox, Frame->InputRangeLMDComboBox, Frame->Value1LabLMDLabel,
             Frame->Value2LabLMDLabel, Frame->Value2LMDEdit, Frame->Value1LMDEdit, Frame->FlashLed,
             Frame->ComputationMethodLMDLabel}) {
        EXPECT_EQ(Frame->findChild<QObject*>(control->objectName()), control) << control->objectName().toStdString();
        EXPECT_EQ(control->parent(), control == Frame->Zeb44AdcChannelLMDSimplePanel
                                         ? static_cast<QObject*>(Frame)
                                         : Frame->Zeb44AdcChannelLMDSimplePanel);
    }
}

TEST_F(ChannelFrameTest, CaptionNamesTheChannelFromOne)
{
    for (std::uint16_t index : {0, 1, 2, 3}) {
        TZeb44AdcChannelFrame frame(nullptr, index, RangeVolts.data(), RangeVolts.size());
        EXPECT_EQ(frame.ChannelNumberLMDCheckBox->text(), QStringLiteral("Канал %1").arg(index + 1));
        EXPECT_EQ(frame.ChannelIndex, index);
    }
}

TEST_F(ChannelFrameTest, RangeListHoldsEveryRangeWithTwoDecimalsAndPoint)
{
    const QStringList expected{QStringLiteral(" 10.00 В"), QStringLiteral(" 3.00 В"), QStringLiteral(" 1.00 В"),
                               QStringLiteral(" 0.30 В"), QStringLiteral(" 0.10 В"), QStringLiteral(" 0.03 В")};
    QLocale::setDefault(QLocale(QLocale::Russian));   // a comma locale must not leak into the texts
    TZeb44AdcChannelFrame frame(nullptr, 2, RangeVolts.data(), RangeVolts.size());
    QLocale::setDefault(QLocale::c());
    ASSERT_EQ(frame.InputRangeLMDComboBox->count(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(frame.InputRangeLMDComboBox->itemText(i), expected[i]);
    EXPECT_EQ(frame.InputRangeLMDComboBox->maxVisibleItems(), 6);
}

TEST_F(ChannelFrameTest, NoRangesGivesAnEmptyList)
{
    TZeb44AdcChannelFrame frame(nullptr, 0, nullptr, 0);
    EXPECT_EQ(frame.InputRangeLMDComboBox->count(), 0);
    EXPECT_EQ(frame.InputRangeLMDComboBox->currentIndex(), -1);
}

TEST_F(ChannelFrameTest, OverloadLampStates)
{
    Frame->SetOverloadLed(TZeb44AdcChannelFrame::NoOverload);
    ExpectLamp(Red, Green, false);
    EXPECT_EQ(Frame->FlashLed->shownColor(), Green);
    Frame->SetOverloadLed(TZeb44AdcChannelFrame::Overload);
    ExpectLamp(Red, Green, true);
    EXPECT_EQ(Frame->FlashLed->shownColor(), Red);
    Frame->SetOverloadLed(TZeb44AdcChannelFrame::Neutral);
    ExpectNeutral();
    // Unknown states change nothing.
    Frame->SetOverloadLed(TZeb44AdcChannelFrame::Overload);
    for (std::uint8_t bad : {3, 4, 255}) {
        Frame->SetOverloadLed(bad);
        ExpectLamp(Red, Green, true);
    }
}

struct EnableCase
{
    const char* name;
    const char* text;
    QColor colour;
    std::uint8_t expectedLamp;
};

void PrintTo(const EnableCase& c, std::ostream* os)
{
    *os << '"' << c.text << "\" in " << c.colour.name().toStdString();
}

class EnableChannelTest : public ChannelFrameTest, public testing::WithParamInterface<EnableCase>
{
};

TEST_P(EnableChannelTest, LampFollowsTheFirstDisplay)
{
    const EnableCase& c = GetParam();
    Frame->DisableFrameControls();
    Frame->SetControlsEnabled(Frame->Zeb44AdcChannelLMDSimplePanel, true);
    Frame->Value1LMDEdit->setText(QString::fromUtf8(c.text));
    Frame->Value1LMDEdit->setTextColor(c.colour);
    Frame->SetOverloadLed(c.expectedLamp == TZeb44AdcChannelFrame::Overload ? TZeb44AdcChannelFrame::NoOverload
                                                                            : TZeb44AdcChannelFrame::Overload);
    Frame->EnableChannel();
    switch (c.expectedLamp) {
    case TZeb44AdcChannelFrame::NoOverload: ExpectLamp(Red, Green, false); break;
    case TZeb44AdcChannelFrame::Overload: ExpectLamp(Red, Green, true); break;
    default: ExpectNeutral(); break;
    }
    for (QWidget* w : Switched())
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(Frame->ComputationMethodLMDComboBox->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Displays, EnableChannelTest,
    testing::Values(EnableCase{"PlaceholderLime", "--------", Lime, TZeb44AdcChannelFrame::Neutral},
                    EnableCase{"PlaceholderRed", "--------", Red, TZeb44AdcChannelFrame::Neutral},
                    EnableCase{"EmptyRed", "", Red, TZeb44AdcChannelFrame::Neutral},
                    EnableCase{"FourHyphensInside", "12----", Lime, TZeb44AdcChannelFrame::Neutral},
                    EnableCase{"ValueLime", "1234.560", Lime, TZeb44AdcChannelFrame::NoOverload},
                    EnableCase{"ValueRed", "1234.560", Red, TZeb44AdcChannelFrame::Overload},
                    EnableCase{"NegativeRed", "-12.5", Red, TZeb44AdcChannelFrame::Overload},
                    EnableCase{"AlmostRed", "-12.5", QColor(254, 0, 0), TZeb44AdcChannelFrame::NoOverload},
                    EnableCase{"TwoHyphensOnly", "--5", Lime, TZeb44AdcChannelFrame::NoOverload}),
    [](const testing::TestParamInfo<EnableCase>& info) { return std::string(info.param.name); });

TEST_F(ChannelFrameTest, DisableThenEnableKeepsAShownOverload)
{
    Frame->ChannelNumberLMDCheckBox->setChecked(true);
    Frame->Value1LMDEdit->setTextColor(Red);
    Frame->Value1LMDEdit->setText(QStringLiteral("10123.000"));
    Frame->EnableChannel();
    ExpectLamp(Red, Green, true);

    Frame->DisableChannel();
    ExpectNeutral();
    for (QWidget* w : Switched())
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(Frame->ComputationMethodLMDComboBox->isEnabled());
    // The enable box stays usable so the operator can switch the channel back on.
    EXPECT_TRUE(Frame->ChannelNumberLMDCheckBox->isEnabled());
    EXPECT_TRUE(Frame->ChannelNumberLMDCheckBox->isChecked());

    Frame->EnableChannel();
    ExpectLamp(Red, Green, true);
    EXPECT_TRUE(Frame->ChannelNumberLMDCheckBox->isChecked());
}

struct ModeCase
{
    int connectionMode;
    int measuringMode;
    const char* label;
};

void PrintTo(const ModeCase& c, std::ostream* os)
{
    *os << "connection mode " << c.connectionMode << ", measuring mode " << c.measuringMode;
}

class ShowComputationMethodTest : public ChannelFrameTest, public testing::WithParamInterface<ModeCase>
{
};

TEST_P(ShowComputationMethodTest, LabelTakesTheListsPlace)
{
    const ModeCase& c = GetParam();
    EXPECT_TRUE(Frame->ComputationMethodLMDComboBox->isVisibleTo(Frame));
    EXPECT_FALSE(Frame->ComputationMethodLMDLabel->isVisibleTo(Frame));
    Frame->ShowComputationMethod(c.connectionMode, c.measuringMode);
    EXPECT_EQ(Frame->ComputationMethodLMDLabel->text(), QString::fromLatin1(c.label));
    EXPECT_FALSE(Frame->ComputationMethodLMDComboBox->isVisibleTo(Frame));
    EXPECT_TRUE(Frame->ComputationMethodLMDLabel->isVisibleTo(Frame));
}

INSTANTIATE_TEST_SUITE_P(Modes, ShowComputationMethodTest,
                         testing::Values(ModeCase{0, 0, "DC"}, ModeCase{0, 1, "AC"}, ModeCase{0, -1, "DC"},
                                         ModeCase{0, 2, "DC"}, ModeCase{1, 0, "AC"}, ModeCase{1, -1, "AC"},
                                         ModeCase{2, 1, "DC"}, ModeCase{-1, 1, "DC"}, ModeCase{3, 0, "DC"}),
                         [](const testing::TestParamInfo<ModeCase>& info) {
                             auto part = [](int v) { return v < 0 ? "None" : std::to_string(v); };
                             return "Connection" + part(info.param.connectionMode) + "Mode"
                                 + part(info.param.measuringMode);
                         });

TEST_F(ChannelFrameTest, DisableFrameControlsDisablesEachNestedControlItself)
{
    Frame->DisableFrameControls();
    EXPECT_FALSE(Frame->Zeb44AdcChannelLMDSimplePanel->isEnabled());
    EXPECT_TRUE(Frame->isEnabled()) << "only the inner panel and what it holds";
    // Each control is switched off on its own, not only through its panel: enabling the
    // panel again leaves them off until they are enabled themselves.
    Frame->Zeb44AdcChannelLMDSimplePanel->setEnabled(true);
    for (QWidget* w : Switched())
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(Frame->ChannelNumberLMDCheckBox->isEnabled());
    EXPECT_FALSE(Frame->ComputationMethodLMDComboBox->isEnabled());

    TZeb44AdcChannelFrame::SetControlsEnabled(Frame->Zeb44AdcChannelLMDSimplePanel, true);
    for (QWidget* w : Switched())
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(Frame->ChannelNumberLMDCheckBox->isEnabled());
}

TEST_F(ChannelFrameTest, SetControlsEnabledDescendsIntoNestedPanels)
{
    QFrame outer;
    auto* inner = new QFrame(&outer);
    auto* deep = new QLabel(inner);
    auto* list = new QComboBox(&outer);
    TZeb44AdcChannelFrame::SetControlsEnabled(&outer, false);
    outer.setEnabled(true);
    inner->setEnabled(true);
    EXPECT_FALSE(deep->isEnabled());
    EXPECT_FALSE(list->isEnabled());
    TZeb44AdcChannelFrame::SetControlsEnabled(nullptr, false);   // nothing to do, no crash
}

TEST_F(ChannelFrameTest, ParameterChangesAreSignalledWithTheControlAsSender)
{
    QSignalSpy enable(Frame, &TZeb44AdcChannelFrame::enableCheckBoxChanged);
    QSignalSpy range(Frame, &TZeb44AdcChannelFrame::rangeListChanged);
    Frame->ChannelNumberLMDCheckBox->setChecked(true);
    Frame->InputRangeLMDComboBox->setCurrentIndex(3);
    ASSERT_EQ(enable.size(), 1);
    EXPECT_EQ(enable[0][0].value<QObject*>(), Frame->ChannelNumberLMDCheckBox);
    ASSERT_EQ(range.size(), 1);
    EXPECT_EQ(range[0][0].value<QObject*>(), Frame->InputRangeLMDComboBox);
    // Unchanged values give no signal.
    Frame->ChannelNumberLMDCheckBox->setChecked(true);
    Frame->InputRangeLMDComboBox->setCurrentIndex(3);
    EXPECT_EQ(enable.size(), 1);
    EXPECT_EQ(range.size(), 1);
}

// Hover highlight with the real pointer of the X server.
class HoverTest : public ChannelFrameTest
{
protected:
    void SetUp() override
    {
        Frame->show();
        Host->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Host.get()));
        Park();
        Frame->ApplicationActive = true;
    }

    // Pointer away from both displays.
    void Park()
    {
        QCursor::setPos(Host->mapToGlobal(QPoint(2, 2)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Frame->Value1LMDEdit->pointerOver()
                                                  && !Frame->Value2LMDEdit->pointerOver(); }, 3000));
    }

    void PointAt(TValueEdit* edit)
    {
        QCursor::setPos(edit->mapToGlobal(edit->rect().center()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return edit->pointerOver(); }, 3000));
    }
};

TEST_F(HoverTest, ValueUnderThePointerIsSelectedUntilThePointerLeaves)
{
    TValueEdit* edit = Frame->Value1LMDEdit;
    edit->setText(QStringLiteral("-12.5"));
    PointAt(edit);
    EXPECT_EQ(edit->selectedText(), QStringLiteral("-12.5"));
    // A new value keeps the highlight while the pointer rests on it.
    edit->setText(QStringLiteral("-13.25"));
    EXPECT_EQ(edit->selectedText(), QStringLiteral("-13.25"));
    Park();
    EXPECT_FALSE(edit->hasSelectedText());
    // Away from the pointer a new value is not highlighted.
    edit->setText(QStringLiteral("-14.0"));
    EXPECT_FALSE(edit->hasSelectedText());
}

TEST_F(HoverTest, PlaceholderIsNeverHighlighted)
{
    for (const QString& text : {QStringLiteral("--------"), QStringLiteral("1--2")}) {
        Frame->Value2LMDEdit->setText(text);
        PointAt(Frame->Value2LMDEdit);
        EXPECT_FALSE(Frame->Value2LMDEdit->hasSelectedText()) << text.toStdString();
        Park();
    }
}

TEST_F(HoverTest, NothingIsHighlightedWhileAnotherApplicationIsActive)
{
    Frame->ApplicationActive = false;
    Frame->Value1LMDEdit->setText(QStringLiteral("-12.5"));
    PointAt(Frame->Value1LMDEdit);
    EXPECT_FALSE(Frame->Value1LMDEdit->hasSelectedText());
    Frame->Value1LMDEdit->setText(QStringLiteral("-12.6"));
    EXPECT_FALSE(Frame->Value1LMDEdit->hasSelectedText());
    // Inactive, leaving does not touch a selection either.
    Frame->Value1LMDEdit->selectAll();
    Park();
    EXPECT_TRUE(Frame->Value1LMDEdit->hasSelectedText());
}

TEST_F(HoverTest, DisplayTakesTheFocusUnderThePointerOnlyWhenAskedTo)
{
    Frame->SetFocusOnMouseAbove(false);
    PointAt(Frame->Value1LMDEdit);
    EXPECT_NE(Host->focusWidget(), Frame->Value1LMDEdit);
    Park();
    Frame->SetFocusOnMouseAbove(true);
    PointAt(Frame->Value2LMDEdit);
    EXPECT_EQ(Host->focusWidget(), Frame->Value2LMDEdit);
    PointAt(Frame->Value1LMDEdit);
    EXPECT_EQ(Host->focusWidget(), Frame->Value1LMDEdit);
}

TEST_F(ChannelFrameTest, HoverHandlersIgnoreSendersThatAreNotEdits)
{
    Frame->ApplicationActive = true;
    QLabel notAnEdit(QStringLiteral("-12.5"));
    Frame->Value1LMDEdit->setText(QStringLiteral("-12.5"));
    Frame->Value1LMDEdit->selectAll();
    for (QObject* sender : {static_cast<QObject*>(&notAnEdit), static_cast<QObject*>(nullptr)}) {
        Frame->ValueLMDEditChange(sender);
        Frame->ValueLMDEditMouseEnter(sender);
        Frame->ValueLMDEditMouseExit(sender);
    }
    EXPECT_TRUE(Frame->Value1LMDEdit->hasSelectedText());
}

} // namespace

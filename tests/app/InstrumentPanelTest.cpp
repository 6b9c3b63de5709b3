// The hidden panel of the external generator and multimeter, shown through
// the window's own controls.
#include "MainFormFixture.h"

#include "ui/CaptionGroupBox.h"
#include "ui/EntryEdit.h"
#include "ui/RadioGroup.h"

#include <QComboBox>
#include <QLabel>

namespace {

const QColor Red(255, 0, 0);
const QColor Black(0, 0, 0);

class InstrumentPanelTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        form->Ui.EquipmentLMDSimplePanel->show();
        form->Ui.GeneratorLMDGroupBox->show();
        form->Ui.VoltmeterLMDGroupBox->show();
        // The controls and START as a discovery with a module leaves them.
        form->Device().EnableControlBranch(form->Ui.MainLMDSimplePanel, true);
        form->Device().EnableControlBranch(form->Ui.ModuleDetectionLMDGroupBox, true);
        form->Ui.StartMultimeterLMDSpeedButton->setEnabled(true);
    }
    TEntryEdit* Frequency() const { return form->Ui.SignalFrequencyGeneratorLMDEdit; }
    TEntryEdit* Amplitude() const { return form->Ui.SignalAmpltudeGeneratorLMDEdit; }
    QLabel* AmplitudeLabel() const { return form->Ui.SignalAmpltudeGeneratorLabLMDLabel; }
    bool StartEnabled() const { return form->Ui.StartMultimeterLMDSpeedButton->isEnabled(); }
};

struct EnterCase {
    bool inFrequency;
    const char* frequency;
    const char* amplitude;
    const char* frequencyAfter;
    const char* amplitudeAfter;
    const char* labelAfter;  // "-" for the label left as it was
};

TEST_F(InstrumentPanelTest, EnterConfirmsAndLimitsTheEntries) {
    const EnterCase cases[] = {
        {true, "5000", "3", "4900.00", "3", "Напряжение (скз), В"},
        {true, "0", "10", "0.00", "10", "Напряжение, В"},
        {true, "0", "-12", "0.00", "-10.0000", "Напряжение, В"},
        {true, "1", "-12", "1.00", "7.0711", "Напряжение (скз), В"},
        {true, "", "5", "0.00", "5", "Напряжение, В"},
        {true, "0.001", "9", "0.00", "9", "Напряжение, В"},
        {true, "0.0011", "9", "0.00", "7.0711", "Напряжение (скз), В"},
        {true, "4900.002", "1", "4900.00", "1", "Напряжение (скз), В"},
        {false, "1", "-12", "1", "7.07107", "-"},
        {false, "0", "-12", "0", "-10.00000", "-"},
        {false, "2", "-3", "2", "3.00000", "-"},
        {false, "0", "-3", "0", "-3.00000", "-"},
        {false, "0", "", "0", "0.00000", "-"},
    };
    for (const EnterCase& c : cases) {
        SCOPED_TRACE(std::string(c.inFrequency ? "frequency " : "amplitude ") + c.frequency + " / " + c.amplitude);
        AmplitudeLabel()->setText("-");
        Frequency()->setText(c.frequency);
        Amplitude()->setText(c.amplitude);
        TEntryEdit* entry = c.inFrequency ? Frequency() : Amplitude();
        EXPECT_EQ(entry->textColor(), Red);
        QTest::keyClick(entry, Qt::Key_Return);
        EXPECT_EQ(Frequency()->text(), c.frequencyAfter);
        EXPECT_EQ(Amplitude()->text(), c.amplitudeAfter);
        EXPECT_EQ(AmplitudeLabel()->text(), c.labelAfter);
        EXPECT_EQ(entry->textColor(), Black);
        EXPECT_TRUE(presenter.Boxes.empty());
    }
}

TEST_F(InstrumentPanelTest, OnlyDigitsSignPointAndBackspaceReachAnEntry) {
    for (TEntryEdit* entry : {Frequency(), Amplitude()}) {
        entry->clear();
        QTest::keyClicks(entry, "1a,2 -.3x");
        QTest::sendKeyEvent(QTest::Click, entry, Qt::Key(0x0416), QString("Ж"), Qt::NoModifier);
        EXPECT_EQ(entry->text(), "12-.3");
        QTest::keyClick(entry, Qt::Key_Backspace);
        EXPECT_EQ(entry->text(), "12-.");
    }
}

TEST_F(InstrumentPanelTest, StartWaitsForBothEntriesToBeConfirmed) {
    Frequency()->setText("1");
    Amplitude()->setText("2");
    EXPECT_FALSE(StartEnabled());
    QTest::keyClick(Frequency(), Qt::Key_Return);
    EXPECT_FALSE(StartEnabled());
    QTest::keyClick(Amplitude(), Qt::Key_Return);
    EXPECT_TRUE(StartEnabled());
    QTest::keyClicks(Frequency(), "5");
    EXPECT_EQ(Frequency()->textColor(), Red);
    EXPECT_FALSE(StartEnabled());
    QTest::keyClicks(Amplitude(), "5");
    QTest::keyClick(Frequency(), Qt::Key_Return);
    EXPECT_FALSE(StartEnabled());  // the amplitude is still unconfirmed
    QTest::keyClick(Amplitude(), Qt::Key_Return);
    EXPECT_TRUE(StartEnabled());
}

TEST_F(InstrumentPanelTest, ANumberThatCannotBeReadLeavesTheEntryUnconfirmed) {
    struct Case {
        bool inFrequency;
        const char* frequency;
        const char* amplitude;
    };
    for (const Case c : {Case{true, "1", ""}, Case{false, "", "1"}, Case{true, "1", "1e"}, Case{false, "-", "1"}}) {
        SCOPED_TRACE(std::string(c.frequency) + " / " + c.amplitude);
        presenter.Boxes.clear();
        Frequency()->setText(c.frequency);
        Amplitude()->setText(c.amplitude);
        QTest::keyClick(c.inFrequency ? Frequency() : Amplitude(), Qt::Key_Return);
        ASSERT_EQ(presenter.Boxes.size(), 1u);
        EXPECT_EQ(presenter.Boxes[0].Caption, "Ошибка AdcRateLMDEditKeyPress()!!!");
        EXPECT_EQ(presenter.Boxes[0].Text, "Обнаружена ошибка преобразования строки в число.");
        EXPECT_EQ(Frequency()->text(), c.frequency);
        EXPECT_EQ(Amplitude()->text(), c.amplitude);
        EXPECT_EQ((c.inFrequency ? Frequency() : Amplitude())->textColor(), Red);
        EXPECT_FALSE(StartEnabled());
        EXPECT_FALSE(form->Guard().Held());
    }
}

TEST_F(InstrumentPanelTest, TheMultimeterModeDecidesWhatIsEnabled) {
    struct Case {
        int mode;
        bool labels;
        bool filter;
    };
    for (const Case c : {Case{2, false, false}, Case{1, true, true}, Case{0, true, false}}) {
        SCOPED_TRACE(c.mode);
        form->Ui.AcDcVoltmeterModeLMDRadioGroup->setItemIndex(c.mode);
        EXPECT_EQ(form->Ui.VoltmeterValueLMDLabel->isEnabled(), c.labels);
        EXPECT_EQ(form->Ui.VoltmeterValueUnitLMDLabel->isEnabled(), c.labels);
        EXPECT_EQ(form->Ui.AcFilterVoltmeterLMDComboBox->isEnabled(), c.filter);
    }
    QLabel stranger;
    form->InstrumentPanel().VoltmeterModeChanged(&stranger);
    ASSERT_EQ(presenter.Boxes.size(), 1u);
    EXPECT_EQ(presenter.Boxes[0].Caption, "Ошибка AcDcVoltmeterModeLMDRadioGroupChange()!!!");
    EXPECT_EQ(presenter.Boxes[0].Text, "Не могу привести тип!");
}

using InstrumentPanelAsBuilt = MainFormTest;

TEST_F(InstrumentPanelAsBuilt, StaysHidden) {
    EXPECT_TRUE(form->Ui.EquipmentLMDSimplePanel->isHidden());
    EXPECT_TRUE(form->Ui.GeneratorLMDGroupBox->isHidden());
    EXPECT_TRUE(form->Ui.VoltmeterLMDGroupBox->isHidden());
}

}  // namespace

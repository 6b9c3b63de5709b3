// The multimeter page's parameter handlers: common parameters, channel frames,
// the three states of "Все каналы" and the mode and unit displays.
#include "SettingsFormFixture.h"

#include "ui/ValueEdit.h"

#include <QLabel>

namespace {

// Enabled unless switched off itself (its ancestors may be off while the window is not shown).
bool OwnEnabled(const QWidget* widget) { return !widget->testAttribute(Qt::WA_ForceDisabled); }

}  // namespace

// The page as a discovery run leaves it: the default file loaded, the frames switched on.
class MultimeterPageTest : public SettingsFormTest {
protected:
    void SetUp() override {
        SettingsFormTest::SetUp();
        ASSERT_TRUE(OpenAndLoad());
        form->EnableChannelControls();
    }
    QComboBox& ConnectionMode() { return *form->Ui.CommonInputConnectionModeLMDComboBox; }
    QComboBox& CommonMethod() { return *form->Ui.CommonComputationMethodLMDComboBox; }
    QLabel& CommonMethodLabel() { return *form->Ui.CommonComputationMethodLMDLabel; }
    QCheckBox& AllChannels() { return *form->Ui.AllChannelsLMDCheckBox; }
    // Whether frame i shows a frequency: second display and its "кГц" enabled.
    bool ShowsFrequency(int i) {
        return OwnEnabled(Frame(i).Value2LMDEdit) && OwnEnabled(Frame(i).Value2LabLMDLabel) &&
               Frame(i).Value2LabLMDLabel->text() == "кГц";
    }
};

TEST_F(MultimeterPageTest, CutOffShowsAcEverywhereAndAFrequencyOnlyWithTheSpectralMethod) {
    ConnectionMode().setCurrentIndex(1);
    EXPECT_TRUE(CommonMethod().isHidden());
    EXPECT_FALSE(CommonMethodLabel().isHidden());
    EXPECT_EQ(CommonMethodLabel().text(), "AC");
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Frame(i).ComputationMethodLMDLabel->text(), "AC");
        EXPECT_TRUE(ShowsFrequency(i));
        EXPECT_EQ(Frame(i).Value2LMDEdit->text(), "--------");
        EXPECT_EQ(Frame(i).Value1LabLMDLabel->text(), "мВ");
    }
    form->ComputationMethod = computation::TMethod::WeightedSum;
    ConnectionMode().setCurrentIndex(0);
    ConnectionMode().setCurrentIndex(1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(OwnEnabled(Frame(i).Value2LMDEdit));
        EXPECT_EQ(Frame(i).Value2LabLMDLabel->text(), "");
    }
}

TEST_F(MultimeterPageTest, OwnZeroShowsDcAndNoFrequencyWhateverTheCommonMode) {
    CommonMethod().setCurrentIndex(1);
    ConnectionMode().setCurrentIndex(2);
    EXPECT_EQ(CommonMethodLabel().text(), "DC");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Frame(i).ComputationMethodLMDLabel->text(), "DC");
        EXPECT_FALSE(ShowsFrequency(i));
        EXPECT_FALSE(OwnEnabled(Frame(i).Value2LMDEdit));
    }
}

TEST_F(MultimeterPageTest, NoCutOffOffersTheListAgainAndTheFramesFollowIt) {
    ConnectionMode().setCurrentIndex(1);
    CommonMethod().setCurrentIndex(1);  // while hidden: frames stay AC from the cut-off
    ConnectionMode().setCurrentIndex(0);
    EXPECT_FALSE(CommonMethod().isHidden());
    EXPECT_TRUE(CommonMethodLabel().isHidden());
    EXPECT_EQ(CommonMethodLabel().text(), "---");
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Frame(i).ComputationMethodLMDLabel->text(), "AC");
    CommonMethod().setCurrentIndex(0);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Frame(i).ComputationMethodLMDLabel->text(), "DC");
        EXPECT_FALSE(ShowsFrequency(i));
    }
    CommonMethod().setCurrentIndex(-1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Frame(i).ComputationMethodLMDLabel->text(), "DC");
}

TEST_F(MultimeterPageTest, ShowCommonComputationMethodForEveryConnectionMode) {
    struct Case {
        int mode;
        bool listShown;
        const char* label;
    };
    for (const Case& c : {Case{0, true, "---"}, Case{1, false, "AC"}, Case{2, false, "DC"}, Case{-1, false, "DC"}}) {
        SCOPED_TRACE(c.mode);
        form->ShowCommonComputationMethod(c.mode);
        EXPECT_EQ(!CommonMethod().isHidden(), c.listShown);
        EXPECT_EQ(CommonMethodLabel().isHidden(), c.listShown);
        EXPECT_EQ(CommonMethodLabel().text(), c.label);
    }
}

TEST_F(MultimeterPageTest, ChannelBoxesTurnAllChannelsGreyAndBack) {
    AllChannels().setCheckState(Qt::Unchecked);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(Frame(i).ChannelNumberLMDCheckBox->isChecked());
        EXPECT_FALSE(OwnEnabled(Frame(i).Value1LMDEdit));
    }
    Frame(0).ChannelNumberLMDCheckBox->setChecked(true);
    Frame(2).ChannelNumberLMDCheckBox->setChecked(true);
    EXPECT_EQ(AllChannels().checkState(), Qt::PartiallyChecked);
    EXPECT_TRUE(OwnEnabled(Frame(0).Value1LMDEdit));
    EXPECT_FALSE(OwnEnabled(Frame(1).Value1LMDEdit));
    Frame(1).ChannelNumberLMDCheckBox->setChecked(true);
    EXPECT_EQ(AllChannels().checkState(), Qt::PartiallyChecked);
    Frame(3).ChannelNumberLMDCheckBox->setChecked(true);
    EXPECT_EQ(AllChannels().checkState(), Qt::Checked);
    Frame(3).ChannelNumberLMDCheckBox->setChecked(false);
    EXPECT_EQ(AllChannels().checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(form->Busy);
}

TEST_F(MultimeterPageTest, AllChannelsTicksEveryFrameWithoutTheFramesOwnHandlerInterfering) {
    Frame(1).ChannelNumberLMDCheckBox->setChecked(false);
    ASSERT_EQ(AllChannels().checkState(), Qt::PartiallyChecked);
    AllChannels().setCheckState(Qt::Checked);
    EXPECT_EQ(AllChannels().checkState(), Qt::Checked);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(Frame(i).ChannelNumberLMDCheckBox->isChecked());
        EXPECT_TRUE(OwnEnabled(Frame(i).Value1LMDEdit));
        EXPECT_TRUE(OwnEnabled(Frame(i).InputRangeLMDComboBox));
    }
    AllChannels().setCheckState(Qt::Unchecked);
    EXPECT_EQ(AllChannels().checkState(), Qt::Unchecked);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(Frame(i).ChannelNumberLMDCheckBox->isChecked());
        EXPECT_FALSE(OwnEnabled(Frame(i).InputRangeLMDComboBox));
        EXPECT_TRUE(OwnEnabled(Frame(i).ChannelNumberLMDCheckBox));
    }
}

TEST_F(MultimeterPageTest, ChannelRangesAndTheCommonRange) {
    QComboBox& common = *form->Ui.CommonInputRangeLMDComboBox;
    Frame(1).InputRangeLMDComboBox->setCurrentIndex(3);
    EXPECT_EQ(common.currentIndex(), -1);
    Frame(1).InputRangeLMDComboBox->setCurrentIndex(0);
    EXPECT_EQ(common.currentIndex(), 0);
    common.setCurrentIndex(4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Frame(i).InputRangeLMDComboBox->currentIndex(), 4);
    EXPECT_EQ(common.currentIndex(), 4);
}

TEST_F(MultimeterPageTest, AnUntickedFrameKeepsTheFrequencyUnitForLater) {
    ConnectionMode().setCurrentIndex(1);
    Frame(2).ChannelNumberLMDCheckBox->setChecked(false);
    form->ApplyChannelMode(2, 1, 0);
    EXPECT_FALSE(OwnEnabled(Frame(2).Value1LMDEdit));
    EXPECT_FALSE(OwnEnabled(Frame(2).Value1LabLMDLabel));
    EXPECT_EQ(Frame(2).Value1LabLMDLabel->text(), "мВ");
    EXPECT_FALSE(OwnEnabled(Frame(2).Value2LMDEdit));
    EXPECT_EQ(Frame(2).Value2LabLMDLabel->text(), "кГц");
    form->ApplyChannelMode(2, 0, 0);
    EXPECT_EQ(Frame(2).Value2LabLMDLabel->text(), "");
    // Channels outside 0..3 are ignored.
    form->ApplyChannelMode(4, 1, 0);
    form->ApplyChannelMode(-1, 1, 0);
}

TEST_F(MultimeterPageTest, EnableChannelControlsSwitchesEachFrameByItsBox) {
    form->Busy = true;
    Frame(3).ChannelNumberLMDCheckBox->setChecked(false);
    form->Busy = false;
    for (int i = 0; i < 4; ++i) Frame(i).DisableFrameControls();
    form->EnableChannelControls();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(OwnEnabled(Frame(i).ChannelNumberLMDCheckBox));
        EXPECT_TRUE(OwnEnabled(Frame(i).Value1LMDEdit));
        EXPECT_TRUE(OwnEnabled(Frame(i).InputRangeLMDComboBox));
        EXPECT_FALSE(OwnEnabled(Frame(i).Value2LMDEdit));  // DC: no frequency
    }
    EXPECT_TRUE(OwnEnabled(Frame(3).Zeb44AdcChannelLMDSimplePanel));
    EXPECT_TRUE(OwnEnabled(Frame(3).ChannelNumberLMDCheckBox));
    EXPECT_FALSE(OwnEnabled(Frame(3).Value1LMDEdit));
    EXPECT_FALSE(OwnEnabled(Frame(3).InputRangeLMDComboBox));
}

TEST_F(MultimeterPageTest, HandlersDoNothingWhileBusy) {
    form->Busy = true;
    ConnectionMode().setCurrentIndex(1);
    form->Ui.CommonInputRangeLMDComboBox->setCurrentIndex(3);
    Frame(0).ChannelNumberLMDCheckBox->setChecked(false);
    form->Busy = false;
    EXPECT_EQ(CommonMethodLabel().text(), "---");
    EXPECT_EQ(Frame(0).ComputationMethodLMDLabel->text(), "DC");
    EXPECT_EQ(Frame(1).InputRangeLMDComboBox->currentIndex(), 0);
    EXPECT_EQ(AllChannels().checkState(), Qt::Checked);
}

TEST_F(MultimeterPageTest, ForeignSendersAreReportedAndChangeNothing) {
    QObject notABox;
    form->EnaChannelLMDCheckBoxChange(&notABox);
    QCheckBox stranger;
    form->EnaChannelLMDCheckBoxChange(&stranger);
    ASSERT_EQ(presenter.Boxes.size(), 2u);
    EXPECT_EQ(presenter.Boxes[0].Caption, "Ошибка EnaChannelLMDCheckBoxChange()!!!");
    EXPECT_EQ(presenter.Boxes[0].Text, "Не могу привести тип!");
    EXPECT_EQ(presenter.Boxes[1].Caption, "Ошибка EnaChannelLMDCheckBoxChange()!");
    EXPECT_EQ(presenter.Boxes[1].Text, "Не могу опознать управляюшщий элемент типа TLMDCheckBox!");
    EXPECT_FALSE(form->Busy);
    EXPECT_EQ(AllChannels().checkState(), Qt::Checked);
}

TEST_F(MultimeterPageTest, AlikeReports) {
    bool enabled = false;
    EXPECT_TRUE(form->AllChannelsEnabledAlike(enabled));
    EXPECT_TRUE(enabled);
    form->Busy = true;
    Frame(3).ChannelNumberLMDCheckBox->setChecked(false);
    Frame(0).InputRangeLMDComboBox->setCurrentIndex(2);
    form->Busy = false;
    EXPECT_FALSE(form->AllChannelsEnabledAlike(enabled));
    EXPECT_TRUE(enabled);
    int range = -1;
    EXPECT_FALSE(form->AllChannelRangesAlike(range));
    EXPECT_EQ(range, 2);
}

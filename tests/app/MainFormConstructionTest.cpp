#include "MainFormFixture.h"

#include "app/HintWindow.h"
#include "ui/CaptionGroupBox.h"
#include "ui/CircleShape.h"
#include "ui/SpeedButton.h"
#include "ui/ValueEdit.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>

namespace {

using ConstructionTest = MainFormTest;

TEST_F(ConstructionTest, ChannelFramesStandInTheMiddleOfTheirGroupBox) {
    for (int i = 0; i < 4; ++i) {
        TZeb44AdcChannelFrame* frame = form->MultimeterPage().ChannelFrames()[i];
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->geometry(), QRect(89, 46 + 40 * i, 713, 40)) << "frame " << i;
        EXPECT_EQ(frame->objectName(), QString("Zeb44AdcChannel%1Frame").arg(i));
        EXPECT_EQ(frame->parentWidget(), form->Ui.AdcIndividualParsLMDGroupBox);
        EXPECT_EQ(frame->ChannelIndex, i);
        EXPECT_TRUE(frame->isVisible());
        // Empty and inactive until a module is open.
        EXPECT_FALSE(frame->Zeb44AdcChannelLMDSimplePanel->isEnabled());
        EXPECT_FALSE(frame->ChannelNumberLMDCheckBox->isChecked());
        EXPECT_EQ(frame->InputRangeLMDComboBox->currentIndex(), -1);
        EXPECT_EQ(frame->Value1LMDEdit->text(), "--------");
        EXPECT_EQ(frame->Value2LMDEdit->text(), "--------");
        EXPECT_EQ(frame->Value1LMDEdit->textColor(), QColor(0, 255, 0));
        EXPECT_EQ(frame->Value1LabLMDLabel->text(), "");
    }
}

TEST_F(ConstructionTest, TopStripIsTrimmedByX34) {
    EXPECT_EQ(form->Ui.SelectedModuleLMDSimplePanel->width(), 523 - 34);
    EXPECT_EQ(form->Ui.StartMultimeterLMDSimplePanel->x(), 686 - 34);
    EXPECT_EQ(form->Ui.SaveIniSettingLMDGroupBox->x(), 886 - 34);
}

TEST_F(ConstructionTest, MultimeterPageIsTrimmedByH98AndParametersMovedByD86) {
    EXPECT_EQ(form->Ui.MultimeterLMDSimplePanel->geometry(), QRect(109, 9 + 49, 900, 438 - 98));
    EXPECT_EQ(form->Ui.ChannelCommonParsLMDSimplePanel->x(), 34 + 86);
    EXPECT_EQ(form->Ui.CommonParsLMDSimplePanel->x(), 319 + 86);
}

TEST_F(ConstructionTest, WindowKeepsItsMinimumOuterSizeAndCannotBeResized) {
    EXPECT_EQ(form->OuterSize(), QSize(1138, 608));
    EXPECT_EQ(form->size(), QSize(1130, 576));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    form->resize(1500, 900);
    EXPECT_EQ(form->size(), QSize(1130, 576));
}

TEST_F(ConstructionTest, InstrumentControlsAndSpareIndicatorsAreHidden) {
    const QWidget* hidden[] = {form->Ui.Bevel3,
                               form->Ui.GeneratorStatusLed,
                               form->Ui.VoltmeterStatusLed,
                               form->Ui.AcquisitionTimeLMDSimplePanel,
                               form->Ui.ComputationInfoLMDSimplePanel,
                               form->Ui.EquipmentLMDSimplePanel,
                               form->Ui.GeneratorLMDGroupBox,
                               form->Ui.VoltmeterLMDGroupBox};
    for (const QWidget* w : hidden) EXPECT_TRUE(w->isHidden()) << w->objectName().toStdString();
    EXPECT_TRUE(form->Ui.ModuleStatusLed->isVisible());
}

TEST_F(ConstructionTest, OnlyTheMultimeterTabIsOffered) {
    QTabWidget* pages = form->Ui.MainLMDPageControl;
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(pages->currentWidget(), form->Ui.MultimeterLMDTabSheet);
    EXPECT_TRUE(pages->isTabVisible(0));
    EXPECT_FALSE(pages->isTabVisible(pages->indexOf(form->Ui.CorrectionFactorsLMDTabSheet)));
    EXPECT_FALSE(pages->isTabVisible(pages->indexOf(form->Ui.VerificationLMDTabSheet)));
}

TEST_F(ConstructionTest, AdcRateListShowsWholeHertzAfterSixOrFiveBlanks) {
    QComboBox* list = form->Ui.AdcRateComboBox;
    ASSERT_EQ(list->count(), 25);
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(list->maxVisibleItems(), 11);
    const std::pair<int, const char*> rows[] = {
        {0, "      3472"}, {4, "      4735"}, {12, "      7813"}, {14, "      9766"},
        {15, "     10417"}, {22, "     39062"}, {24, "     78125"}};
    for (auto [index, text] : rows) EXPECT_EQ(list->itemText(index), QString(text)) << index;
    EXPECT_DOUBLE_EQ(instrument::AdcRates[22].Frequency, 39062.49);
    for (int i = 0; i < 25; ++i) {
        if (i == 22) continue;
        const instrument::TAdcRate& r = instrument::AdcRates[i];
        const double expected = 20000000.0 / ((r.Divider384 ? 384 : 256) * r.Divisor);
        EXPECT_NEAR(r.Frequency, expected, expected * 1e-13) << i;
    }
}

TEST_F(ConstructionTest, RangeAndConnectionListsHoldTheTableTexts) {
    QComboBox* ranges = form->Ui.CommonInputRangeLMDComboBox;
    ASSERT_EQ(ranges->count(), 6);
    EXPECT_EQ(ranges->itemText(0), " 10.00 В");
    EXPECT_EQ(ranges->itemText(3), " 0.30 В");
    EXPECT_EQ(ranges->itemText(5), " 0.03 В");
    EXPECT_EQ(ranges->currentIndex(), -1);
    EXPECT_EQ(instrument::InputRanges[0].RangeCode, 4);
    EXPECT_EQ(instrument::InputRanges[2].RangeCode, 0);
    QComboBox* modes = form->Ui.CommonInputConnectionModeLMDComboBox;
    ASSERT_EQ(modes->count(), 3);
    EXPECT_EQ(modes->itemText(0), " Без отсечки (AC/DC)");
    EXPECT_EQ(modes->itemText(1), "    C отсечкой (AC)");  // Latin C
    EXPECT_EQ(modes->itemText(1).at(4), QChar('C'));
    EXPECT_EQ(modes->itemText(2).at(2), QChar('C'));
    EXPECT_EQ(modes->currentIndex(), -1);
}

// Right after construction, before the first show starts a discovery run.
TEST(Construction, InitialTextsAndState) {
    TRecordingPresenter presenter;
    TMainForm form;
    EXPECT_EQ(form.StartupStage(), TStartupStage::Built);
    EXPECT_EQ(form.windowTitle(), "ZEB44");
    EXPECT_EQ(TDeviceController::CaptionPlaceholder, "Voltcheck - ?.?.?");
    EXPECT_EQ(form.Ui.ModuleSerialNumberLMDLabel->text(), "????????");
    EXPECT_EQ(form.Ui.ModuleFirmwareVersionLMDLabel->text(), "??.??.??.??");
    EXPECT_EQ(form.Ui.ModuleStatusLed->toolTip(), "Статус модуля -> ???");
    EXPECT_EQ(form.Ui.GeneratorStatusLed->toolTip(), "Статус генератора -> ???");
    EXPECT_EQ(form.Ui.VoltmeterStatusLed->toolTip(), "Статус мультиметра -> ???");
    EXPECT_EQ(form.Ui.ComputationModeLabLMDLabel->text(), "---");
    EXPECT_EQ(form.Ui.AmplitudeTypeLabLMDLabel->text(), "---");
    EXPECT_EQ(form.Ui.AcquisitionTimeLMDLabel->text(), "-----");
    EXPECT_EQ(form.Ui.CommonComputationMethodLMDLabel->text(), "");
    EXPECT_EQ(form.Ui.AllChannelsLMDCheckBox->checkState(), Qt::Unchecked);
    EXPECT_FALSE(form.Guard().Held());
    EXPECT_TRUE(form.Device().RequestAllowed());
    EXPECT_TRUE(form.Acquisition().RequestAllowed());
    EXPECT_FALSE(form.Device().DiscoveryRunning());
    EXPECT_FALSE(form.Acquisition().Running());
    EXPECT_TRUE(form.Acquisition().Idle());
    EXPECT_EQ(form.Device().Tables().SelectedCrateIndex, 0xFFFF);
    EXPECT_FALSE(form.Acquisition().HasThread());
    for (uint8_t b : form.CoefficientPage().WorkingCoefs()) EXPECT_EQ(b, 0);
    EXPECT_FALSE(form.windowIcon().isNull());
    ASSERT_NE(form.HintWindow(), nullptr);
    EXPECT_EQ(form.HintWindow()->font().family(), "Courier New");
    EXPECT_EQ(form.HintWindow()->font().pointSize(), 12);
    EXPECT_TRUE(form.HintWindow()->font().bold());
    EXPECT_TRUE(presenter.Boxes.empty());
}

}  // namespace

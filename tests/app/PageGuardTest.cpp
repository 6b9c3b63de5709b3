// The guard of every page change by the operator, without and with an open module.
#include "DiscoveryFixture.h"

#include "ui/PageControl.h"
#include "ui/RadioGroup.h"
#include "ui/SpeedButton.h"

#include <QTabBar>

namespace {

const char* const OneModule = R"({"crates": [
  {"serial": "PG-1", "type": 30, "modules": [{"slot": 3, "serial": "P03", "firmware": "1.0.0.0"}]}]})";

class PageGuardTest : public DiscoveryTest {
protected:
    // The hidden tabs offered, as the window's own page control can.
    void OfferAllTabs() {
        for (int i = 0; i < form->Ui.MainLMDPageControl->count(); ++i) form->Ui.MainLMDPageControl->setTabVisible(i, true);
    }
    void ClickTab(int index) {
        QTabBar* bar = form->Ui.MainLMDPageControl->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    void CtrlTab() { QTest::keyClick(form->Ui.MainLMDPageControl, Qt::Key_Tab, Qt::ControlModifier); }
    int Page() const { return form->Ui.MainLMDPageControl->currentIndex(); }
};

TEST_F(PageGuardTest, WithoutAModuleNoPageChangeGoesAhead) {
    NoServer();
    ShowAndDiscover();
    ASSERT_NE(form->Device().ModuleState(), TModuleState::Identified);
    OfferAllTabs();
    presenter.Boxes.clear();
    struct Case {
        const char* name;
        std::function<void()> attempt;
    };
    const Case cases[] = {{"tab 1", [&] { ClickTab(1); }}, {"tab 2", [&] { ClickTab(2); }}, {"Ctrl+Tab", [&] { CtrlTab(); }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        presenter.Boxes.clear();
        c.attempt();
        EXPECT_EQ(Page(), 0);
        ASSERT_EQ(presenter.Boxes.size(), 1u);
        EXPECT_EQ(presenter.Boxes[0].Caption, "Внимание!!!");
        EXPECT_EQ(presenter.Boxes[0].Text, "Нет открытого модуля! Поэтому данная опция не доступна!");
        EXPECT_FALSE(form->Guard().Held());
        EXPECT_TRUE(form->Ui.MainLMDPageControl->isEnabled());
    }
    // The program's own page changes are not guarded.
    presenter.Boxes.clear();
    {
        const TReentryGuard::TScope held = form->Guard().Hold();
        form->Ui.MainLMDPageControl->setCurrentIndex(2);
    }
    EXPECT_EQ(Page(), 2);
    EXPECT_TRUE(presenter.Boxes.empty());
}

TEST_F(PageGuardTest, WithAModuleTheMultimeterPageStopsTheRunAndShowsStart) {
    StartServer(OneModule);
    ShowAndDiscover();
    ASSERT_EQ(form->Device().ModuleState(), TModuleState::Identified);
    OfferAllTabs();
    presenter.Boxes.clear();

    form->Ui.StartMultimeterLMDSpeedButton->setChecked(true);
    form->Acquisition().StartStopClicked();
    ASSERT_TRUE(form->Acquisition().HasThread());
    ClickTab(2);
    EXPECT_EQ(Page(), 2);
    EXPECT_TRUE(form->Acquisition().HasThread());  // another page leaves the run alone

    form->Ui.StartMultimeterLMDSimplePanel->hide();
    ClickTab(0);
    EXPECT_EQ(Page(), 0);
    EXPECT_FALSE(form->Acquisition().HasThread());
    EXPECT_FALSE(form->Acquisition().Running());
    EXPECT_TRUE(form->Ui.StartMultimeterLMDSimplePanel->isVisible());
    EXPECT_TRUE(presenter.Boxes.empty());
    EXPECT_FALSE(form->Guard().Held());
}

TEST_F(PageGuardTest, TheMultimeterModeAndFilterStopTheRun) {
    StartServer(OneModule);
    ShowAndDiscover();
    ASSERT_EQ(form->Device().ModuleState(), TModuleState::Identified);
    const std::function<void()> changes[] = {
        [&] { form->Ui.AcDcVoltmeterModeLMDRadioGroup->setItemIndex(1); },
        [&] {
            form->Ui.AcFilterVoltmeterLMDComboBox->setCurrentIndex(2);
            emit form->Ui.AcFilterVoltmeterLMDComboBox->activated(2);
        },
    };
    for (const auto& change : changes) {
        form->Ui.StartMultimeterLMDSpeedButton->setChecked(true);
        form->Acquisition().StartStopClicked();
        ASSERT_TRUE(form->Acquisition().HasThread());
        change();
        EXPECT_FALSE(form->Acquisition().HasThread());
        EXPECT_FALSE(form->Guard().Held());
    }
}

}  // namespace

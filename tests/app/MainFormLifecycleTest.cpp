#include "MainFormFixture.h"

#include "acquisition/MainThread.h"
#include "app/ApplicationEvents.h"
#include "ui/SpeedButton.h"
#include "ui/ValueEdit.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>

namespace {

// Counts the discovery requests the window posts to itself.
class TDiscoveryRequestCounter : public QObject {
public:
    int Count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == TPrivateMessage::StartInitDevicesThread) ++Count;
        return false;
    }
};

TEST(FirstDiscovery, IsRequestedOnceByTheFirstResizeAfterTheFirstShow) {
    TIsolatedWindowEnvironment isolation;
    ASSERT_TRUE(isolation.IsValid());
    TRecordingPresenter presenter;
    TMainForm form;
    TDiscoveryRequestCounter counter;
    form.installEventFilter(&counter);
    EXPECT_EQ(form.StartupStage(), TStartupStage::Built);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(PumpUntil([&] { return form.StartupStage() == TStartupStage::DiscoveryRequested && form.Device().RequestAllowed() &&
                                       !form.Device().DiscoveryRunning(); }));
    // Later shows and resizes change nothing.
    form.hide();
    form.show();
    form.resize(1000, 500);
    QResizeEvent resize(QSize(1130, 576), QSize(1000, 500));
    QApplication::sendEvent(&form, &resize);
    QTest::qWait(300);
    EXPECT_EQ(counter.Count, 1);
    EXPECT_EQ(form.StartupStage(), TStartupStage::DiscoveryRequested);
    EXPECT_LE(presenter.Boxes.size(), 1u);  // one run reports at most once
    form.removeEventFilter(&counter);
    form.Ui.ApplicationExit->trigger();
}

using LifecycleTest = MainFormTest;

TEST_F(LifecycleTest, DiscoveryRequestsAreDroppedWhileOneIsUnderWay) {
    TDiscoveryRequestCounter counter;
    form->installEventFilter(&counter);
    form->Device().RequestDiscovery(TDiscoveryMode::FullSearch, false);
    form->Device().RequestDiscovery(TDiscoveryMode::FullSearch, false);  // requested state: dropped
    ASSERT_TRUE(PumpUntil([&] { return form->Device().DiscoveryRunning() || counter.Count > 0; }));
    form->Device().RequestDiscovery(TDiscoveryMode::CrateChanged, false);  // starting or running: dropped
    ASSERT_TRUE(PumpUntil([&] { return FirstDiscoveryOver(); }));
    EXPECT_EQ(counter.Count, 1);
    form->Device().RequestDiscovery(TDiscoveryMode::ModuleChanged, false);  // idle again: accepted
    ASSERT_TRUE(PumpUntil([&] { return counter.Count == 2 && FirstDiscoveryOver(); }));
    form->removeEventFilter(&counter);
}

TEST_F(LifecycleTest, FindDeviceClearsTheParameterControlsAndFrames) {
    form->Ui.AdcRateComboBox->setCurrentIndex(3);
    form->Ui.CommonInputRangeLMDComboBox->setCurrentIndex(1);
    form->Ui.AllChannelsLMDCheckBox->setCheckState(Qt::Checked);
    form->MultimeterPage().ChannelFrames()[2]->Value1LMDEdit->setText("12.345");
    form->MultimeterPage().ChannelFrames()[2]->ChannelNumberLMDCheckBox->setChecked(true);
    form->Ui.RebootDeviceMenuItem->trigger();  // Ctrl+R twin of "Обнаружить"
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), -1);
    EXPECT_EQ(form->Ui.CommonInputRangeLMDComboBox->currentIndex(), -1);
    EXPECT_EQ(form->Ui.AllChannelsLMDCheckBox->checkState(), Qt::Unchecked);
    EXPECT_EQ(form->MultimeterPage().ChannelFrames()[2]->Value1LMDEdit->text(), "--------");
    EXPECT_FALSE(form->MultimeterPage().ChannelFrames()[2]->ChannelNumberLMDCheckBox->isChecked());
    EXPECT_FALSE(form->Guard().Held());
    EXPECT_TRUE(PumpUntil([&] { return FirstDiscoveryOver(); }));
}

TEST_F(LifecycleTest, EscDuringBusyOrDiscoveryOnlyClearsBusyAndSwallowsTheKey) {
    bool handled = false;
    {
        const TReentryGuard::TScope held = form->Guard().Hold();
        form->Events().OnShortCut(27, handled);
        EXPECT_TRUE(handled);
        EXPECT_FALSE(form->Guard().Held());
    }
    handled = false;
    // A discovery at work: the flag goes only in its termination hook, which
    // needs the event loop, so it stays set between the check and the key.
    form->Device().RequestDiscovery(TDiscoveryMode::FullSearch, false);
    ASSERT_TRUE(PumpUntil([&] { return form->Device().DiscoveryRunning(); }));
    form->Events().OnShortCut(27, handled);
    EXPECT_TRUE(handled);
    ASSERT_TRUE(PumpUntil([&] { return FirstDiscoveryOver(); }));
    handled = false;
    form->Events().OnShortCut(13, handled);  // only Esc is looked at
    EXPECT_FALSE(handled);
}

TEST_F(LifecycleTest, EscStopsARunOnTheMultimeterPage) {
    // A run whose thread reports and then waits: active until it is stopped.
    form->Acquisition().OnStartMainThread(1);
    ASSERT_TRUE(form->Acquisition().HasThread());
    ASSERT_FALSE(form->Acquisition().Idle());
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
    QTest::keyClick(target, Qt::Key_Escape);
    EXPECT_FALSE(form->Acquisition().HasThread());
    EXPECT_FALSE(form->Acquisition().Running());
}

TEST_F(LifecycleTest, StartButtonStartsAndAReleasingClickStops) {
    // Without a module the run ends at once with its one message and releases START;
    // its thread stays until the next click stops it.
    ClickStart(true);
    ASSERT_TRUE(form->Acquisition().HasThread());
    EXPECT_TRUE(form->Acquisition().Running());
    EXPECT_TRUE(form->Acquisition().RequestAllowed());
    ASSERT_TRUE(PumpUntil([&] { return form->Acquisition().Idle(); }));
    EXPECT_FALSE(form->Ui.StartMultimeterLMDSpeedButton->isChecked());
    ASSERT_EQ(presenter.Boxes.size(), 1u);
    ClickStart(true);  // down again: the ended run's thread goes, a new run starts
    ASSERT_TRUE(form->Acquisition().HasThread());
    EXPECT_TRUE(form->Acquisition().Running());
    ASSERT_TRUE(PumpUntil([&] { return form->Acquisition().Idle(); }));
    ClickStart(false);  // released: only stops
    EXPECT_FALSE(form->Acquisition().HasThread());
    EXPECT_FALSE(form->Acquisition().Running());
    ClickStart(true);
    EXPECT_TRUE(form->Acquisition().HasThread());
    ASSERT_TRUE(PumpUntil([&] { return form->Acquisition().Idle(); }));
    form->Acquisition().StopMainThread();
    EXPECT_FALSE(form->Acquisition().HasThread());
    // One message per run.
    EXPECT_EQ(presenter.Boxes.size(), 3u);
}

TEST_F(LifecycleTest, CloseWhileBusySkipsItsStepsAndExitAlwaysRunsThem) {
    ClickStart(true);
    ASSERT_TRUE(form->Acquisition().HasThread());
    const TReentryGuard::TScope held = form->Guard().Hold();
    EXPECT_FALSE(form->FormClose());
    EXPECT_TRUE(form->Acquisition().HasThread());
    form->Ui.ApplicationExit->trigger();  // releases the guard first
    EXPECT_FALSE(form->Acquisition().HasThread());
    EXPECT_FALSE(form->isVisible());
}

TEST_F(LifecycleTest, ActivationSwitchesTheFramesHoverHighlight) {
    form->Events().OnDeactivate();
    for (TZeb44AdcChannelFrame* frame : form->MultimeterPage().ChannelFrames()) {
        EXPECT_FALSE(frame->ApplicationActive);
        EXPECT_FALSE(frame->Value1LMDEdit->focusOnMouseAbove());
    }
    form->Events().OnActivate();
    for (TZeb44AdcChannelFrame* frame : form->MultimeterPage().ChannelFrames()) {
        EXPECT_TRUE(frame->ApplicationActive);
        EXPECT_TRUE(frame->Value1LMDEdit->focusOnMouseAbove());
        EXPECT_TRUE(frame->Value2LMDEdit->focusOnMouseAbove());
    }
}

}  // namespace

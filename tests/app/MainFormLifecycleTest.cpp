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
    EXPECT_EQ(form.StartupStage, 1);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_TRUE(PumpUntil([&] { return form.StartupStage == 3 && form.DiscoveryRequestAllowed &&
                                       !form.DiscoveryRunning.load(); }));
    // Later shows and resizes change nothing.
    form.hide();
    form.show();
    form.resize(1000, 500);
    QResizeEvent resize(QSize(1130, 576), QSize(1000, 500));
    QApplication::sendEvent(&form, &resize);
    QTest::qWait(300);
    EXPECT_EQ(counter.Count, 1);
    EXPECT_EQ(form.StartupStage, 3);
    EXPECT_LE(presenter.Boxes.size(), 1u);  // one run reports at most once
    form.removeEventFilter(&counter);
    form.ApplicationExitClick();
}

using LifecycleTest = MainFormTest;

TEST_F(LifecycleTest, DiscoveryRequestsAreDroppedWhileOneIsUnderWay) {
    TDiscoveryRequestCounter counter;
    form->installEventFilter(&counter);
    form->RequestDiscovery(3, false);
    form->RequestDiscovery(3, false);  // requested state: dropped
    ASSERT_TRUE(PumpUntil([&] { return form->DiscoveryRunning.load() || counter.Count > 0; }));
    form->RequestDiscovery(2, false);  // starting or running: dropped
    ASSERT_TRUE(PumpUntil([&] { return FirstDiscoveryOver(); }));
    EXPECT_EQ(counter.Count, 1);
    form->RequestDiscovery(1, false);  // idle again: accepted
    ASSERT_TRUE(PumpUntil([&] { return counter.Count == 2 && FirstDiscoveryOver(); }));
    form->removeEventFilter(&counter);
}

TEST_F(LifecycleTest, FindDeviceClearsTheParameterControlsAndFrames) {
    form->Ui.AdcRateComboBox->setCurrentIndex(3);
    form->Ui.CommonInputRangeLMDComboBox->setCurrentIndex(1);
    form->Ui.AllChannelsLMDCheckBox->setCheckState(Qt::Checked);
    form->ChannelFrames[2]->Value1LMDEdit->setText("12.345");
    form->ChannelFrames[2]->ChannelNumberLMDCheckBox->setChecked(true);
    form->Ui.RebootDeviceMenuItem->trigger();  // Ctrl+R twin of "Обнаружить"
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), -1);
    EXPECT_EQ(form->Ui.CommonInputRangeLMDComboBox->currentIndex(), -1);
    EXPECT_EQ(form->Ui.AllChannelsLMDCheckBox->checkState(), Qt::Unchecked);
    EXPECT_EQ(form->ChannelFrames[2]->Value1LMDEdit->text(), "--------");
    EXPECT_FALSE(form->ChannelFrames[2]->ChannelNumberLMDCheckBox->isChecked());
    EXPECT_FALSE(form->Busy);
    EXPECT_TRUE(PumpUntil([&] { return FirstDiscoveryOver(); }));
}

TEST_F(LifecycleTest, EscDuringBusyOrDiscoveryOnlyClearsBusyAndSwallowsTheKey) {
    bool handled = false;
    form->Busy = true;
    form->ApplicationShortCut(27, handled);
    EXPECT_TRUE(handled);
    EXPECT_FALSE(form->Busy);
    handled = false;
    form->DiscoveryRunning = true;
    form->ApplicationShortCut(27, handled);
    EXPECT_TRUE(handled);
    form->DiscoveryRunning = false;
    handled = false;
    form->ApplicationShortCut(13, handled);  // only Esc is looked at
    EXPECT_FALSE(handled);
}

TEST_F(LifecycleTest, EscStopsARunOnTheMultimeterPage) {
    ClickStart(true);
    ASSERT_NE(form->MainThread, nullptr);
    form->SetAcquisitionIdle(false);
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : form.get();
    QTest::keyClick(target, Qt::Key_Escape);
    EXPECT_EQ(form->MainThread, nullptr);
    EXPECT_FALSE(form->AcquisitionRunning.load());
}

TEST_F(LifecycleTest, StartButtonStartsAndAReleasingClickStops) {
    // Without a module the run ends at once with its one message and releases START;
    // its thread stays until the next click stops it.
    ClickStart(true);
    ASSERT_NE(form->MainThread, nullptr);
    EXPECT_TRUE(form->AcquisitionRunning.load());
    EXPECT_TRUE(form->AcquisitionRequestAllowed);
    ASSERT_TRUE(PumpUntil([&] { return form->AcquisitionIdle.load(); }));
    EXPECT_FALSE(form->Ui.StartMultimeterLMDSpeedButton->isChecked());
    ASSERT_EQ(presenter.Boxes.size(), 1u);
    ClickStart(true);  // down again: the ended run's thread goes, a new run starts
    ASSERT_NE(form->MainThread, nullptr);
    EXPECT_TRUE(form->AcquisitionRunning.load());
    ASSERT_TRUE(PumpUntil([&] { return form->AcquisitionIdle.load(); }));
    ClickStart(false);  // released: only stops
    EXPECT_EQ(form->MainThread, nullptr);
    EXPECT_FALSE(form->AcquisitionRunning.load());
    ClickStart(true);
    EXPECT_NE(form->MainThread, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return form->AcquisitionIdle.load(); }));
    form->StopMainThread();
    EXPECT_EQ(form->MainThread, nullptr);
    // One message per run.
    EXPECT_EQ(presenter.Boxes.size(), 3u);
}

TEST_F(LifecycleTest, CloseWhileBusySkipsItsStepsAndExitAlwaysRunsThem) {
    ClickStart(true);
    ASSERT_NE(form->MainThread, nullptr);
    form->Busy = true;
    EXPECT_FALSE(form->FormClose());
    EXPECT_NE(form->MainThread, nullptr);
    form->ApplicationExitClick();  // clears Busy first
    EXPECT_EQ(form->MainThread, nullptr);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(LifecycleTest, ActivationSwitchesTheFramesHoverHighlight) {
    form->ApplicationDeactivate();
    for (TZeb44AdcChannelFrame* frame : form->ChannelFrames) {
        EXPECT_FALSE(frame->ApplicationActive);
        EXPECT_FALSE(frame->Value1LMDEdit->focusOnMouseAbove());
    }
    form->ApplicationActivate();
    for (TZeb44AdcChannelFrame* frame : form->ChannelFrames) {
        EXPECT_TRUE(frame->ApplicationActive);
        EXPECT_TRUE(frame->Value1LMDEdit->focusOnMouseAbove());
        EXPECT_TRUE(frame->Value2LMDEdit->focusOnMouseAbove());
    }
}

}  // namespace

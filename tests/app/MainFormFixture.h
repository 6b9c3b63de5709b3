#pragma once

#include "AppTestSupport.h"
#include "IsolatedWindowEnvironment.h"
#include "RecordingPresenter.h"

#include "AppParts.h"
#include "ui/SpeedButton.h"

#include <gtest/gtest.h>

#include <QTest>

#include <memory>

// A shown main window whose first discovery run is over.
class MainFormTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(isolation.IsValid());
        form = std::make_unique<TMainForm>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        ASSERT_TRUE(PumpUntil([&] { return FirstDiscoveryOver(); }));
        // What the first discovery reported (no crate server here) is not under test.
        presenter.Boxes.clear();
    }
    // Starts a run as a click that puts START down does (the button itself is
    // only enabled once a module is open).
    void ClickStart(bool down) {
        form->Ui.StartMultimeterLMDSpeedButton->setChecked(down);
        form->Acquisition().StartStopClicked();
    }
    void TearDown() override {
        if (form) {
            form->Ui.ApplicationExit->trigger();
            form.reset();
        }
    }
    bool FirstDiscoveryOver() const {
        return form->StartupStage() == TStartupStage::DiscoveryRequested && form->Device().RequestAllowed() && !form->Device().DiscoveryRunning();
    }

    TIsolatedWindowEnvironment isolation;
    TRecordingPresenter presenter;
    std::unique_ptr<TMainForm> form;
};

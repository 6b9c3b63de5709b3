#pragma once

#include "AppTestSupport.h"
#include "RecordingPresenter.h"

#include "IniFile/IniFile.h"
#include "AppParts.h"
#include "support/ClientConnections.h"
#include "support/ClosedPort.h"
#include "support/ZebsimProcess.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <memory>
#include <string>

// A main window whose discovery runs talk to a zebsim of the test (or to a
// port where nothing listens), with its settings file in a folder of its own.
class DiscoveryTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        TSettingsController::SetSettingsDirectory(dir.path());
    }
    void TearDown() override {
        if (form) {
            form->Ui.ApplicationExit->trigger();
            form.reset();
        }
        server.reset();
        closedPort.reset();
        ::unsetenv("ZEB_SERVER_PORT");
        TSettingsController::SetSettingsDirectory(QString());
    }

    // Starts zebsim with the scenario (its signal time timeScale times faster than wall
    // time) and points the libraries at it.
    void StartServer(const std::string& scenarioJson, double timeScale = 1.0) {
        zebtest::ZebsimProcess::Options options;
        options.scenarioJson = scenarioJson;
        options.timeScale = timeScale;
        server = std::make_unique<zebtest::ZebsimProcess>(options);
        server->exportPort();
    }
    // Points the libraries at a loopback port where nothing listens.
    void NoServer() {
        closedPort = std::make_unique<zebtest::ClosedPort>();
        ASSERT_TRUE(closedPort->valid());
        closedPort->exportPort();
    }

    // The crate and slot that the next start-up asks for.
    void WantInSettings(const std::string& crateSerial, int slot) {
        inifile::TIniFile file(QDir(dir.path()).filePath("Voltcheck.ini").toStdString());
        file.WriteString("Приложение. Обнаружение", "Серийный номер ZEB крейта", crateSerial);
        file.WriteInteger("Приложение. Обнаружение", "Слот модуля", slot);
        ASSERT_TRUE(file.Flush().ok);
    }

    // Shows the window and waits for its first discovery run to end.
    void ShowAndDiscover() {
        form = std::make_unique<TMainForm>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        ASSERT_TRUE(PumpUntil([&] { return form->StartupStage() == TStartupStage::DiscoveryRequested && RunOver(); }, 20000));
    }
    // No discovery request pending and no discovery thread left.
    bool RunOver() const {
        return form->Device().RequestAllowed() && !form->Device().DiscoveryRunning() &&
               form->Device().ThreadCount() == 0;
    }
    // Waits for the run that the last request started.
    void WaitForRun() { ASSERT_TRUE(PumpUntil([&] { return RunOver(); }, 20000)); }

    // The operator picks an item of a list.
    void Choose(QComboBox* list, int item) {
        list->setCurrentIndex(item);
        emit list->activated(item);
        WaitForRun();
    }

    QTemporaryDir dir;
    TRecordingPresenter presenter;
    std::unique_ptr<zebtest::ZebsimProcess> server;
    std::unique_ptr<TMainForm> form;
    std::unique_ptr<zebtest::ClosedPort> closedPort;
};

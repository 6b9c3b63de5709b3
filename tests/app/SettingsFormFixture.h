#pragma once

#include "RecordingPresenter.h"

#include "Cp1251.h"
#include "AppParts.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <string>

// A main window that is built but not shown (so no discovery run starts), with
// its settings file in a directory of its own.
class SettingsFormTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        TSettingsController::SetSettingsDirectory(dir.path());
        form = std::make_unique<TMainForm>();
    }
    void TearDown() override {
        form.reset();
        TSettingsController::SetSettingsDirectory(QString());
    }

    QString SettingsPath() const { return QDir::toNativeSeparators(dir.path() + "/Voltcheck.ini"); }

    // Raw bytes of the settings file.
    std::string FileBytes() const {
        QFile file(SettingsPath());
        if (!file.open(QIODevice::ReadOnly)) return {};
        return file.readAll().toStdString();
    }
    // Writes the settings file by hand: the UTF-8 text in code page 1251, LF as CR LF.
    void WriteSettings(const std::string& utf8Text) const {
        std::string crlf;
        for (char c : utf8Text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        const std::optional<std::string> bytes = inifile::Utf8ToCp1251(crlf);
        ASSERT_TRUE(bytes.has_value());
        QFile out(SettingsPath());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(out.write(bytes->data(), static_cast<qint64>(bytes->size())), static_cast<qint64>(bytes->size()));
    }
    // The settings file as UTF-8 text.
    std::string FileText() const { return inifile::Cp1251ToUtf8(FileBytes()).value_or("<not cp1251>"); }

    // Opens the file and loads it into the window (and an identified module) as a
    // discovery run does.
    bool OpenAndLoad() {
        TDiscoveryRun run;
        if (!form->Settings().OpenSettingsFile(run.SettingsFile, run.Message)) return false;
        form->Device().ApplySettings(run);
        return run.Message.empty();
    }

    TZeb44AdcChannelFrame& Frame(int i) const { return *form->MultimeterPage().ChannelFrames()[i]; }

    QTemporaryDir dir;
    TRecordingPresenter presenter;
    std::unique_ptr<TMainForm> form;
};

// The window's reading log against zebsim: the item and its short-cut, the save
// dialog, every shown frame in the lines voltcheck-cli writes (equal to the tool's
// readings and to the window's digits), the file name shown without moving a control,
// closing with the item or the window, and a file removed during a run.
#include "DiscoveryFixture.h"

#include "FormatFloat/FormatFloat.h"
#include "app/ReadingLog.h"
#include "settings/SettingsKeys.h"
#include "ui/SpeedButton.h"
#include "ui/ValueEdit.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace {

const QString StopText = QStringLiteral("С   Т   О   П");

std::vector<std::vector<std::string>> CsvRows(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream items(line);
        for (std::string field; std::getline(items, field, ',');) fields.push_back(field);
        if (!line.empty() && line.back() == ',') fields.emplace_back();
        rows.push_back(fields);
    }
    return rows;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ReadingLogTest : public DiscoveryTest {
protected:
    // Channel 1 DC 1.25 V, channel 2 DC -0.7 V, channel 3 off, channel 4 beyond its range.
    void StartMeasurableServer() {
        zebtest::ZebsimProcess::Options options;
        options.scenarioJson =
            R"({"crates":[{"serial":"R1","type":30,"modules":[{"slot":1,"serial":"440077","own_noise_rms":0,
                "channels":[{"dc":1.25},{"dc":-0.7},{"dc":0.1},{"dc":2.0,"amplitude":14.0,"frequency":50}]}]}]})";
        options.timeScale = 20.0;
        server = std::make_unique<zebtest::ZebsimProcess>(options);
        server->exportPort();
        inifile::TIniFile file(SettingsPath());
        ASSERT_TRUE(file.WriteString(settings::kModuleSection, settings::kMaxAcquisitionTimeKey, "0.2").ok);
        ASSERT_TRUE(file.WriteString(settings::kModuleSection, settings::kAllChannelsKey, "0").ok);
        ASSERT_TRUE(file.WriteString(settings::kModuleSection, settings::ChannelKey(settings::kChannelEnabledPrefix, 2), "0").ok);
        ASSERT_TRUE(file.WriteString(settings::kModuleSection, settings::PrecisionKey(0, settings::PrecisionKind::Dc), "4").ok);
        ASSERT_TRUE(file.Flush().ok);
    }
    std::string SettingsPath() const { return QDir(dir.path()).filePath("Voltcheck.ini").toStdString(); }
    std::string LogPath() const { return QDir(dir.path()).filePath("log.csv").toStdString(); }

    // Ctrl+L, and in the save dialog the file name typed and accepted.
    void OpenLogThroughTheDialog(const std::string& path) {
        // The path is typed into the dialog's name field until the dialog holds it (its
        // folder model loads in the background), then accepted; a dialog that never holds
        // it is cancelled after 10 s.
        const QString wanted = QString::fromStdString(path);
        bool answered = false;
        int ticks = 0;
        QString seen;
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || answered) return;
            EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
            EXPECT_EQ(dialog->defaultSuffix(), "csv");
            if (++ticks > 500) {
                dialog->reject();
                return;
            }
            seen = dialog->selectedFiles().join('|');
            if (dialog->selectedFiles().value(0) != wanted) {
                // The operator types the path into the name field.
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                if (name != nullptr) name->setText(wanted);
                return;
            }
            answered = true;
            static_cast<QDialog*>(dialog)->accept();  // the accept button's slot
        });
        driver.start(20);
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
        ASSERT_TRUE(answered) << seen.toStdString();
        ASSERT_EQ(form->ReadingLog().Indicator()->toolTip(), wanted);
    }

    void PressStart() { QTest::mouseClick(form->Ui.StartMultimeterLMDSpeedButton, Qt::LeftButton); }
    TZeb44AdcChannelFrame& Frame(int channel) { return *form->MultimeterPage().ChannelFrames()[channel - 1]; }
    std::size_t LogLines() { return CsvRows(LogPath()).size(); }

    std::vector<QString> LogBoxTexts() const {
        std::vector<QString> texts;
        for (const TShownBox& box : presenter.Boxes)
            if (box.Caption == TReadingLog::Caption) texts.push_back(box.Text);
        return texts;
    }
};

// Every widget's place, to see that showing the log's file name moves none.
std::map<QWidget*, QRect> Geometries(QWidget* root) {
    std::map<QWidget*, QRect> places;
    for (QWidget* w : root->findChildren<QWidget*>()) places[w] = w->geometry();
    return places;
}

TEST_F(ReadingLogTest, LogsTheShownFramesAsTheToolWritesThem) {
    StartMeasurableServer();
    ShowAndDiscover();
    const std::map<QWidget*, QRect> before = Geometries(form.get());
    OpenLogThroughTheDialog(LogPath());
    EXPECT_TRUE(form->Ui.ReadingLogMenuItem->isChecked());
    QLabel* indicator = form->ReadingLog().Indicator();
    EXPECT_TRUE(indicator->isVisible());
    EXPECT_EQ(indicator->text(), "Запись показаний: log.csv");
    for (const auto& [widget, place] : Geometries(form.get())) {
        if (widget != indicator && before.count(widget) != 0) {
            EXPECT_EQ(place, before.at(widget)) << widget->objectName().toStdString();
        }
    }
    // The name stands clear of every control of the page.
    const QRect shown(indicator->mapTo(form.get(), QPoint(0, 0)), indicator->size());
    for (QWidget* w : form->Ui.AdcStreamLMDSimplePanel->findChildren<QWidget*>()) {
        if (w->isVisible()) {
            EXPECT_FALSE(shown.intersects(QRect(w->mapTo(form.get(), QPoint(0, 0)), w->size())))
                << w->objectName().toStdString();
        }
    }

    PressStart();
    ASSERT_TRUE(PumpUntil([&] { return LogLines() >= 4; }, 20000));  // the header and three frames
    QTest::mouseClick(form->Ui.StartMultimeterLMDSpeedButton, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return form->Acquisition().Idle(); }, 20000));
    const std::vector<std::vector<std::string>> log = CsvRows(LogPath());
    ASSERT_GE(log.size(), 4u);
    const std::vector<std::string> header{"time", "frame", "ch1_volts", "ch1_overload", "ch2_volts", "ch2_overload",
                                          "ch4_volts", "ch4_overload"};
    EXPECT_EQ(log[0], header);
    for (std::size_t f = 1; f < log.size(); ++f) {
        ASSERT_EQ(log[f].size(), header.size()) << f;
        EXPECT_EQ(log[f][1], std::to_string(f));
        EXPECT_EQ(log[f][3] + log[f][5] + log[f][7], "001");
    }
    // The last line holds what the window shows, before its rounding.
    const std::vector<std::string>& last = log.back();
    EXPECT_EQ(QString::fromStdString(FormatFloat("0.0000", std::stod(last[2]) * 1000.0)), Frame(1).Value1LMDEdit->text());
    EXPECT_EQ(QString::fromStdString(FormatFloat("0.0000", std::stod(last[4]) * 1000.0)), Frame(2).Value1LMDEdit->text());
    EXPECT_EQ(QString::fromStdString(FormatFloat("0.0000", std::stod(last[6]) * 1000.0)), Frame(4).Value1LMDEdit->text());

    // voltcheck-cli with the window's settings file: the same columns and the same volts.
    const std::string cliOut = QDir(dir.path()).filePath("cli.csv").toStdString();
    const std::string command = std::string("'") + VOLTCHECK_CLI_EXE + "' measure --frames 2 --settings '" +
                                SettingsPath() + "' --output '" + cliOut + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const std::vector<std::vector<std::string>> cli = CsvRows(cliOut);
    ASSERT_EQ(cli.size(), 3u);
    EXPECT_EQ(cli[0], header);
    for (std::size_t f = 1; f < cli.size(); ++f) {
        EXPECT_EQ(cli[f][2], last[2]);  // DC without noise: digit for digit
        EXPECT_EQ(cli[f][4], last[4]);
        EXPECT_EQ(cli[f][7], "1");
    }

    // The item again closes the log after a whole line; the name goes.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_FALSE(form->Ui.ReadingLogMenuItem->isChecked());
    EXPECT_FALSE(indicator->isVisible());
    EXPECT_FALSE(form->ReadingLog().IsOpen());
    EXPECT_EQ(Slurp(LogPath()).back(), '\n');
    EXPECT_TRUE(LogBoxTexts().empty());

    // Opened again, the file keeps its lines; the window's closing closes the log.
    const std::size_t kept = LogLines();
    OpenLogThroughTheDialog(LogPath());
    PressStart();
    ASSERT_TRUE(PumpUntil([&] { return LogLines() >= kept + 2; }, 20000));  // a new header and a frame
    form->close();
    EXPECT_FALSE(form->ReadingLog().IsOpen());
    const std::string text = Slurp(LogPath());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(CsvRows(LogPath())[kept], header);
}

TEST_F(ReadingLogTest, AFileRemovedDuringARunClosesTheLogWithOneBox) {
    StartMeasurableServer();
    ShowAndDiscover();
    OpenLogThroughTheDialog(LogPath());
    PressStart();
    ASSERT_TRUE(PumpUntil([&] { return LogLines() >= 2; }, 20000));
    std::filesystem::remove(LogPath());
    ASSERT_TRUE(PumpUntil([&] { return !LogBoxTexts().empty(); }, 20000));
    const std::vector<QString> texts = LogBoxTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(texts[0].contains(QString::fromStdString(LogPath()))) << texts[0].toStdString();
    EXPECT_FALSE(form->ReadingLog().IsOpen());
    EXPECT_FALSE(form->Ui.ReadingLogMenuItem->isChecked());
    EXPECT_FALSE(form->ReadingLog().Indicator()->isVisible());
    // The measurement goes on: more frames are shown, no other box comes.
    Frame(1).Value1LMDEdit->setText(QString());
    ASSERT_TRUE(PumpUntil([&] { return !Frame(1).Value1LMDEdit->text().isEmpty(); }, 20000));
    EXPECT_EQ(form->Ui.StartMultimeterLMDSpeedButton->text(), StopText);
    EXPECT_EQ(presenter.Boxes.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(LogPath()));
    QTest::mouseClick(form->Ui.StartMultimeterLMDSpeedButton, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return form->Acquisition().Idle(); }, 20000));
}

}  // namespace

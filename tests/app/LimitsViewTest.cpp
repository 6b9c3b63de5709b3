// The bench-meter window against zebsim on a real X screen: the verdict's words and
// colours on known levels, the null that changes the window's reading and not the
// main window's, the reset, the trend chart after many frames with its limit lines,
// bad entries refused beside the fields, and the settings kept in the settings file.
#include "DiscoveryFixture.h"

#include "app/LimitsForm.h"
#include "app/LimitsLink.h"
#include "app/ReadingLog.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsReader.h"
#include "settings/SettingsWriter.h"
#include "ui/SpeedButton.h"
#include "ui/UiStyle.h"
#include "ui/ValueEdit.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QFile>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTest>
#include <QValueAxis>

#include <cmath>
#include <map>
#include <optional>
#include <string>

namespace {

const QString StopText = QStringLiteral("С   Т   О   П");

// One noise-free ZEB44: channel 1 at 1.25 V DC, channel 2 at 0.5 V DC, 3 and 4 off.
const std::string Scenario = R"({"crates":[{"serial":"S1","type":30,"modules":[{"slot":1,"serial":"440079",
    "firmware":"1.0.0.0","own_noise_rms":0,"channels":[{"dc":1.25},{"dc":0.5}]}]}]})";

class LimitsViewTest : public DiscoveryTest {
protected:
    // zebsim at 20 times real time, DC on the 3 V range, frames of 0.1 s.
    // limits: the settings file's section of the bench-meter functions, if given.
    void Start(const std::optional<settings::LimitsSettings>& limits = std::nullopt) {
        StartServer(Scenario, 20.0);
        std::map<std::string, std::string> keys{{std::string(settings::kAllChannelsKey), "0"},
                                                {std::string(settings::kCommonRangeKey), "1"},
                                                {std::string(settings::kCommonMethodKey), "0"},
                                                {std::string(settings::kMaxAcquisitionTimeKey), "0.1"}};
        for (int c = 0; c < 4; ++c) {
            keys[settings::ChannelKey(settings::kChannelEnabledPrefix, c)] = c < 2 ? "1" : "0";
            keys[settings::ChannelKey(settings::kChannelRangePrefix, c)] = "1";
            keys[settings::ChannelKey(settings::kChannelMethodPrefix, c)] = "0";
        }
        inifile::TIniFile file(IniPath());
        for (const auto& [key, value] : keys) ASSERT_TRUE(file.WriteString(settings::kModuleSection, key, value).ok);
        if (limits) {
            ASSERT_TRUE(settings::SaveLimitsSettings(file, *limits).ok);
        }
        ASSERT_TRUE(file.Flush().ok);
        ShowAndDiscover();
    }
    std::string IniPath() const { return QDir(dir.path()).filePath("Voltcheck.ini").toStdString(); }
    TZeb44AdcChannelFrame& Frame(int channel) { return *form->MultimeterPage().ChannelFrames()[channel - 1]; }
    void OpenWithShortCut() {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->Ui.FindDeviceLMDButton->setFocus();
        QTest::keyClick(form.get(), Qt::Key_T, Qt::ControlModifier);
        ASSERT_NE(form->Limits().View(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Limits().View()));
    }
    TLimitsForm& View() { return *form->Limits().View(); }
    TLimitsForm::TRow& Row(int channel) { return View().Rows[static_cast<std::size_t>(channel - 1)]; }
    void PressStart() {
        QTest::mouseClick(form->Ui.StartMultimeterLMDSpeedButton, Qt::LeftButton);
        ASSERT_TRUE(PumpUntil([&] { return form->Ui.StartMultimeterLMDSpeedButton->text() == StopText; }));
    }
    void PressStop() {
        QTest::mouseClick(form->Ui.StartMultimeterLMDSpeedButton, Qt::LeftButton);
        ASSERT_TRUE(PumpUntil([&] { return form->Acquisition().Idle(); }, 20000));
    }
    // The operator types into a field and leaves it.
    static void Enter(QLineEdit* edit, const QString& text) {
        edit->setText(text);
        emit edit->editingFinished();
    }
    // Waits until channel c has counted `frames` more readings.
    void WaitForReadings(int channel, std::uint64_t frames) {
        const std::uint64_t target = View().Channel(channel - 1).Stats().Count + frames;
        ASSERT_TRUE(PumpUntil([&] { return View().Channel(channel - 1).Stats().Count >= target; }, 30000));
    }
    static double Number(const QString& text) {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        EXPECT_TRUE(ok) << text.toStdString();
        return value;
    }
    static QColor TextColour(const QWidget* w) { return w->palette().color(QPalette::WindowText); }
};

TEST_F(LimitsViewTest, VerdictsOnKnownLevelsAndTheNullOfTheWindowOnly) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenWithShortCut());
    EXPECT_EQ(View().windowTitle(), QString::fromUtf8(TLimitsForm::Title));
    // The ticked channels have rows.
    EXPECT_TRUE(Row(1).Box->isVisible());
    EXPECT_TRUE(Row(2).Box->isVisible());
    EXPECT_FALSE(Row(3).Box->isVisible());
    EXPECT_FALSE(Row(4).Box->isVisible());
    // Ctrl+T again brings the same window to the front.
    TLimitsForm* first = form->Limits().View();
    ASSERT_NO_FATAL_FAILURE(OpenWithShortCut());
    EXPECT_EQ(form->Limits().View(), first);

    struct Case {
        int channel;
        const char* lower;
        const char* upper;
        const char* verdict;
        QColor colour;
    };
    const Case cases[]{{1, "1200", "1300", TLimitsForm::PassText, style::DarkGreen},
                       {2, "600", "700", TLimitsForm::FailText, style::Red}};
    for (const Case& c : cases) {
        Enter(Row(c.channel).LowerEdit, QString::fromUtf8(c.lower));
        Enter(Row(c.channel).UpperEdit, QString::fromUtf8(c.upper));
        Row(c.channel).LimitsCheckBox->setChecked(true);
        EXPECT_TRUE(Row(c.channel).ErrorLabel->text().isEmpty()) << Row(c.channel).ErrorLabel->text().toStdString();
    }
    // The reading log gains each judged channel's pass column.
    const QString log = QDir(dir.path()).filePath("log.csv");
    ASSERT_TRUE(form->ReadingLog().Open(log));
    ASSERT_NO_FATAL_FAILURE(PressStart());
    ASSERT_NO_FATAL_FAILURE(WaitForReadings(2, 3));
    View().Refresh();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channel);
        EXPECT_EQ(Row(c.channel).VerdictLabel->text(), QString::fromUtf8(c.verdict));
        EXPECT_EQ(TextColour(Row(c.channel).VerdictLabel), c.colour);
        EXPECT_EQ(Row(c.channel).ValueEdit->textColor(), style::BrightGreen);
        // Without a null the window's reading is the main window's, in its pattern.
        EXPECT_EQ(Row(c.channel).ValueEdit->text(), Frame(c.channel).Value1LMDEdit->text());
    }
    const readings::TBenchStats& low = View().Channel(1).Stats();
    EXPECT_EQ(low.FailedLow, low.Count);
    EXPECT_NEAR(low.Mean, 0.5, 1e-5);
    EXPECT_EQ(View().Channel(0).Stats().Passed, View().Channel(0).Stats().Count);

    // The null on the current reading: the window shows about 0 mV, the main window 1250 mV.
    QTest::mouseClick(Row(1).TakeNullButton, Qt::LeftButton);
    EXPECT_TRUE(Row(1).NullCheckBox->isChecked());
    EXPECT_NEAR(Number(Row(1).NullEdit->text()), 1250.0, 0.05);
    ASSERT_NO_FATAL_FAILURE(WaitForReadings(1, 2));
    View().Refresh();
    EXPECT_NEAR(Number(Row(1).ValueEdit->text()), 0.0, 0.05);
    EXPECT_NEAR(Number(Frame(1).Value1LMDEdit->text()), 1250.0, 0.05);
    // 0 mV is outside 1200 ... 1300 mV now.
    EXPECT_EQ(Row(1).VerdictLabel->text(), QString::fromUtf8(TLimitsForm::FailText));

    // After STOP the figures stay.
    ASSERT_NO_FATAL_FAILURE(PressStop());
    form->ReadingLog().Close();
    {
        QFile file(log);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        ASSERT_GE(lines.size(), 4);
        EXPECT_EQ(lines[0], QStringLiteral("time,frame,ch1_volts,ch1_overload,ch1_pass,ch2_volts,ch2_overload,ch2_pass"));
        // Channel 1 passes until its null, then fails; channel 2 fails every frame.
        const QStringList firstLine = lines[1].split(',');
        const QStringList lastLine = lines.back().split(',');
        ASSERT_EQ(firstLine.size(), 8) << lines[1].toStdString();
        ASSERT_EQ(lastLine.size(), 8) << lines.back().toStdString();
        EXPECT_EQ(firstLine[4], QStringLiteral("1"));
        EXPECT_EQ(firstLine[7], QStringLiteral("0"));
        EXPECT_EQ(lastLine[4], QStringLiteral("0"));
        EXPECT_EQ(lastLine[7], QStringLiteral("0"));
    }
    const std::uint64_t count = View().Channel(0).Stats().Count;
    const QString stats = Row(1).StatsLabel->text();
    QTest::qWait(3 * TLimitsForm::RefreshMilliseconds);
    EXPECT_EQ(View().Channel(0).Stats().Count, count);
    EXPECT_EQ(Row(1).StatsLabel->text(), stats);
    EXPECT_EQ(Row(1).VerdictLabel->text(), QString::fromUtf8(TLimitsForm::FailText));
    EXPECT_TRUE(presenter.Boxes.empty());
}

// Many frames: the trend reduced to the chart's columns, the limits as lines; the reset
// starts statistics and trend afresh.
TEST_F(LimitsViewTest, TrendAfterManyFramesAndTheReset) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenWithShortCut());
    Enter(Row(1).LowerEdit, QStringLiteral("1240"));
    Enter(Row(1).UpperEdit, QStringLiteral("1260,5"));
    Row(1).LimitsCheckBox->setChecked(true);
    Enter(Row(1).AverageEdit, QStringLiteral("4"));
    ASSERT_TRUE(Row(1).ErrorLabel->text().isEmpty()) << Row(1).ErrorLabel->text().toStdString();
    ASSERT_NO_FATAL_FAILURE(PressStart());
    ASSERT_NO_FATAL_FAILURE(WaitForReadings(1, 40));
    View().Refresh();
    const std::size_t points = View().TrendPoints(0);
    EXPECT_GE(points, 40u);
    const int width = static_cast<int>(Row(1).TrendView->chart()->plotArea().width());
    EXPECT_GT(Row(1).TrendSeries->count(), 0);
    EXPECT_LE(Row(1).TrendSeries->count(), 2 * width);
    for (const QPointF& p : Row(1).TrendSeries->points()) EXPECT_NEAR(p.y(), 1250.0, 0.05);
    ASSERT_EQ(Row(1).LowerSeries->count(), 2);
    ASSERT_EQ(Row(1).UpperSeries->count(), 2);
    EXPECT_EQ(Row(1).LowerSeries->at(0).y(), 1240.0);
    EXPECT_EQ(Row(1).UpperSeries->at(1).y(), 1260.5);
    // The trend spans the run's time so far, the latest point at its right end.
    EXPECT_GT(Row(1).TrendSeries->points().back().x(), Row(1).TrendSeries->points().front().x());
    EXPECT_EQ(Row(2).LowerSeries->count(), 0);  // channel 2 without limits

    QTest::mouseClick(Row(1).ResetButton, Qt::LeftButton);
    EXPECT_EQ(View().Channel(0).Stats().Count, 0u);
    EXPECT_EQ(View().TrendPoints(0), 0u);
    EXPECT_EQ(Row(1).TrendSeries->count(), 0);
    EXPECT_EQ(Row(1).StatsLabel->text(), QStringLiteral("Статистика: показаний нет."));
    EXPECT_GT(View().Channel(1).Stats().Count, 0u);  // the other channel keeps its own
    ASSERT_NO_FATAL_FAILURE(WaitForReadings(1, 3));
    View().Refresh();
    EXPECT_GE(View().Channel(0).Stats().Count, 3u);
    EXPECT_EQ(View().Channel(0).Stats().Passed, View().Channel(0).Stats().Count);
    EXPECT_TRUE(Row(1).StatsLabel->text().startsWith(QStringLiteral("Показаний: ")));

    // Limits far apart (0 ... 800 mV around 500 mV) on a low chart: the level axis's
    // labels still stand at least their height apart (closer ones Qt elides to "...").
    Row(2).TrendView->setMaximumHeight(Row(2).TrendView->minimumHeight());  // as with four rows
    ASSERT_TRUE(PumpUntil([&] { return Row(2).TrendView->height() == Row(2).TrendView->minimumHeight(); }));
    Enter(Row(2).LowerEdit, QStringLiteral("0"));
    Enter(Row(2).UpperEdit, QStringLiteral("800"));
    Row(2).LimitsCheckBox->setChecked(true);
    ASSERT_NO_FATAL_FAILURE(WaitForReadings(2, 2));
    View().Refresh();
    const QValueAxis* axis = Row(2).LevelAxis;
    const double ticks = std::floor((axis->max() - axis->tickAnchor()) / axis->tickInterval()) -
                         std::ceil((axis->min() - axis->tickAnchor()) / axis->tickInterval()) + 1;
    const double pitch = Row(2).TrendView->chart()->plotArea().height() / std::max(1.0, ticks - 1);
    EXPECT_GE(pitch, QFontMetricsF(axis->labelsFont()).height()) << ticks << " ticks";
    ASSERT_NO_FATAL_FAILURE(PressStop());
    EXPECT_TRUE(presenter.Boxes.empty());
}

// Each bad entry is refused with its message beside the row's fields; the settings in
// force stay; a good entry clears the message.
TEST_F(LimitsViewTest, BadEntriesAreRefusedBesideTheField) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenWithShortCut());
    Enter(Row(2).LowerEdit, QStringLiteral("100"));
    Enter(Row(2).UpperEdit, QStringLiteral("200"));
    Enter(Row(2).NullEdit, QStringLiteral("0"));
    Row(2).NullCheckBox->setChecked(true);  // its field is read only while it is ticked
    ASSERT_TRUE(Row(2).ErrorLabel->text().isEmpty());
    const readings::TBenchSettings before = View().Channel(1).Settings();
    EXPECT_EQ(before.Lower, 0.1);
    struct Case {
        QLineEdit* edit;
        const char* text;
        const char* message;
    };
    for (const Case& c : {
             Case{Row(2).LowerEdit, "abc", "Нижний допуск: «abc» — не число (канал 2)."},
             Case{Row(2).UpperEdit, "1 В", "Верхний допуск: «1 В» — не число (канал 2)."},
             Case{Row(2).LowerEdit, "300", "Нижний допуск выше верхнего (канал 2)."},
             Case{Row(2).AverageEdit, "0", "Число усредняемых кадров должно быть от 1 до 1000 (канал 2)."},
             Case{Row(2).AverageEdit, "1001", "Число усредняемых кадров должно быть от 1 до 1000 (канал 2)."},
             Case{Row(2).AverageEdit, "2,5", "Число усредняемых кадров: «2,5» — не целое число (канал 2)."},
             Case{Row(2).NullEdit, "nan", "Смещение нуля: «nan» — не число (канал 2)."},
         }) {
        SCOPED_TRACE(c.text);
        const QString good = c.edit->text();
        Row(2).ErrorLabel->clear();
        Enter(c.edit, QString::fromUtf8(c.text));
        EXPECT_EQ(Row(2).ErrorLabel->text(), QString::fromUtf8(c.message));
        EXPECT_TRUE(Row(2).ErrorLabel->isVisible());
        EXPECT_EQ(TextColour(Row(2).ErrorLabel), style::Red);
        EXPECT_EQ(View().Channel(1).Settings(), before);
        // The field put right: accepted, the message gone.
        Enter(c.edit, good);
        EXPECT_TRUE(Row(2).ErrorLabel->text().isEmpty()) << Row(2).ErrorLabel->text().toStdString();
    }
    Enter(Row(2).AverageEdit, QStringLiteral("1000"));
    EXPECT_TRUE(Row(2).ErrorLabel->text().isEmpty());
    EXPECT_EQ(View().Channel(1).Settings().AverageCount, 1000);
    EXPECT_TRUE(presenter.Boxes.empty());
}

// The settings file's limits judge every frame from the start, the window never opened:
// the reading log has the pass columns.
TEST_F(LimitsViewTest, TheSettingsFilesLimitsJudgeTheLogWithoutTheWindow) {
    settings::LimitsSettings limits{};
    limits[0].LimitsOn = true;
    limits[0].Lower = 1.2;
    limits[0].Upper = 1.3;
    limits[1].LimitsOn = true;
    limits[1].Lower = 0.6;
    ASSERT_NO_FATAL_FAILURE(Start(limits));
    const QString log = QDir(dir.path()).filePath("log.csv");
    ASSERT_TRUE(form->ReadingLog().Open(log));
    ASSERT_NO_FATAL_FAILURE(PressStart());
    ASSERT_TRUE(PumpUntil([&] { return form->Limits().Board().Channel(1).Stats().Count >= 3; }, 30000));
    ASSERT_NO_FATAL_FAILURE(PressStop());
    form->ReadingLog().Close();
    EXPECT_EQ(form->Limits().View(), nullptr);
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("time,frame,ch1_volts,ch1_overload,ch1_pass,ch2_volts,ch2_overload,ch2_pass"));
    for (int k = 1; k < lines.size(); ++k) {
        const QStringList fields = lines[k].split(',');
        ASSERT_EQ(fields.size(), 8) << lines[k].toStdString();
        EXPECT_EQ(fields[4], QStringLiteral("1")) << lines[k].toStdString();  // 1.25 V within 1.2 ... 1.3 V
        EXPECT_EQ(fields[7], QStringLiteral("0")) << lines[k].toStdString();  // 0.5 V below 0.6 V
    }
    const readings::TBenchStats& low = form->Limits().Board().Channel(1).Stats();
    EXPECT_EQ(low.FailedLow, low.Count);
    EXPECT_TRUE(presenter.Boxes.empty());
}

// The entries go into their own section of the settings file with the other settings
// and come back at the next start-up, into the window's fields.
TEST_F(LimitsViewTest, SettingsPersistInTheirSection) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenWithShortCut());
    Row(1).NullCheckBox->setChecked(true);
    Enter(Row(1).NullEdit, QStringLiteral("12.5"));
    Enter(Row(1).AverageEdit, QStringLiteral("5"));
    Enter(Row(1).LowerEdit, QStringLiteral("1200"));
    Enter(Row(1).UpperEdit, QStringLiteral("1300"));
    Row(1).LimitsCheckBox->setChecked(true);
    Enter(Row(2).UpperEdit, QStringLiteral("700"));
    Row(2).LimitsCheckBox->setChecked(true);
    for (int c = 1; c <= 2; ++c) ASSERT_TRUE(Row(c).ErrorLabel->text().isEmpty()) << c;

    settings::LimitsSettings expected{};
    expected[0].NullMode = readings::TNullMode::Volts;
    expected[0].NullVolts = 0.0125;
    expected[0].AverageCount = 5;
    expected[0].LimitsOn = true;
    expected[0].Lower = 1.2;
    expected[0].Upper = 1.3;
    expected[1].LimitsOn = true;
    expected[1].Upper = 0.7;
    EXPECT_EQ(form->Limits().Limits(), expected);

    form->Ui.SaveCurrentSettings->trigger();
    {
        const inifile::TIniFile file(IniPath());
        EXPECT_EQ(settings::ReadLimitsSettings(file), expected);
        EXPECT_EQ(file.ReadString(settings::kLimitsSection, settings::ChannelKey(settings::kLowerLimitPrefix, 1), "-"), "");
    }
    form->Ui.ApplicationExit->trigger();
    form.reset();
    ASSERT_NO_FATAL_FAILURE(ShowAndDiscover());
    EXPECT_EQ(form->Limits().Limits(), expected);
    ASSERT_NO_FATAL_FAILURE(OpenWithShortCut());
    EXPECT_TRUE(Row(1).NullCheckBox->isChecked());
    EXPECT_EQ(Row(1).NullEdit->text(), QStringLiteral("12.5"));
    EXPECT_EQ(Row(1).AverageEdit->text(), QStringLiteral("5"));
    EXPECT_EQ(Row(1).LowerEdit->text(), QStringLiteral("1200"));
    EXPECT_EQ(Row(1).UpperEdit->text(), QStringLiteral("1300"));
    EXPECT_TRUE(Row(1).LimitsCheckBox->isChecked());
    EXPECT_EQ(Row(2).LowerEdit->text(), QString());
    EXPECT_EQ(Row(2).UpperEdit->text(), QStringLiteral("700"));
    EXPECT_TRUE(presenter.Boxes.empty());
}

}  // namespace

// Measurement runs of the shown window against zebsim: START to readings, the
// display of every kind of channel, STOP and the other ways a run ends, and
// every failure ending in one box with the window idle again.
#include "DiscoveryFixture.h"

#include "settings/SettingsKeys.h"
#include "ui/CircleShape.h"
#include "ui/Led.h"
#include "ui/SpeedButton.h"
#include "ui/ValueEdit.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include <cmath>
#include <map>
#include <string>

namespace {

const QColor Lime(0, 255, 0);
const QColor Red(255, 0, 0);
const QColor LedGreen(0, 128, 0);
const QColor LedRed(255, 0, 0);
const QString StartText = QStringLiteral("С   Т   А   Р   Т");
const QString StopText = QStringLiteral("С   Т   О   П");
const char* const RunCaption = "Сообщение TMainThread::Execute()!!!";

// One ZEB-N8 crate (no throughput limit) with one ZEB44 in slot 1 whose module
// entry is extended by moduleExtra (channels, faults).
std::string Crate(const std::string& moduleExtra, int crateType = 30) {
    return R"({"crates":[{"serial":"R1","type":)" + std::to_string(crateType) +
           R"(,"modules":[{"slot":1,"serial":"440077","firmware":"1.0.0.0","own_noise_rms":0)" + moduleExtra + "}]}]}";
}

// What the module section of the settings file says at start-up; keys not set keep their defaults.
using TModuleKeys = std::map<std::string, std::string>;

class AcquisitionTest : public DiscoveryTest {
protected:
    void StartServer(const std::string& json, double timeScale = 20.0) {
        zebtest::ZebsimProcess::Options options;
        options.scenarioJson = json;
        options.timeScale = timeScale;
        server = std::make_unique<zebtest::ZebsimProcess>(options);
        server->exportPort();
    }

    // Writes the module section before the window starts: the run's settings come from the
    // file. The group keys default to "each channel its own" so that channel keys count.
    void WriteModuleKeys(TModuleKeys keys) {
        keys.insert({std::string(settings::kAllChannelsKey), "0"});
        keys.insert({std::string(settings::kCommonRangeKey), "-1"});
        keys.insert({std::string(settings::kCommonMethodKey), "-1"});
        inifile::TIniFile file(QDir(dir.path()).filePath("Voltcheck.ini").toStdString());
        for (const auto& [key, value] : keys) {
            const inifile::IniStatus status = file.WriteString(settings::kModuleSection, key, value);
            ASSERT_TRUE(status.ok) << key << ": " << status.message;
        }
        ASSERT_TRUE(file.Flush().ok);
    }

    static std::string Channel(std::string_view prefix, int channel) {
        return settings::ChannelKey(prefix, channel - 1);
    }

    TZeb44AdcChannelFrame& Frame(int channel) { return *form->MultimeterPage().ChannelFrames()[channel - 1]; }

    void PressStart() {
        QTest::mouseClick(form->Ui.StartMultimeterLMDSpeedButton, Qt::LeftButton);
    }
    // The run has shown `frames` frames with their overload indicators (channel's LED lit).
    void WaitForFrames(int channel, int frames = 1) {
        for (int i = 0; i < frames; ++i) {
            ASSERT_TRUE(PumpUntil([&] { return Frame(channel).FlashLed->shownColor() == Frame(channel).palette().button().color() ||
                                               form->Acquisition().Idle(); }, 20000));
            ASSERT_TRUE(PumpUntil([&] { return Frame(channel).FlashLed->shownColor() != Frame(channel).palette().button().color() ||
                                               form->Acquisition().Idle(); }, 20000));
            ASSERT_FALSE(form->Acquisition().Idle()) << "the run ended: " << BoxTexts();
        }
    }
    // The run has ended and the window is back in its idle state.
    void ExpectIdle() {
        ASSERT_TRUE(PumpUntil([&] { return form->Acquisition().Idle(); }, 20000));
        EXPECT_EQ(form->Ui.StartMultimeterLMDSpeedButton->text(), StartText);
        EXPECT_FALSE(form->Ui.StartMultimeterLMDSpeedButton->isChecked());
        EXPECT_EQ(form->Ui.StartMultimeterLMDSpeedButton->palette().color(QPalette::ButtonText), LedGreen);
        EXPECT_EQ(form->Ui.AcquisitionTimeLMDLabel->text(), "-----");
        EXPECT_FALSE(form->Guard().Held());
    }
    void Stop() {
        QTest::mouseClick(form->Ui.StartMultimeterLMDSpeedButton, Qt::LeftButton);
        ExpectIdle();
    }
    // Every box shown so far, for a failure's message.
    std::string BoxTexts() const {
        std::string texts;
        for (const TShownBox& box : presenter.Boxes) texts += (box.Caption + ": " + box.Text + "\n").toStdString();
        return texts;
    }
    // The boxes of the acquisition thread.
    std::vector<QString> RunBoxTexts() const {
        std::vector<QString> texts;
        for (const TShownBox& box : presenter.Boxes)
            if (box.Caption == RunCaption) texts.push_back(box.Text);
        return texts;
    }
};

// Channel 1 DC, channel 2 an AC sine (spectral, RMS), channel 3 unticked, channel 4
// overloaded; values in the patterns of their ranges, units, colours, indicators.
TEST_F(AcquisitionTest, StartShowsEveryKindOfChannel) {
    StartServer(Crate(R"(,"channels":[{"dc":1.25},{"amplitude":0.5,"frequency":1000},{"dc":0.7},
                                      {"dc":2.0,"amplitude":14.0,"frequency":50}])"));
    WriteModuleKeys({{std::string(settings::kMaxAcquisitionTimeKey), "0.5"},
                     {Channel(settings::kChannelEnabledPrefix, 3), "0"},
                     {Channel(settings::kChannelRangePrefix, 1), "1"},  // 3 V
                     {Channel(settings::kChannelRangePrefix, 2), "2"},  // 1 V
                     {settings::PrecisionKey(1, settings::PrecisionKind::Dc), "4"},
                     {settings::PrecisionKey(2, settings::PrecisionKind::Ac), "3"}});
    ShowAndDiscover();
    form->MultimeterPage().ApplyChannelMode(1, 0, 1);  // channel 2 alone measures AC
    PressStart();
    ASSERT_TRUE(PumpUntil([&] { return form->Ui.StartMultimeterLMDSpeedButton->text() == StopText; }));
    EXPECT_EQ(form->Ui.StartMultimeterLMDSpeedButton->palette().color(QPalette::ButtonText), Red);
    WaitForFrames(1, 2);
    // 2^16 samples at 78125 Hz reach 0.5 s: 838.9 ms.
    EXPECT_EQ(form->Ui.AcquisitionTimeLMDLabel->text(), "838.9");

    // 1.25 V on the 3 V range: code 3495253 = 1.25000003 V, so 4 decimals of mV read exactly.
    EXPECT_EQ(Frame(1).Value1LMDEdit->text(), "1250.0000");
    EXPECT_EQ(Frame(1).Value1LabLMDLabel->text(), "мВ");
    EXPECT_EQ(Frame(1).Value1LMDEdit->textColor(), Lime);
    EXPECT_EQ(Frame(1).Value2LMDEdit->text(), "--------");
    EXPECT_FALSE(Frame(1).Value2LMDEdit->isEnabled());
    EXPECT_EQ(Frame(1).Value2LabLMDLabel->text(), "");
    EXPECT_EQ(Frame(1).FlashLed->shownColor(), LedGreen);

    // 0.5 V peak: 353.553 mV RMS (the spectral method's error is far below 1 uV here), 1 kHz.
    EXPECT_EQ(Frame(2).Value1LMDEdit->text(), "353.553");
    EXPECT_EQ(Frame(2).Value2LMDEdit->text(), "1.00000");
    EXPECT_EQ(Frame(2).Value2LabLMDLabel->text(), "кГц");
    EXPECT_TRUE(Frame(2).Value2LMDEdit->isEnabled());
    EXPECT_EQ(Frame(2).Value2LMDEdit->textColor(), Lime);

    EXPECT_EQ(Frame(3).Value1LMDEdit->text(), "--------");
    EXPECT_EQ(Frame(3).Value2LMDEdit->text(), "--------");
    EXPECT_EQ(Frame(3).Value1LabLMDLabel->text(), "");
    EXPECT_EQ(Frame(3).FlashLed->shownColor(), Frame(3).palette().button().color());

    EXPECT_EQ(Frame(4).Value1LMDEdit->textColor(), Red);
    EXPECT_EQ(Frame(4).FlashLed->shownColor(), LedRed);

    Stop();
    EXPECT_TRUE(RunBoxTexts().empty());
    // The last values stay after the run.
    EXPECT_EQ(Frame(1).Value1LMDEdit->text(), "1250.0000");
}

// The weighted-sum method with the peak amplitude; the second field stays dashed.
TEST_F(AcquisitionTest, WeightedSumShowsNoFrequency) {
    StartServer(Crate(R"(,"channels":[{"amplitude":2.0,"frequency":1000}])"));
    WriteModuleKeys({{std::string(settings::kComputationMethodKey), "sum"},
                     {std::string(settings::kAmplitudeTypeKey), "amp"},
                     {std::string(settings::kMaxAcquisitionTimeKey), "0.2"},
                     {std::string(settings::kCommonMethodKey), "1"},
                     {Channel(settings::kChannelEnabledPrefix, 2), "0"},
                     {Channel(settings::kChannelEnabledPrefix, 3), "0"},
                     {Channel(settings::kChannelEnabledPrefix, 4), "0"}});
    ShowAndDiscover();
    PressStart();
    WaitForFrames(1);
    // trunc(0.2 x 78125) = 15625 samples: exactly 200 periods of the sine.
    EXPECT_EQ(form->Ui.AcquisitionTimeLMDLabel->text(), "200.0");
    bool ok = false;
    const double millivolts = Frame(1).Value1LMDEdit->text().toDouble(&ok);
    ASSERT_TRUE(ok) << Frame(1).Value1LMDEdit->text().toStdString();
    EXPECT_NEAR(millivolts, 2000.0, 0.01);
    EXPECT_EQ(Frame(1).Value2LMDEdit->text(), "--------");
    EXPECT_FALSE(Frame(1).Value2LMDEdit->isEnabled());
    Stop();
}

// A value wider than its field keeps its sign and leading digits in view.
TEST_F(AcquisitionTest, ALongValueShowsItsSign) {
    StartServer(Crate(R"(,"channels":[{"dc":-12.0}])"));
    WriteModuleKeys({{std::string(settings::kMaxAcquisitionTimeKey), "0.05"},
                     {settings::PrecisionKey(0, settings::PrecisionKind::Dc), "10"}});
    ShowAndDiscover();
    PressStart();
    WaitForFrames(1);
    TValueEdit* edit = Frame(1).Value1LMDEdit;
    EXPECT_EQ(edit->text(), "-10000.0000000000");
    EXPECT_GT(edit->fontMetrics().horizontalAdvance(edit->text()), edit->width());
    EXPECT_EQ(edit->cursorPosition(), 0);
    // The caret stands before the sign and is in view, so the text is not scrolled.
    EXPECT_TRUE(edit->rect().intersects(edit->inputMethodQuery(Qt::ImCursorRectangle).toRect()));
    Stop();
}

// Each way of ending a run from the window: STOP, Esc, a channel change, a range
// change, closing. None shows a box; the module is left stopped.
TEST_F(AcquisitionTest, EveryStopEndsTheRunQuietly) {
    StartServer(Crate(R"(,"channels":[{"dc":0.5}])"), 1.0);
    // 2^20 samples: a frame of 13.4 s, so every stop lands in the middle of one.
    WriteModuleKeys({{std::string(settings::kMaxAcquisitionTimeKey), "13"}});
    ShowAndDiscover();
    const std::vector<std::pair<const char*, std::function<void()>>> stops = {
        {"STOP", [&] { QTest::mouseClick(form->Ui.StartMultimeterLMDSpeedButton, Qt::LeftButton); }},
        {"Esc", [&] { QTest::keyClick(form.get(), Qt::Key_Escape); }},
        {"channel", [&] { QTest::mouseClick(Frame(2).ChannelNumberLMDCheckBox, Qt::LeftButton); }},
        {"range", [&] {
             Frame(1).InputRangeLMDComboBox->setCurrentIndex(1);
         }},
    };
    for (const auto& [name, stop] : stops) {
        SCOPED_TRACE(name);
        PressStart();
        ASSERT_TRUE(PumpUntil([&] { return form->Ui.AcquisitionTimeLMDLabel->text() == "13421.8"; }, 5000));
        QTest::qWait(300);
        stop();
        ExpectIdle();
        EXPECT_TRUE(RunBoxTexts().empty());
    }
    PressStart();
    ASSERT_TRUE(PumpUntil([&] { return form->Ui.AcquisitionTimeLMDLabel->text() == "13421.8"; }, 5000));
    form->close();
    EXPECT_FALSE(form->Acquisition().HasThread());
    EXPECT_TRUE(RunBoxTexts().empty());
}

// Every failure of a run gives exactly one box with its text and leaves the window idle.
TEST_F(AcquisitionTest, EachFailureShowsOneBoxAndTheWindowReturnsToIdle) {
    struct Case {
        const char* name;
        std::string moduleExtra;
        TModuleKeys keys;
        std::string text;
        int crateType = 30;
        int pickRate = -1;  // a rate the operator picks before START
    };
    const std::string oneChannel = R"(,"channels":[{"dc":0.5}])";
    const Case cases[] = {
        {"silent module", oneChannel + R"(,"faults":{"stop_after_words":0})", {}, "Не принято ни одного отсчёта с модуля!"},
        {"short block", oneChannel + R"(,"faults":{"short_block":{"after_words":20000,"pause_ms":8000}})",
         {}, "Принято неправильное кол-во данных с модуля!"},
        {"StopADC", oneChannel + R"(,"faults":{"fail":["StopADC"]})", {}, "ZEB44_StopADC() --> BAD!!!"},
        {"ClearBuffer", oneChannel + R"(,"faults":{"fail":["ClearBuffer"]})", {}, "ZEB44_ClearBuffer() --> BAD!!!"},
        {"StartADC", oneChannel + R"(,"faults":{"fail":["StartADC"]})", {},
         "Не могу выполнить запуск сбора кадра данных!!!"},
        // The module refused the settings at start-up, which left the rate list empty: the
        // operator picks a rate, and the run's configuration is refused too.
        {"SetConfig", oneChannel + R"(,"faults":{"fail":["SetConfig"]})", {}, "ZEB44_SetConfig() --> BAD!!!", 30, 24},
        {"conversion", oneChannel + R"(,"faults":{"corrupt_after_words":1000})", {},
         "Не могу обработать полученные данные с модуля!"},
        {"no rate", oneChannel, {{std::string(settings::kAdcRateIndexKey), "99"}},
         "Не выбрана частота преобразования АЦП!"},
        {"connection dropped", oneChannel + R"(,"faults":{"drop_after_words":30000})", {},
         "Не могу получить данные с модуля!"},
        {"no channel", oneChannel,
         {{Channel(settings::kChannelEnabledPrefix, 1), "0"}, {Channel(settings::kChannelEnabledPrefix, 2), "0"},
          {Channel(settings::kChannelEnabledPrefix, 3), "0"}, {Channel(settings::kChannelEnabledPrefix, 4), "0"}},
         "Необходимо выбрать не менее одного активного канала!"},
        {"throughput", oneChannel, {{std::string(settings::kAdcRateIndexKey), "23"}},
         "При выбранных параметрах сбора данных скорость передачи этой информации модулем ZEB44 составляет 833.3 "
         "Кбайт/с, что превышает маскимально допустимую для крейта ZEB-K1 величину 800.0 Кбайт/с !!! \n"
         "Рекомендуется либо снизить частоту преобразования АЦП, либо уменьшить кол-во активных каналов!!!",
         21},
        {"no signal", R"(,"channels":[{"dc":0}])", {{std::string(settings::kCommonMethodKey), "1"}},
         "Опаньки!!! Судя по всему на вход модуля не был подан сигнал!!!"},
        {"zero time", oneChannel, {{std::string(settings::kMaxAcquisitionTimeKey), "0"}},
         "Недопустимое максимальное время сбора кадра: 0 с!\nВремя сбора кадра должно быть конечным числом больше 0."},
        {"huge time", oneChannel,
         {{std::string(settings::kMaxAcquisitionTimeKey), "1e12"}, {std::string(settings::kComputationMethodKey), "sum"}},
         "Максимальное время сбора кадра 1e+12 с слишком велико: кадр из 7.8125e+16 отсчётов на канал"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartServer(Crate(c.moduleExtra, c.crateType));
        WriteModuleKeys(c.keys);
        ShowAndDiscover();
        if (c.pickRate >= 0) form->Ui.AdcRateComboBox->setCurrentIndex(c.pickRate);
        const std::size_t before = presenter.Boxes.size();
        PressStart();
        ExpectIdle();
        // A late second report would come within the run's clean-up; the thread is idle by now.
        const std::vector<QString> texts = RunBoxTexts();
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_TRUE(texts[0].startsWith(QString::fromStdString(c.text))) << texts[0].toStdString();
        EXPECT_EQ(presenter.Boxes.size(), before + 1);
        form->Ui.ApplicationExit->trigger();
        form.reset();
        presenter.Boxes.clear();
        QFile::remove(QDir(dir.path()).filePath("Voltcheck.ini"));
    }
}

// The server killed in the middle of a frame ends the run with one box; a new server
// is found by the next discovery and measures without restarting the program.
TEST_F(AcquisitionTest, AServerLostMidFrameAndStartedAgain) {
    StartServer(Crate(R"(,"channels":[{"dc":0.25}])"), 1.0);
    WriteModuleKeys({{std::string(settings::kMaxAcquisitionTimeKey), "2"}});
    ShowAndDiscover();
    PressStart();
    ASSERT_TRUE(PumpUntil([&] { return form->Ui.AcquisitionTimeLMDLabel->text() != "-----"; }, 5000));
    QTest::qWait(500);
    server->kill();
    ExpectIdle();
    ASSERT_EQ(RunBoxTexts().size(), 1u);
    EXPECT_EQ(RunBoxTexts()[0], "Не могу получить данные с модуля!");

    StartServer(Crate(R"(,"channels":[{"dc":0.25}])"));
    WriteModuleKeys({{std::string(settings::kMaxAcquisitionTimeKey), "0.05"}});
    form->Device().FindClicked();
    WaitForRun();
    PressStart();
    WaitForFrames(1);
    EXPECT_EQ(Frame(1).Value1LMDEdit->text(), "250.00");
    Stop();
    EXPECT_EQ(RunBoxTexts().size(), 1u);
}

// The window and voltcheck-cli measure two modules of one crate at the same time at
// real time: each gets its own module's stream at its own rate (a stream at another
// rate or of the other module would show another frequency and level).
TEST_F(AcquisitionTest, TheWindowAndTheCommandLineMeterShareACrate) {
    StartServer(R"({"crates":[{"serial":"R1","type":30,"modules":[
                     {"slot":1,"serial":"440011","firmware":"1.0.0.0","own_noise_rms":0,
                      "channels":[{"amplitude":0.5,"frequency":1000}]},
                     {"slot":2,"serial":"440022","firmware":"1.0.0.0","own_noise_rms":0,
                      "channels":[{"amplitude":0.2,"frequency":300}]}]}]})",
                1.0);
    WantInSettings("R1", 1);
    WriteModuleKeys({{std::string(settings::kMaxAcquisitionTimeKey), "0.5"},
                     {Channel(settings::kChannelEnabledPrefix, 2), "0"},
                     {Channel(settings::kChannelEnabledPrefix, 3), "0"},
                     {Channel(settings::kChannelEnabledPrefix, 4), "0"},
                     {Channel(settings::kChannelRangePrefix, 1), "2"},  // 1 V
                     {settings::PrecisionKey(2, settings::PrecisionKind::Ac), "3"},
                     {settings::PrecisionKey(2, settings::PrecisionKind::Fr), "5"}});
    ShowAndDiscover();
    form->MultimeterPage().ApplyChannelMode(0, 0, 1);  // AC
    PressStart();
    WaitForFrames(1);

    // Slot 2 at 15625 Hz (8192-sample frames of 0.52 s) beside the window's 78125 Hz.
    const QString cliOut = QDir(dir.path()).filePath("cli.csv");
    QProcess cli;
    cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    cli.start(VOLTCHECK_CLI_EXE, {"measure", "--crate", "R1", "--slot", "2", "--rate", "15625", "--channels", "1",
                                  "--range", "1", "--mode", "ac", "--method", "fft", "--time", "0.5",
                                  "--duration", "60", "--output", cliOut});
    ASSERT_TRUE(cli.waitForStarted(5000));
    const auto cliLines = [&] {
        QFile file(cliOut);
        return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
    };
    // Both run at once: the window shows frames between the tool's first and third ones.
    ASSERT_TRUE(PumpUntil([&] { return cliLines() >= 2 || cli.state() == QProcess::NotRunning; }, 20000));
    WaitForFrames(1, 2);
    ASSERT_TRUE(PumpUntil([&] { return cliLines() >= 4 || cli.state() == QProcess::NotRunning; }, 20000));
    ASSERT_EQ(cli.state(), QProcess::Running) << "the tool ended early";
    WaitForFrames(1);
    cli.terminate();  // ends the tool's run as STOP does
    ASSERT_TRUE(PumpUntil([&] { return cli.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 0);

    // The window's module: 0.5 V peak at 1 kHz.
    EXPECT_EQ(Frame(1).Value1LMDEdit->text(), "353.553");
    EXPECT_EQ(Frame(1).Value2LMDEdit->text(), "1.00000");
    Stop();
    EXPECT_TRUE(presenter.Boxes.empty()) << BoxTexts();

    // The tool's module: 0.2 V peak at 300 Hz, every frame.
    QFile file(cliOut);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], "time,frame,ch1_volts,ch1_hertz,ch1_overload");
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> cells = lines[i].split(',');
        ASSERT_EQ(cells.size(), 5) << lines[i].toStdString();
        EXPECT_EQ(cells[1].toInt(), i);
        EXPECT_NEAR(cells[2].toDouble(), 0.2 / std::sqrt(2.0), 1e-6) << i;
        EXPECT_NEAR(cells[3].toDouble(), 300.0, 1e-3) << i;
        EXPECT_EQ(cells[4], "0");
    }
}

// With "Автовозобновление при потере связи" on, a server that dies mid-run ends
// nothing: the readings stay, grey, the module's lamp turns red and a notice says
// when the next try comes; once the server is back the run goes on by itself, and
// the reading log has the loss and the return between the frames.
class AutoResumeTest : public AcquisitionTest {
protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        StartServer(Crate(R"(,"channels":[{"dc":0.25}])"));
        WriteModuleKeys({{std::string(settings::kMaxAcquisitionTimeKey), "0.05"}});
        inifile::TIniFile file(QDir(dir.path()).filePath("Voltcheck.ini").toStdString());
        ASSERT_TRUE(file.WriteString(settings::kLinkSection, settings::kAutoResumeKey, "1").ok);
        ASSERT_TRUE(file.Flush().ok);
        ShowAndDiscover();
        ASSERT_TRUE(form->Ui.AutoResumeMenuItem->isChecked());
        ASSERT_TRUE(form->Acquisition().AutoResume());
    }
    bool NoticeShown() const { return form->MultimeterPage().LinkNotice()->isVisible(); }
};

TEST_F(AutoResumeTest, ALostServerShowsNoBoxAndTheRunGoesOnWhenItIsBack) {
    const QString log = QDir(dir.path()).filePath("readings.csv");
    ASSERT_TRUE(form->ReadingLog().Open(log));
    PressStart();
    WaitForFrames(1, 2);

    server->kill();
    ASSERT_TRUE(PumpUntil([&] { return NoticeShown(); }, 20000)) << BoxTexts();
    EXPECT_TRUE(presenter.Boxes.empty()) << BoxTexts();
    EXPECT_FALSE(form->Acquisition().Idle());
    EXPECT_EQ(form->Ui.StartMultimeterLMDSpeedButton->text(), StopText);
    EXPECT_EQ(Frame(1).Value1LMDEdit->text(), "250.00");  // the last reading stays
    EXPECT_NE(Frame(1).Value1LMDEdit->textColor(), Lime);  // but not as a live one
    EXPECT_EQ(form->Ui.ModuleStatusLed->brushColor(), LedRed);
    EXPECT_TRUE(form->MultimeterPage().LinkNotice()->text().startsWith("Связь с модулем потеряна"));

    server->start();
    ASSERT_TRUE(PumpUntil([&] { return !NoticeShown(); }, 20000));
    WaitForFrames(1, 2);
    EXPECT_EQ(Frame(1).Value1LMDEdit->textColor(), Lime);
    EXPECT_EQ(Frame(1).Value1LMDEdit->text(), "250.00");
    EXPECT_EQ(form->Ui.ModuleStatusLed->brushColor(), Lime);
    Stop();
    EXPECT_TRUE(presenter.Boxes.empty()) << BoxTexts();
    form->ReadingLog().Close();

    // The log: frames, the loss, the return, frames again, their numbers rising.
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 6);
    EXPECT_TRUE(lines[0].endsWith(",event")) << lines[0].toStdString();
    int lost = -1;
    int resumed = -1;
    long previous = 0;
    for (int i = 1; i < lines.size(); ++i) {
        const QStringList cells = lines[i].split(',');
        if (cells.last().startsWith("lost: ")) {
            EXPECT_EQ(lost, -1) << "one record per loss";
            lost = i;
            EXPECT_TRUE(cells[1].isEmpty());
        } else if (cells.last().startsWith("resumed after ")) {
            resumed = i;
            EXPECT_TRUE(cells[1].isEmpty());
        } else {
            EXPECT_TRUE(cells.last().isEmpty()) << lines[i].toStdString();
            EXPECT_GT(cells[1].toLong(), previous) << lines[i].toStdString();
            previous = cells[1].toLong();
        }
    }
    EXPECT_GT(lost, 1);
    EXPECT_EQ(resumed, lost + 1) << "nothing is written for the time without the module";
    EXPECT_LT(resumed, lines.size() - 1);
}

TEST_F(AutoResumeTest, StopEndsTheWaitingAtOnce) {
    PressStart();
    WaitForFrames(1, 1);
    server->kill();
    ASSERT_TRUE(PumpUntil([&] { return NoticeShown(); }, 20000)) << BoxTexts();
    Stop();
    EXPECT_FALSE(NoticeShown());
    EXPECT_FALSE(form->Acquisition().HasThread());
    EXPECT_TRUE(presenter.Boxes.empty()) << BoxTexts();
}

}  // namespace

// Discovery runs of the shown window against zebsim: full search, crate and
// module changes, failures, and closing while a run is at work.
#include "DiscoveryFixture.h"
#include "EventLoopPauses.h"

#include "app/ApplicationTitle.h"
#include "app/HintWindow.h"
#include "device/CrateScan.h"
#include "ui/CaptionGroupBox.h"
#include "ui/CircleShape.h"
#include "ui/SpeedButton.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

namespace {

// Crate A (ZEB-N8) with ZEB44 modules in slots 2 and 5 and another module in
// slot 9; crate B (ZEB-K1) with ZEB44 modules in slots 3 and 16.
std::string TwoCrates(bool aSlot2Answers = true, bool bSlot3Answers = true) {
    const auto answers = [](bool on) { return on ? std::string() : std::string(R"(, "answers": false)"); };
    return R"({"crates": [
      {"serial": "CRA-100", "type": 30, "modules": [
        {"slot": 2, "serial": "A02", "firmware": "1.0.0.1")" + answers(aSlot2Answers) + R"(},
        {"slot": 5, "serial": "A05", "firmware": "1.0.0.2"},
        {"slot": 9, "id": "0x0B0B", "name": "DIO"}]},
      {"serial": "CRB-200", "type": 21, "modules": [
        {"slot": 3, "serial": "B03", "firmware": "2.0.0.0")" + answers(bSlot3Answers) + R"(},
        {"slot": 16, "serial": "B16", "firmware": "1.2.10.0"}]}]})";
}

// A crate whose ZEB44 modules all refuse, a crate with other modules only and,
// optionally, a ZEB-P1 with one ZEB44 in slot 16.
std::string UnlistedCrates(bool withLastCrate) {
    std::string json = R"({"crates": [
      {"serial": "MUTE-1", "type": 10, "modules": [
        {"slot": 1, "serial": "M1", "answers": false}, {"slot": 2, "serial": "M2", "answers": false}]},
      {"serial": "OTHER-2", "type": 10, "modules": [
        {"slot": 1, "id": "0x0B0B", "name": "DIO"}, {"slot": 2, "id": 4660, "name": "X"}]})";
    if (withLastCrate)
        json += R"(, {"serial": "LAST-3", "type": 40, "modules": [{"slot": 16, "serial": "L16", "firmware": "3.0.0.0"}]})";
    return json + "]}";
}

// Crate OK-1 with a ZEB44 and crate BAD-2, listed second, with the crate faults
// given (JSON objects, or empty); listFaults are the server's own.
std::string FaultyCrate(const std::string& listFaults, const std::string& crateFaults) {
    std::string json = "{";
    if (!listFaults.empty()) json += R"("faults": )" + listFaults + ", ";
    json += R"("crates": [
      {"serial": "OK-1", "type": 21, "modules": [{"slot": 1, "serial": "K1"}]},
      {"serial": "BAD-2", "type": 30, "modules": [{"slot": 2, "serial": "B2"}])";
    if (!crateFaults.empty()) json += R"(, "faults": )" + crateFaults;
    return json + "}]}";
}

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

const QColor Green(0, 255, 0);
const QColor Red(255, 0, 0);
const QColor Orange(255, 158, 62);

const char* const NoCrateText = "Не могу найти ни одного ZEB крейта!";
const char* const NoModuleText = "Не могу найти ни одного ZEB крейта, где бы был установлен модуль ZEB44!";
const char* const Mode1Text = "Не могу проинициализировать модуль в указанном слоте!";
const char* const Mode2Text = "Не могу проинициализировать ZEB крейт с модулями в указанном слоте!";
const char* const Caption = "Сообщение TInitAndConfigThread::Execute()!!!";
const char* const BadCrateText = "Не могу опросить ZEB крейт 'BAD-2'!";

class DiscoveryRunTest : public DiscoveryTest {
protected:
    // A run without an identified module leaves the selection and "Обнаружить" usable only.
    void ExpectUsableWithoutModule() {
        const TMainFormUi& ui = form->Ui;
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(ui.FindDeviceLMDButton->isEnabled());
        EXPECT_TRUE(ui.ZebCratesComboBox->isEnabled());
        EXPECT_TRUE(ui.ModulesComboBox->isEnabled());
        EXPECT_FALSE(ui.StartMultimeterLMDSimplePanel->isVisible());
        EXPECT_FALSE(ui.StartMultimeterLMDSpeedButton->isEnabled());
        EXPECT_FALSE(ui.SaveSettingsButton->isEnabled());
        EXPECT_TRUE(ui.MainLMDPageControl->isEnabled());
        EXPECT_FALSE(form->Guard().Held());
    }
    // A run with an identified module offers the measurement.
    void ExpectMeasurementOffered() {
        const TMainFormUi& ui = form->Ui;
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(form->Device().ModuleState(), TModuleState::Identified);
        EXPECT_EQ(ZEB44_IsOpened(&form->Device().Module()), 0);
        EXPECT_TRUE(ui.FindDeviceLMDButton->isEnabled());
        EXPECT_TRUE(ui.ZebCratesComboBox->isEnabled());
        EXPECT_TRUE(ui.ModulesComboBox->isEnabled());
        EXPECT_TRUE(ui.StartMultimeterLMDSimplePanel->isVisible());
        EXPECT_TRUE(ui.StartMultimeterLMDSpeedButton->isEnabled());
        EXPECT_TRUE(ui.AdcRateComboBox->isEnabled());
        EXPECT_TRUE(ui.SaveSettingsButton->isEnabled());  // automatic saving is off
        EXPECT_FALSE(form->Guard().Held());
    }
    void ExpectOneBox(const char* text) {
        ASSERT_EQ(presenter.Boxes.size(), 1u);
        EXPECT_EQ(presenter.Boxes[0].Caption, Caption);
        EXPECT_EQ(presenter.Boxes[0].Text, text);
    }
};

TEST_F(DiscoveryRunTest, FullSearchSelectsTheWantedCrateAndSlotAndShowsTheModule) {
    StartServer(TwoCrates());
    WantInSettings("CRB-200", 16);
    ShowAndDiscover();

    EXPECT_TRUE(presenter.Boxes.empty());
    EXPECT_EQ(form->Device().Tables().CrateCount, 2);
    EXPECT_EQ(form->Device().Tables().ListedCrateCount, 2);
    EXPECT_EQ(form->Device().Tables().SelectedCrateIndex, 1);
    EXPECT_EQ(form->Device().Tables().SelectedModuleIndex[1], 1);
    EXPECT_EQ(form->Device().Tables().SelectedModuleIndex[0], 0);  // the other crate's first module
    EXPECT_EQ(form->Device().CrateOk(), true);
    EXPECT_EQ(Items(form->Ui.ZebCratesComboBox), QStringList({"1: CRA-100", "2: CRB-200"}));
    EXPECT_EQ(form->Ui.ZebCratesComboBox->currentIndex(), 1);
    EXPECT_EQ(Items(form->Ui.ModulesComboBox), QStringList({"Слот 3: ZEB44", "Слот 16: ZEB44"}));
    EXPECT_EQ(form->Ui.ModulesComboBox->currentIndex(), 1);
    ExpectMeasurementOffered();

    // Device status of an opened ZEB44 in a ZEB-K1.
    EXPECT_EQ(form->Ui.ModuleSerialNumberLMDLabel->text(), "B16");
    EXPECT_EQ(form->Ui.ModuleFirmwareVersionLMDLabel->text(), "1.2.10.0");
    EXPECT_EQ(form->windowTitle(), "Voltcheck - 1.1.7");
    EXPECT_EQ(ApplicationTitle(), "Voltcheck - 1.1.7");
    EXPECT_EQ(form->Ui.ModuleStatusLed->brushColor(), Green);
    EXPECT_EQ(form->Ui.ModuleStatusLed->toolTip(), "Статус модуля 'ZEB44' -> OK");
    EXPECT_EQ(form->Ui.ZebCrateStatusLed->brushColor(), Orange);
    EXPECT_EQ(form->Ui.ZebCrateStatusLed->toolTip(),
              "Статус 'ZEB-K1' крейта -> OK\nДля крейта 'ZEB-K1' максимальная скорость передачи данных "
              "составляет 800 Кбайт/с.\nПоэтому для модуля 'ZEB44', например, при 4-х канальном сборе данных "
              "данных\nчастота АЦП не должна превышать 50.0 кГц!!!");
    // The notice stays 10 s.
    QString hint = form->Ui.ZebCrateStatusLed->toolTip();
    bool canShow = true;
    THintInfo info;
    info.HintControl = form->Ui.ZebCrateStatusLed;
    form->Events().OnShowHint(hint, canShow, info);
    EXPECT_EQ(info.HideTimeout, 10000);
    // From the first run on, the context menu does not pop up by itself.
    EXPECT_EQ(form->contextMenuPolicy(), Qt::NoContextMenu);
}

TEST_F(DiscoveryRunTest, AWantedCrateOrSlotThatIsNotThereSelectsTheFirstModule) {
    StartServer(TwoCrates());
    struct Case {
        std::string serial;
        int slot;
        uint16_t crate;
        uint16_t module;
        const char* shown;
    };
    const Case cases[] = {
        {"NOPE", 16, 0, 0, "A02"},     // no such crate: crate 0, module 0 whatever the slot
        {"", -1, 0, 0, "A02"},         // nothing wanted (the defaults)
        {"CRA-100", 7, 0, 0, "A02"},   // the crate, but no module in that slot
        {"CRA-100", 5, 0, 1, "A05"},   // the crate and its module
        {"CRB-200", 3, 1, 0, "B03"},
        {"CRB-200", 65539, 1, 0, "B03"},  // taken as signed 16-bit: 3
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serial + " / " + std::to_string(c.slot));
        WantInSettings(c.serial, c.slot);
        ShowAndDiscover();
        EXPECT_EQ(form->Device().Tables().SelectedCrateIndex, c.crate);
        EXPECT_EQ(form->Device().Tables().SelectedModuleIndex[c.crate], c.module);
        EXPECT_EQ(form->Ui.ZebCratesComboBox->currentIndex(), c.crate);
        EXPECT_EQ(form->Ui.ModulesComboBox->currentIndex(), c.module);
        EXPECT_EQ(form->Ui.ModuleSerialNumberLMDLabel->text(), c.shown);
        ExpectMeasurementOffered();
        form->Ui.ApplicationExit->trigger();
        form.reset();
    }
    EXPECT_TRUE(presenter.Boxes.empty());
}

TEST_F(DiscoveryRunTest, CratesWithoutAnAnsweringZeb44AreNotListed) {
    StartServer(UnlistedCrates(true));
    ShowAndDiscover();
    EXPECT_TRUE(presenter.Boxes.empty());
    EXPECT_EQ(form->Device().Tables().CrateCount, 3);
    EXPECT_EQ(form->Device().Tables().ListedCrateCount, 1);
    // The first listed crate is item "1: ...", a module in slot 16 is "Слот 16: ZEB44".
    EXPECT_EQ(Items(form->Ui.ZebCratesComboBox), QStringList({"1: LAST-3"}));
    EXPECT_EQ(Items(form->Ui.ModulesComboBox), QStringList({"Слот 16: ZEB44"}));
    EXPECT_EQ(form->Ui.ModuleSerialNumberLMDLabel->text(), "L16");
    EXPECT_EQ(form->Ui.ZebCrateStatusLed->brushColor(), Green);
    EXPECT_EQ(form->Ui.ZebCrateStatusLed->toolTip(), "Статус 'ZEB-P1' крейта -> OK");
    ExpectMeasurementOffered();
}

TEST_F(DiscoveryRunTest, FailedFullSearchesReportOnceAndLeaveTheSelectionUsable) {
    struct Case {
        const char* name;
        std::string scenario;  // empty: no server listens
        const char* text;
    };
    const Case cases[] = {
        {"no server", "", NoCrateText},
        {"no crates", R"({"crates": []})", NoModuleText},
        {"no answering ZEB44", UnlistedCrates(false), NoModuleText},
        // Crate-level faults: the scan stops at the crate, whose connection is closed.
        {"crate list refused", FaultyCrate(R"({"refuse": ["GetCrates"]})", ""), NoCrateText},
        {"crate information refused", FaultyCrate("", R"({"refuse": ["GetCrateInfo"]})"), BadCrateText},
        {"module table refused", FaultyCrate("", R"({"refuse": ["GetCrateModules"]})"), BadCrateText},
        {"dropped during the information", FaultyCrate("", R"({"drop_on": "GetCrateInfo"})"), BadCrateText},
        {"dropped during the module table", FaultyCrate("", R"({"drop_on": "GetCrateModules"})"), BadCrateText},
        {"information too late", FaultyCrate("", R"({"late": {"on": "GetCrateInfo", "ms": 3000}})"), BadCrateText},
        {"module table too late", FaultyCrate("", R"({"late": {"on": "GetCrateModules"}})"), BadCrateText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        presenter.Boxes.clear();
        if (c.scenario.empty())
            NoServer();
        else
            StartServer(c.scenario);
        ShowAndDiscover();
        ExpectOneBox(c.text);
        if (server) { EXPECT_EQ(zebtest::OpenClientConnections(server->port()), 0); }
        EXPECT_EQ(form->Device().CrateOk(), false);
        EXPECT_EQ(form->Device().ModuleState(), TModuleState::None);
        EXPECT_EQ(form->Ui.ZebCratesComboBox->count(), 0);
        EXPECT_EQ(form->Ui.ModulesComboBox->count(), 0);
        EXPECT_NE(ZEB44_IsOpened(&form->Device().Module()), 0);
        ExpectUsableWithoutModule();
        // The status is still shown after the report.
        EXPECT_EQ(form->windowTitle(), "Voltcheck - 1.1.7");
        EXPECT_EQ(form->Ui.ZebCrateStatusLed->brushColor(), Red);
        EXPECT_EQ(form->Ui.ZebCrateStatusLed->toolTip(), "Статус ZEB крейта -> BAD");
        EXPECT_EQ(form->Ui.ModuleStatusLed->brushColor(), Red);
        EXPECT_EQ(form->Ui.ModuleStatusLed->toolTip(), "Статус модуля '?\?\?' -> BAD");
        EXPECT_EQ(form->Ui.ModuleSerialNumberLMDLabel->text(), "????????");
        EXPECT_EQ(form->Ui.ModuleFirmwareVersionLMDLabel->text(), "??.??.??.??");
        form->Ui.ApplicationExit->trigger();
        form.reset();
        server.reset();
    }
}

// A crate that answers too late is waited for on the discovery thread (the
// libraries' 2 s reply wait); the window goes on serving its events meanwhile.
TEST_F(DiscoveryRunTest, ACrateThatAnswersLateNeverHoldsTheWindow) {
    StartServer(FaultyCrate("", R"({"late": {"on": "GetCrateInfo", "ms": 3000}})"));
    form = std::make_unique<TMainForm>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const TEventLoopPauses pauses;
    ASSERT_TRUE(PumpUntil([&] { return form->StartupStage() == TStartupStage::DiscoveryRequested && RunOver(); },
                          20000));
    ExpectOneBox(BadCrateText);
    // A scan on the GUI thread would stand it still for the whole reply wait.
    EXPECT_LT(pauses.LongestMs(), 1000);
}

TEST_F(DiscoveryRunTest, ChangingTheModuleOpensItAndLeavesTheCrateIndicator) {
    StartServer(TwoCrates());
    WantInSettings("CRB-200", 16);
    ShowAndDiscover();
    const QString crateTip = form->Ui.ZebCrateStatusLed->toolTip();

    Choose(form->Ui.ModulesComboBox, 0);
    EXPECT_TRUE(presenter.Boxes.empty());
    EXPECT_EQ(form->Device().Tables().SelectedModuleIndex[1], 0);
    EXPECT_EQ(form->Ui.ModuleSerialNumberLMDLabel->text(), "B03");
    EXPECT_EQ(form->Ui.ModuleFirmwareVersionLMDLabel->text(), "2.0.0.0");
    EXPECT_EQ(form->Ui.ZebCrateStatusLed->brushColor(), Orange);
    EXPECT_EQ(form->Ui.ZebCrateStatusLed->toolTip(), crateTip);
    ExpectMeasurementOffered();

    // Choosing the module that is open already starts nothing.
    form->Ui.ModulesComboBox->setCurrentIndex(0);
    emit form->Ui.ModulesComboBox->activated(0);
    EXPECT_TRUE(form->Device().RequestAllowed());
    EXPECT_EQ(form->Device().ThreadCount(), 0);
}

TEST_F(DiscoveryRunTest, ChangingTheCrateRebuildsTheModuleList) {
    StartServer(TwoCrates());
    WantInSettings("CRB-200", 16);
    ShowAndDiscover();

    Choose(form->Ui.ZebCratesComboBox, 0);
    EXPECT_TRUE(presenter.Boxes.empty());
    EXPECT_EQ(form->Device().Tables().SelectedCrateIndex, 0);
    EXPECT_EQ(Items(form->Ui.ModulesComboBox), QStringList({"Слот 2: ZEB44", "Слот 5: ZEB44"}));
    EXPECT_EQ(form->Ui.ModulesComboBox->currentIndex(), 0);
    EXPECT_EQ(form->Ui.ModuleSerialNumberLMDLabel->text(), "A02");
    EXPECT_EQ(form->Device().CrateOk(), true);
    EXPECT_EQ(form->Ui.ZebCrateStatusLed->brushColor(), Green);
    EXPECT_EQ(form->Ui.ZebCrateStatusLed->toolTip(), "Статус 'ZEB-N8' крейта -> OK");
    ExpectMeasurementOffered();
}

TEST_F(DiscoveryRunTest, AModuleThatRefusesTheOpenAfterAChangeIsReported) {
    StartServer(TwoCrates());
    WantInSettings("CRB-200", 16);
    ShowAndDiscover();
    // From now on the server's B03 (crate B, slot 3) and A02 (crate A, slot 2) refuse.
    zebtest::ZebsimProcess::Options options;
    options.scenarioJson = TwoCrates(false, false);
    zebtest::ZebsimProcess refusing(options);
    refusing.exportPort();

    Choose(form->Ui.ModulesComboBox, 0);  // mode 1
    ExpectOneBox(Mode1Text);
    EXPECT_EQ(form->Device().ModuleState(), TModuleState::None);
    EXPECT_NE(ZEB44_IsOpened(&form->Device().Module()), 0);
    ExpectUsableWithoutModule();

    presenter.Boxes.clear();
    Choose(form->Ui.ZebCratesComboBox, 0);  // mode 2
    ExpectOneBox(Mode2Text);
    EXPECT_EQ(form->Device().CrateOk(), false);
    EXPECT_EQ(form->Device().ModuleState(), TModuleState::None);  // the record is closed: no measurement offered
    EXPECT_EQ(Items(form->Ui.ModulesComboBox), QStringList({"Слот 2: ZEB44", "Слот 5: ZEB44"}));
    EXPECT_NE(ZEB44_IsOpened(&form->Device().Module()), 0);
    ExpectUsableWithoutModule();
}

TEST_F(DiscoveryRunTest, AModeTwoFailureAfterAnIdentifiedModuleOffersNoMeasurement) {
    StartServer(TwoCrates());
    WantInSettings("CRB-200", 16);
    ShowAndDiscover();
    ASSERT_EQ(form->Device().ModuleState(), TModuleState::Identified);
    zebtest::ZebsimProcess::Options options;
    options.scenarioJson = TwoCrates(false, true);
    zebtest::ZebsimProcess refusing(options);
    refusing.exportPort();

    Choose(form->Ui.ZebCratesComboBox, 0);
    ExpectOneBox(Mode2Text);
    EXPECT_EQ(form->Device().ModuleState(), TModuleState::None);
    ExpectUsableWithoutModule();
}

TEST_F(DiscoveryRunTest, FindDeviceKeepsTheCurrentSelection) {
    StartServer(TwoCrates());
    WantInSettings("CRB-200", 16);
    ShowAndDiscover();
    Choose(form->Ui.ModulesComboBox, 0);  // crate B, slot 3; the file still asks for slot 16
    ASSERT_EQ(form->Ui.ModuleSerialNumberLMDLabel->text(), "B03");

    form->Ui.FindDeviceLMDButton->click();
    WaitForRun();
    EXPECT_TRUE(presenter.Boxes.empty());
    EXPECT_EQ(form->Device().Tables().SelectedCrateIndex, 1);
    EXPECT_EQ(form->Device().Tables().SelectedModuleIndex[1], 0);
    EXPECT_EQ(form->Ui.ModulesComboBox->currentIndex(), 0);
    EXPECT_EQ(form->Ui.ModuleSerialNumberLMDLabel->text(), "B03");
    ExpectMeasurementOffered();
}

TEST_F(DiscoveryRunTest, TheRunEndsWithTheSettingsInTheControlsAndTheModule) {
    StartServer(TwoCrates());
    {
        // No file yet: the run writes the defaults (rate index 24) first.
        ShowAndDiscover();
        EXPECT_TRUE(QFileInfo::exists(QDir(dir.path()).filePath("Voltcheck.ini")));
        EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), 24);
        EXPECT_EQ(form->Device().Module().AdcRateIndex, 24);
        form->Ui.ApplicationExit->trigger();
        form.reset();
    }
    {
        inifile::TIniFile file(QDir(dir.path()).filePath("Voltcheck.ini").toStdString());
        file.WriteInteger("Модуль ZEB44", "АЦП. Индекс частоты работы АЦП", 10);
        file.WriteInteger("Модуль ZEB44", "АЦП. Групповое управление входным диапазоном", 2);
        file.WriteBool("Приложение. Общие", "Сохранение настроек", true);
        ASSERT_TRUE(file.Flush().ok);
    }
    ShowAndDiscover();
    EXPECT_TRUE(presenter.Boxes.empty());
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), 10);
    EXPECT_EQ(form->Ui.CommonInputRangeLMDComboBox->currentIndex(), 2);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(form->MultimeterPage().ChannelFrames()[i]->InputRangeLMDComboBox->currentIndex(), 2) << i;
    EXPECT_EQ(form->Device().Module().AdcRateIndex, 10);  // sent to the identified module
    EXPECT_TRUE(form->Ui.AutoSaveSettingsLMDCheckBox->isChecked());
    EXPECT_FALSE(form->Ui.SaveSettingsButton->isEnabled());  // saving happens on close
    EXPECT_TRUE(form->Ui.StartMultimeterLMDSpeedButton->isEnabled());
}

TEST_F(DiscoveryRunTest, ClosingDuringARunWaitsForItAndThenClosesTheModule) {
    StartServer(TwoCrates());
    WantInSettings("CRB-200", 16);
    struct Case {
        const char* name;
        std::function<bool(TMainForm&)> closeWhen;
    };
    const Case cases[] = {
        {"run started", [](TMainForm& f) { return f.Device().DiscoveryRunning(); }},
        {"search done, module not yet identified", [](TMainForm& f) { return f.Device().ModuleState() == TModuleState::Opened; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form = std::make_unique<TMainForm>();
        form->show();
        ASSERT_TRUE(PumpUntil([&] { return c.closeWhen(*form); }, 20000));
        ASSERT_EQ(form->Device().ThreadCount(), 1);
        form->Ui.ApplicationExit->trigger();  // close() -> FormClose
        EXPECT_EQ(form->Device().ThreadCount(), 0);
        EXPECT_FALSE(form->Device().DiscoveryRunning());
        EXPECT_NE(ZEB44_IsOpened(&form->Device().Module()), 0);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        // Nothing opens the record again afterwards.
        PumpUntil([] { return false; }, 300);
        EXPECT_NE(ZEB44_IsOpened(&form->Device().Module()), 0);
        form.reset();
    }
    EXPECT_TRUE(presenter.Boxes.empty());
}

}  // namespace

namespace {

TEST_F(DiscoveryTest, ARequestStillQueuedWhenTheWindowClosesStartsNoRun) {
    StartServer(TwoCrates());
    ShowAndDiscover();
    ASSERT_EQ(ZEB44_IsOpened(&form->Device().Module()), 0);
    form->Device().RequestDiscovery(TDiscoveryMode::FullSearch, false);  // posted, not yet handled
    form->close();
    EXPECT_NE(ZEB44_IsOpened(&form->Device().Module()), 0);
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(form->Device().ThreadCount(), 0);
    EXPECT_FALSE(form->Device().DiscoveryRunning());
    EXPECT_NE(ZEB44_IsOpened(&form->Device().Module()), 0);
}

}  // namespace

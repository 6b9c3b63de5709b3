// The window's settings steps: opening and creating the file for a discovery
// run, loading it into the controls and the module, saving, the defaults, the
// save handlers and their messages.
#include "SettingsFormFixture.h"

#include "settings/SettingsReader.h"

#include "AppTestSupport.h"
#include "ui/ValueEdit.h"
#include "support/ZebsimProcess.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <fstream>
#include <iterator>

namespace {

std::string ReadBinary(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Enabled unless switched off itself (its ancestors may be off while the window is not shown).
bool OwnEnabled(const QWidget* widget) { return !widget->testAttribute(Qt::WA_ForceDisabled); }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The module section as the default writer leaves it, with the given lines in front.
std::string ModuleSection(const std::string& lines) { return "[Модуль ZEB44]\n" + lines; }

}  // namespace

// --- Opening the file for a discovery run -----------------------------------

TEST_F(SettingsFormTest, FirstStartWritesTheDefaultFileByteForByte) {
    std::unique_ptr<inifile::TIniFile> file;
    std::string message;
    ASSERT_TRUE(form->Settings().OpenSettingsFile(file, message));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(message, "");
    EXPECT_TRUE(presenter.Boxes.empty());
    EXPECT_EQ(FileBytes(), ReadBinary(VOLTCHECK_DEFAULT_SETTINGS));
    EXPECT_EQ(file->Path(), SettingsPath().toStdString());
}

TEST_F(SettingsFormTest, FirstStartLoadsTheDefaultsIntoThePage) {
    ASSERT_TRUE(OpenAndLoad());
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), 24);
    EXPECT_EQ(form->Ui.AllChannelsLMDCheckBox->checkState(), Qt::Checked);
    EXPECT_EQ(form->Ui.CommonInputRangeLMDComboBox->currentIndex(), 0);
    EXPECT_EQ(form->Ui.CommonInputConnectionModeLMDComboBox->currentIndex(), 0);
    EXPECT_EQ(form->Ui.CommonComputationMethodLMDComboBox->currentIndex(), 0);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(Frame(i).ChannelNumberLMDCheckBox->isChecked());
        EXPECT_EQ(Frame(i).InputRangeLMDComboBox->currentIndex(), 0);
        EXPECT_EQ(Frame(i).ComputationMethodLMDComboBox->currentIndex(), 0);
        EXPECT_EQ(Frame(i).ComputationMethodLMDLabel->text(), "DC");
    }
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(form->Settings().Current().dcFormat[r], "0.00");
        EXPECT_EQ(form->Settings().Current().acFormat[r], "0.00");
        EXPECT_EQ(form->Settings().Current().frFormat[r], "0.00000");
    }
    EXPECT_EQ(form->Settings().Current().maxAcquisitionTime, 1.0);
    EXPECT_EQ(form->Settings().Current().computationMethod, computation::TMethod::Spectral);
    EXPECT_EQ(form->Settings().Current().amplitudeType, computation::TAmplitudeType::Rms);
    EXPECT_EQ(form->Ui.ComputationModeLabLMDLabel->text(), "fft");
    EXPECT_EQ(form->Ui.AmplitudeTypeLabLMDLabel->text(), "rms");
    EXPECT_FALSE(form->Ui.AutoSaveSettingsLMDCheckBox->isChecked());
    EXPECT_TRUE(presenter.Boxes.empty());
}

TEST_F(SettingsFormTest, AnExistingFileIsOpenedAsItIs) {
    WriteSettings("[Приложение. Общие]\nСохранение настроек=1\n");
    const std::string before = FileBytes();
    std::unique_ptr<inifile::TIniFile> file;
    std::string message;
    ASSERT_TRUE(form->Settings().OpenSettingsFile(file, message));
    EXPECT_EQ(FileBytes(), before);
    ASSERT_TRUE(form->Settings().LoadSettings(file.get(), false));
    EXPECT_TRUE(form->Ui.AutoSaveSettingsLMDCheckBox->isChecked());
}

TEST_F(SettingsFormTest, AFileThatCannotBeCreatedEndsTheRunWithItsMessage) {
    TSettingsController::SetSettingsDirectory(dir.path() + "/missing");
    std::unique_ptr<inifile::TIniFile> file;
    std::string message;
    EXPECT_FALSE(form->Settings().OpenSettingsFile(file, message));
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(message, "Не могу создать файл настроек!");
    EXPECT_TRUE(presenter.Boxes.empty());
    EXPECT_FALSE(form->Settings().LoadSettings(file.get(), false));
}

TEST_F(SettingsFormTest, AnUnreadableFileLoadsTheDefaultsAndIsNeverOverwritten) {
    // A directory where the file should be: it exists but cannot be read.
    ASSERT_TRUE(QDir(dir.path()).mkdir("Voltcheck.ini"));
    std::unique_ptr<inifile::TIniFile> file;
    std::string message;
    ASSERT_TRUE(form->Settings().OpenSettingsFile(file, message));
    ASSERT_EQ(presenter.Boxes.size(), 1u);
    EXPECT_EQ(presenter.Boxes[0].Caption, "ОШИБКА OpenSettingsFile()!");
    EXPECT_TRUE(presenter.Boxes[0].Text.contains("Voltcheck.ini"));
    ASSERT_TRUE(form->Settings().LoadSettings(file.get(), false));
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), 24);

    presenter.Boxes.clear();
    form->Settings().SaveIniFile(SettingsPath());
    ASSERT_EQ(presenter.Boxes.size(), 2u);
    EXPECT_TRUE(QFileInfo(SettingsPath()).isDir());
}

TEST_F(SettingsFormTest, AFileWhoseEncodingCannotBeToldIsNamedAndNeverOverwritten) {
    // ASCII text as UTF-16LE without a byte-order mark.
    std::string bytes;
    for (char c : std::string("[Settings]\r\nAutoSave=1\r\n")) bytes += {c, '\0'};
    {
        QFile out(SettingsPath());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_EQ(out.write(bytes.data(), static_cast<qint64>(bytes.size())), static_cast<qint64>(bytes.size()));
    }
    std::unique_ptr<inifile::TIniFile> file;
    std::string message;
    ASSERT_TRUE(form->Settings().OpenSettingsFile(file, message));
    ASSERT_EQ(presenter.Boxes.size(), 1u);
    EXPECT_EQ(presenter.Boxes[0].Caption, "ОШИБКА OpenSettingsFile()!");
    EXPECT_TRUE(presenter.Boxes[0].Text.contains(SettingsPath())) << presenter.Boxes[0].Text.toStdString();
    EXPECT_TRUE(presenter.Boxes[0].Text.contains("кодировку")) << presenter.Boxes[0].Text.toStdString();
    ASSERT_TRUE(form->Settings().LoadSettings(file.get(), false));
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), 24);

    form->Settings().SaveIniFile(SettingsPath());
    EXPECT_EQ(FileBytes(), bytes);
}

// --- Loading ------------------------------------------------------------------

TEST_F(SettingsFormTest, LoadingWithoutAFileObjectFails) {
    EXPECT_FALSE(form->Settings().LoadSettings(nullptr, false));
    EXPECT_FALSE(form->Settings().LoadModuleSettings(nullptr));
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), -1);
}

TEST_F(SettingsFormTest, PrecisionsAreLimitedAndOnlyTheTwoBlankKeyOf3VoltsCounts) {
    WriteSettings(ModuleSection("АЦП. Диапазон 10.00 В. DC precision=0\n"
                                "АЦП. Диапазон  3.00 В. DC precision=12\n"
                                "АЦП. Диапазон 3.00 В. AC precision=7\n"
                                "АЦП. Диапазон  3.00 В. FR precision=-1\n"
                                "АЦП. Диапазон  0.03 В. AC precision=$3\n"));
    ASSERT_TRUE(OpenAndLoad());
    EXPECT_EQ(form->Settings().Current().dcFormat[0], "0.");
    EXPECT_EQ(form->Settings().Current().dcFormat[1], "0.0000000000");
    EXPECT_EQ(form->Settings().Current().dcPrecision[1], 10);
    EXPECT_EQ(form->Settings().Current().acFormat[1], "0.00");  // the one-blank key is another key
    EXPECT_EQ(form->Settings().Current().frFormat[1], "0.0000000000");
    EXPECT_EQ(form->Settings().Current().frPrecision[1], 10);
    EXPECT_EQ(form->Settings().Current().acFormat[5], "0.000");
}

TEST_F(SettingsFormTest, BadValuesLoadAsDefaultsOrLeaveTheirListsWithoutSelection) {
    WriteSettings("garbage without equals sign\n[broken\n=no key\n" +
                  ModuleSection("АЦП. Метод расчёта=sum\n"
                                "АЦП. Индекс частоты работы АЦП=25\n"
                                "АЦП. Mаксимальное время сбора данных, с=1e999\n"
                                "АЦП. Групповое управление каналами=yes\n"
                                "АЦП. Групповое управление входным диапазоном=99999999999\n"
                                "АЦП. Управление входным диапазоном канала 2=6\n"
                                "АЦП. Управление входным диапазоном канала 3=0x2\n"
                                "АЦП. Групповое управление отсечкой=3\n"
                                "АЦП. Групповое управление методом вычисления параметров=-1\n"
                                "АЦП. Управление методом вычисления параметров для канала 4=1\n"));
    ASSERT_TRUE(OpenAndLoad());
    EXPECT_EQ(form->Settings().Current().computationMethod, computation::TMethod::WeightedSum);
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), -1);
    EXPECT_EQ(form->Settings().Current().maxAcquisitionTime, 1.0);
    // Unreadable group key: default true, so every channel is on.
    EXPECT_EQ(form->Ui.AllChannelsLMDCheckBox->checkState(), Qt::Checked);
    // Unreadable common range: default 0, copied to every channel.
    EXPECT_EQ(form->Ui.CommonInputRangeLMDComboBox->currentIndex(), 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Frame(i).InputRangeLMDComboBox->currentIndex(), 0);
    EXPECT_EQ(form->Ui.CommonInputConnectionModeLMDComboBox->currentIndex(), -1);
    EXPECT_EQ(form->Ui.CommonComputationMethodLMDLabel->text(), "DC");
    EXPECT_TRUE(form->Ui.CommonComputationMethodLMDComboBox->isHidden());
    EXPECT_EQ(form->Ui.CommonComputationMethodLMDComboBox->currentIndex(), -1);
    EXPECT_EQ(Frame(3).ComputationMethodLMDComboBox->currentIndex(), 1);
    EXPECT_EQ(Frame(3).ComputationMethodLMDLabel->text(), "DC");
    EXPECT_TRUE(presenter.Boxes.empty());
}

TEST_F(SettingsFormTest, WithoutCommonRangeEachChannelKeepsItsOwn) {
    WriteSettings(ModuleSection("АЦП. Групповое управление входным диапазоном=-1\n"
                                "АЦП. Управление входным диапазоном канала 1=1\n"
                                "АЦП. Управление входным диапазоном канала 2=5\n"
                                "АЦП. Управление входным диапазоном канала 3=6\n"));
    ASSERT_TRUE(OpenAndLoad());
    EXPECT_EQ(form->Ui.CommonInputRangeLMDComboBox->currentIndex(), -1);
    EXPECT_EQ(Frame(0).InputRangeLMDComboBox->currentIndex(), 1);
    EXPECT_EQ(Frame(1).InputRangeLMDComboBox->currentIndex(), 5);
    EXPECT_EQ(Frame(2).InputRangeLMDComboBox->currentIndex(), -1);
    EXPECT_EQ(Frame(3).InputRangeLMDComboBox->currentIndex(), 0);
}

TEST_F(SettingsFormTest, ChannelsSavedAsOneZeroOneOneLoadMixed) {
    WriteSettings(ModuleSection("АЦП. Групповое управление каналами=0\n"
                                "АЦП. Управление каналом 2=0\n"));
    ASSERT_TRUE(OpenAndLoad());
    EXPECT_EQ(form->Ui.AllChannelsLMDCheckBox->checkState(), Qt::PartiallyChecked);
    EXPECT_TRUE(Frame(0).ChannelNumberLMDCheckBox->isChecked());
    EXPECT_FALSE(Frame(1).ChannelNumberLMDCheckBox->isChecked());
}

TEST_F(SettingsFormTest, LoadingTheAutoSaveStateSwitchesTheSaveButton) {
    WriteSettings("[Приложение. Общие]\nСохранение настроек=$1\n");
    ASSERT_TRUE(OpenAndLoad());
    EXPECT_TRUE(form->Ui.AutoSaveSettingsLMDCheckBox->isChecked());
    EXPECT_FALSE(OwnEnabled(form->Ui.SaveSettingsButton));
    WriteSettings("[Приложение. Общие]\nСохранение настроек=0\n");
    ASSERT_TRUE(OpenAndLoad());
    EXPECT_TRUE(OwnEnabled(form->Ui.SaveSettingsButton));
    EXPECT_FALSE(form->Guard().Held());
}

TEST_F(SettingsFormTest, WithoutAnIdentifiedModuleNeitherCoefficientsNorModuleAreTouched) {
    TCoefficientPage::TCoefs five{};
    five.fill(5);
    settings::ApplicationSettings stored;
    stored.correctionCoefSource = 7;
    form->CoefficientPage().LoadCoefficientSource(stored);
    form->CoefficientPage().SetImages(five, five, five);
    ASSERT_TRUE(OpenAndLoad());
    EXPECT_EQ(form->CoefficientPage().CorrectionCoefSource(), 7);
    EXPECT_EQ(form->CoefficientPage().UserCoefs()[0], 5);
    EXPECT_EQ(form->Device().Module().AdcDivisor, 0);
    EXPECT_EQ(form->Device().Module().ChannelEnabled[0], 0);
}

TEST_F(SettingsFormTest, CoefficientSourceAndImages) {
    TCoefficientPage::TCoefs five{};
    TCoefficientPage::TCoefs six{};
    five.fill(5);
    six.fill(6);
    form->CoefficientPage().SetImages(six, five, five);
    WriteSettings("[Приложение. Общие]\nИсточник загрузки корректировочных коэфф.=3\n");
    std::unique_ptr<inifile::TIniFile> file;
    std::string message;
    ASSERT_TRUE(form->Settings().OpenSettingsFile(file, message));
    form->CoefficientPage().LoadCoefficientSource(settings::ReadApplicationSettings(*file));
    EXPECT_EQ(form->CoefficientPage().CorrectionCoefSource(), 3);
    for (const auto* image : {&form->CoefficientPage().WorkingCoefs(), &form->CoefficientPage().FactoryCoefs(), &form->CoefficientPage().UserCoefs()})
        for (uint8_t byte : *image) ASSERT_EQ(byte, 0);
    WriteSettings("[Приложение. Общие]\n");
    ASSERT_TRUE(form->Settings().OpenSettingsFile(file, message));
    form->CoefficientPage().LoadCoefficientSource(settings::ReadApplicationSettings(*file));
    EXPECT_EQ(form->CoefficientPage().CorrectionCoefSource(), 1);  // a missing key reads 1, the default file holds 0
}

// --- Saving -------------------------------------------------------------------

TEST_F(SettingsFormTest, SavedControlsLoadBackTheSame) {
    ASSERT_TRUE(OpenAndLoad());
    {  // set the controls without their handlers
        const TReentryGuard::TScope held = form->Guard().Hold();
        form->Ui.AdcRateComboBox->setCurrentIndex(5);
        Frame(1).ChannelNumberLMDCheckBox->setChecked(false);
        form->Ui.AllChannelsLMDCheckBox->setCheckState(Qt::PartiallyChecked);
        Frame(2).InputRangeLMDComboBox->setCurrentIndex(3);
        form->Ui.CommonInputRangeLMDComboBox->setCurrentIndex(-1);
        form->Ui.CommonInputConnectionModeLMDComboBox->setCurrentIndex(1);
        form->Ui.CommonComputationMethodLMDComboBox->setCurrentIndex(1);
    }
    form->Settings().SaveIniFile(SettingsPath());
    EXPECT_TRUE(presenter.Boxes.empty());
    const std::string text = FileText();
    EXPECT_TRUE(Contains(text, "АЦП. Групповое управление каналами=0\r\n"));
    EXPECT_TRUE(Contains(text, "АЦП. Групповое управление входным диапазоном=-1\r\n"));
    EXPECT_TRUE(Contains(text, "АЦП. Управление входным диапазоном канала 3=3\r\n"));

    auto other = std::make_unique<TMainForm>();
    std::unique_ptr<inifile::TIniFile> file;
    std::string message;
    ASSERT_TRUE(other->Settings().OpenSettingsFile(file, message));
    ASSERT_TRUE(other->Settings().LoadSettings(file.get(), false));
    EXPECT_EQ(other->Ui.AdcRateComboBox->currentIndex(), 5);
    EXPECT_EQ(other->Ui.AllChannelsLMDCheckBox->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(other->Ui.CommonInputRangeLMDComboBox->currentIndex(), -1);
    const int ranges[4] = {0, 0, 3, 0};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(other->MultimeterPage().ChannelFrames()[i]->ChannelNumberLMDCheckBox->isChecked(), i != 1);
        EXPECT_EQ(other->MultimeterPage().ChannelFrames()[i]->InputRangeLMDComboBox->currentIndex(), ranges[i]);
        EXPECT_EQ(other->MultimeterPage().ChannelFrames()[i]->ComputationMethodLMDLabel->text(), "AC");
    }
    EXPECT_EQ(other->Ui.CommonInputConnectionModeLMDComboBox->currentIndex(), 1);
    EXPECT_EQ(other->Ui.CommonComputationMethodLMDComboBox->currentIndex(), 1);
}

TEST_F(SettingsFormTest, SavingWithoutACrateKeepsTheDiscoveryKeysAndTheUnsavedOnes) {
    const std::string kept = "[Приложение. Обнаружение]\n"
                             "Серийный номер ZEB крейта=ZC0042\n"
                             "Слот модуля=7\n"
                             "Свой ключ=остаётся\n" +
                             ModuleSection("АЦП. Метод расчёта=sum\n"
                                           "АЦП. Тип амплитуды=amp\n"
                                           "АЦП. Mаксимальное время сбора данных, с=2.5\n"
                                           "АЦП. Диапазон  3.00 В. AC precision=4\n");
    WriteSettings(kept);
    form->move(123, 45);
    form->Settings().SaveIniFile(SettingsPath());
    EXPECT_TRUE(presenter.Boxes.empty());
    const std::string text = FileText();
    for (const char* line : {"Серийный номер ZEB крейта=ZC0042\r\n", "Слот модуля=7\r\n", "Свой ключ=остаётся\r\n",
                             "АЦП. Метод расчёта=sum\r\n", "АЦП. Тип амплитуды=amp\r\n",
                             "АЦП. Mаксимальное время сбора данных, с=2.5\r\n",
                             "АЦП. Диапазон  3.00 В. AC precision=4\r\n"})
        EXPECT_TRUE(Contains(text, line)) << line;
    EXPECT_TRUE(Contains(text, "Top    основной панели=" + std::to_string(form->y()) + "\r\n"));
    EXPECT_TRUE(Contains(text, "Left   основной панели=" + std::to_string(form->x()) + "\r\n"));
    EXPECT_FALSE(Contains(text, "DC precision"));
    EXPECT_FALSE(Contains(text, "Источник загрузки"));
}

TEST_F(SettingsFormTest, SavingWithACrateAndModuleWritesTheirSerialAndSlot) {
    TDiscoveryTables tables;
    tables.ListedCrateCount = 1;
    SetFieldText(tables.ListedCrateSerials[0], "T1");
    tables.ListedModuleCounts[0] = 2;
    tables.ListedModuleSlots[0][0] = 3;
    tables.ListedModuleSlots[0][1] = 9;
    tables.SelectedCrateIndex = 0;
    tables.SelectedModuleIndex[0] = 1;
    TakeDiscoveryTables(*form, tables);  // the lists: crate T1, its second module chosen
    form->Settings().SaveIniFile(SettingsPath());
    std::string text = FileText();
    EXPECT_TRUE(Contains(text, "Серийный номер ZEB крейта=T1\r\n"));
    EXPECT_TRUE(Contains(text, "Слот модуля=9\r\n"));

    // A crate without a selected module: the slot stays as it was.
    {
        const TReentryGuard::TScope held = form->Guard().Hold();
        form->Ui.ModulesComboBox->setCurrentIndex(-1);
    }
    WriteSettings("[Приложение. Обнаружение]\nСлот модуля=-1\n");
    form->Settings().SaveIniFile(SettingsPath());
    text = FileText();
    EXPECT_TRUE(Contains(text, "Серийный номер ZEB крейта=T1\r\n"));
    EXPECT_TRUE(Contains(text, "Слот модуля=-1\r\n"));
}

TEST_F(SettingsFormTest, ARefusedSaveNamesTheFileAndTheProgramGoesOn) {
    const QString path = dir.path() + "/missing/Voltcheck.ini";
    form->Settings().SaveIniFile(path);
    ASSERT_EQ(presenter.Boxes.size(), 2u);
    EXPECT_EQ(presenter.Boxes[0].Caption, "ОШИБКА SaveIniFile()!!!");
    EXPECT_TRUE(presenter.Boxes[0].Text.startsWith("Не могу сохранить файл настроек приложения!"));
    EXPECT_TRUE(presenter.Boxes[0].Text.contains("Voltcheck.ini"));
    EXPECT_EQ(presenter.Boxes[1].Caption, "ОШИБКА SaveIniFile()!!!");
    EXPECT_TRUE(presenter.Boxes[1].Text.startsWith("Не могу сохранить файл настроек модуля!"));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(form->Guard().Held());
}

TEST_F(SettingsFormTest, SaveButtonSavesAndIsEnabledAfterwards) {
    form->Settings().SaveClicked();
    EXPECT_TRUE(Contains(FileText(), "АЦП. Индекс частоты работы АЦП=-1\r\n"));
    EXPECT_TRUE(OwnEnabled(form->Ui.SaveSettingsButton));
    EXPECT_FALSE(form->Guard().Held());
}

TEST_F(SettingsFormTest, CtrlSWithAutoSaveOnSavesAndLeavesTheButtonEnabled) {
    form->Ui.AutoSaveSettingsLMDCheckBox->setChecked(true);
    ASSERT_FALSE(OwnEnabled(form->Ui.SaveSettingsButton));
    form->Ui.SaveCurrentSettings->trigger();
    EXPECT_TRUE(Contains(FileText(), "Сохранение настроек=1\r\n"));
    EXPECT_TRUE(OwnEnabled(form->Ui.SaveSettingsButton));
}

TEST_F(SettingsFormTest, SaveHandlersDoNothingWhileBusyButCtrlDDoes) {
    const TReentryGuard::TScope held = form->Guard().Hold();
    form->Ui.SaveCurrentSettings->trigger();
    EXPECT_FALSE(QFile::exists(SettingsPath()));
    form->Ui.SaveDefaultSettings->trigger();
    EXPECT_EQ(FileBytes(), ReadBinary(VOLTCHECK_DEFAULT_SETTINGS));
    EXPECT_TRUE(form->Guard().Held());
}

TEST_F(SettingsFormTest, CtrlDWritesTheDefaultsAndClosingWithAutoSaveWritesTheControls) {
    WriteSettings("[Приложение. Общие]\nСвой ключ=1\n" +
                  ModuleSection("АЦП. Метод расчёта=sum\nАЦП. Индекс частоты работы АЦП=3\n"));
    ASSERT_TRUE(OpenAndLoad());
    form->Ui.AutoSaveSettingsLMDCheckBox->setChecked(true);
    {
        const TReentryGuard::TScope held = form->Guard().Hold();
        form->Ui.AdcRateComboBox->setCurrentIndex(7);
    }

    form->Ui.SaveDefaultSettings->trigger();
    std::string text = FileText();
    EXPECT_TRUE(Contains(text, "Свой ключ=1\r\n"));
    EXPECT_TRUE(Contains(text, "АЦП. Метод расчёта=fft\r\n"));
    EXPECT_TRUE(Contains(text, "АЦП. Индекс частоты работы АЦП=24\r\n"));
    EXPECT_TRUE(Contains(text, "Сохранение настроек=0\r\n"));
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), 7);  // the controls keep their values
    EXPECT_EQ(form->Settings().Current().computationMethod, computation::TMethod::WeightedSum);

    form->FormClose();
    text = FileText();
    EXPECT_TRUE(Contains(text, "АЦП. Индекс частоты работы АЦП=7\r\n"));
    EXPECT_TRUE(Contains(text, "Сохранение настроек=1\r\n"));
    EXPECT_TRUE(Contains(text, "АЦП. Метод расчёта=fft\r\n"));
}

TEST_F(SettingsFormTest, DefaultFileMessages) {
    EXPECT_FALSE(form->Settings().CreateDefaultIniFile(QString()));
    EXPECT_TRUE(form->Settings().CreateDefaultIniFile(SettingsPath()));
    EXPECT_TRUE(QFile::exists(SettingsPath()));
    EXPECT_FALSE(form->Settings().CreateDefaultIniFile(dir.path() + "/missing/Voltcheck.ini"));
    ASSERT_EQ(presenter.Boxes.size(), 2u);
    EXPECT_EQ(presenter.Boxes[0].Caption, "ОШИБКА CreateDefaultIniFile()!");
    EXPECT_EQ(presenter.Boxes[0].Text, "Неправильное название файла штатных настроек!");
    EXPECT_EQ(presenter.Boxes[1].Caption, "ОШИБКА CreateDefaultIniFile()!");
    EXPECT_TRUE(presenter.Boxes[1].Text.startsWith("Не могу создать файл обычных настроек для приложения!"));
    EXPECT_TRUE(presenter.Boxes[1].Text.contains("Voltcheck.ini"));
}

TEST(SettingsFileNameTest, IsBesideTheExecutable) {
    TSettingsController::SetSettingsDirectory(QString());
    EXPECT_EQ(TSettingsController::SettingsFileName(),
              QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + "/Voltcheck.ini"));
}

// --- Sending the settings to the module (against zebsim) -------------------------

class ModuleSettingsTest : public SettingsFormTest {
protected:
    void OpenModule(const std::string& moduleExtra) {
        zebtest::ZebsimProcess::Options options;
        options.scenarioJson = zebtest::singleModuleScenario(moduleExtra);
        server = std::make_unique<zebtest::ZebsimProcess>(options);
        server->exportPort();
        ASSERT_EQ(ZEB44_Init(&form->Device().Module()), 0);
        ASSERT_EQ(ZEB44_Open(&form->Device().Module(), 0x7F000001, 11111, "T1", 1), 0);
        // The window takes the module as identified, as at the end of a discovery run.
        TDiscoveryRun run;
        run.Tables.ModuleState = TModuleState::Identified;
        form->Device().FinishDiscovery(run);
    }
    void TearDown() override {
        if (ZEB44_IsOpened(&form->Device().Module()) == 0) ZEB44_Close(&form->Device().Module());
        SettingsFormTest::TearDown();
        server.reset();
    }
    std::unique_ptr<zebtest::ZebsimProcess> server;
};

TEST_F(ModuleSettingsTest, TheLoadedSettingsReachTheModule) {
    OpenModule("");
    WriteSettings("[Приложение. Общие]\nИсточник загрузки корректировочных коэфф.=2\n" +
                  ModuleSection("АЦП. Индекс частоты работы АЦП=0\n"
                                "АЦП. Групповое управление каналами=0\n"
                                "АЦП. Управление каналом 1=0\n"
                                "АЦП. Управление каналом 3=0\n"
                                "АЦП. Групповое управление входным диапазоном=-1\n"
                                "АЦП. Управление входным диапазоном канала 2=2\n"
                                "АЦП. Групповое управление отсечкой=1\n"));
    ASSERT_TRUE(OpenAndLoad());
    EXPECT_EQ(form->CoefficientPage().CorrectionCoefSource(), 2);
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), 0);  // accepted
    const ModuleRecord& m = form->Device().Module();
    EXPECT_EQ(m.ChannelEnabled[0], 0);
    EXPECT_EQ(m.ChannelEnabled[1], 1);
    EXPECT_EQ(m.ChannelEnabled[2], 0);
    EXPECT_EQ(m.ChannelEnabled[3], 1);
    EXPECT_EQ(m.RangeCode[0], 4);
    EXPECT_EQ(m.RangeCode[1], 0);
    EXPECT_EQ(m.AdcRateIndex, 0);
    EXPECT_EQ(m.AdcDivisor, 15);
    EXPECT_EQ(m.Divider384, 1);
    EXPECT_EQ(m.DcCoupling, 0);
    EXPECT_EQ(m.OwnZero, 0);

    // The module streams exactly the two enabled channels.
    ASSERT_EQ(ZEB44_StartADC(&form->Device().Module(), 0), 0);
    uint32_t words[64] = {};
    ASSERT_EQ(ZEB44_Recv(&form->Device().Module(), words, nullptr, 64, 2000), 64);
    ZEB44_StopADC(&form->Device().Module());
    for (int k = 0; k < 64; ++k) ASSERT_EQ((words[k] >> 24) & 3u, k % 2 == 0 ? 1u : 3u) << k;
    EXPECT_TRUE(presenter.Boxes.empty());
}

TEST_F(ModuleSettingsTest, ARejectedConfigurationEmptiesTheRateListSilently) {
    OpenModule(R"(,"faults":{"fail":["SetConfig"]})");
    ASSERT_TRUE(OpenAndLoad());
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), -1);
    EXPECT_TRUE(presenter.Boxes.empty());
    EXPECT_FALSE(form->Guard().Held());
}

TEST_F(ModuleSettingsTest, ListsWithoutSelectionSendTheFallbackRows) {
    OpenModule("");
    WriteSettings(ModuleSection("АЦП. Индекс частоты работы АЦП=-1\n"
                                "АЦП. Групповое управление входным диапазоном=-1\n"
                                "АЦП. Управление входным диапазоном канала 1=-1\n"
                                "АЦП. Управление входным диапазоном канала 2=5\n"
                                "АЦП. Групповое управление отсечкой=2\n"));
    form->Device().Module().DcCoupling = 1;
    ASSERT_TRUE(OpenAndLoad());
    EXPECT_EQ(form->Device().Module().AdcRateIndex, 24);
    EXPECT_EQ(form->Device().Module().AdcDivisor, 1);
    EXPECT_EQ(form->Device().Module().Divider384, 0);
    EXPECT_EQ(form->Device().Module().RangeCode[0], 4);
    EXPECT_EQ(form->Device().Module().RangeCode[1], 3);
    EXPECT_EQ(form->Device().Module().OwnZero, 1);
    EXPECT_EQ(form->Device().Module().DcCoupling, 1);
    // The module took it; the list still shows that no rate was chosen.
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), -1);
}

// --- A whole discovery run of a shown window (against zebsim) ------------------

class DiscoveryLoadTest : public SettingsFormTest {
protected:
    void Run(const std::string& moduleExtra) {
        zebtest::ZebsimProcess::Options options;
        options.scenarioJson = zebtest::singleModuleScenario(moduleExtra);
        server = std::make_unique<zebtest::ZebsimProcess>(options);
        server->exportPort();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        ASSERT_TRUE(PumpUntil(
            [&] {
                return form->StartupStage() == TStartupStage::DiscoveryRequested && form->Device().RequestAllowed() && !form->Device().DiscoveryRunning() &&
                       form->Device().ThreadCount() == 0;
            },
            15000));
    }
    void TearDown() override {
        if (form) form->Ui.ApplicationExit->trigger();
        SettingsFormTest::TearDown();
        server.reset();
    }
    std::unique_ptr<zebtest::ZebsimProcess> server;
};

TEST_F(DiscoveryLoadTest, FirstStartWithoutAFileLoadsTheDefaultsAndSendsThem) {
    Run("");
    EXPECT_TRUE(presenter.Boxes.empty());
    ASSERT_EQ(form->Device().ModuleState(), TModuleState::Identified);
    EXPECT_EQ(FileBytes(), ReadBinary(VOLTCHECK_DEFAULT_SETTINGS));
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), 24);
    EXPECT_EQ(form->Ui.AllChannelsLMDCheckBox->checkState(), Qt::Checked);
    EXPECT_EQ(form->Ui.CommonInputRangeLMDComboBox->currentIndex(), 0);
    EXPECT_EQ(form->Ui.CommonInputConnectionModeLMDComboBox->currentIndex(), 0);
    EXPECT_EQ(form->Ui.CommonComputationMethodLMDComboBox->currentIndex(), 0);
    EXPECT_TRUE(form->Ui.SaveSettingsButton->isEnabled());
    EXPECT_EQ(form->CoefficientPage().CorrectionCoefSource(), 0);
    EXPECT_EQ(form->Device().Module().AdcRateIndex, 24);
    EXPECT_EQ(form->Device().Module().DcCoupling, 1);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(form->Device().Module().ChannelEnabled[i], 1);
        EXPECT_EQ(form->Device().Module().RangeCode[i], 4);
        EXPECT_TRUE(Frame(i).Value1LMDEdit->isEnabled());
        EXPECT_EQ(Frame(i).ComputationMethodLMDLabel->text(), "DC");
    }
}

TEST_F(DiscoveryLoadTest, ARejectedRateLeavesTheRateListEmptyWithoutAMessage) {
    WriteSettings("[Приложение. Общие]\nСохранение настроек=1\n" +
                  ModuleSection("АЦП. Индекс частоты работы АЦП=3\n"));
    Run(R"(,"faults":{"fail":["SetConfig"]})");
    EXPECT_TRUE(presenter.Boxes.empty());
    ASSERT_EQ(form->Device().ModuleState(), TModuleState::Identified);
    EXPECT_EQ(form->Ui.AdcRateComboBox->currentIndex(), -1);
    EXPECT_TRUE(form->Ui.AutoSaveSettingsLMDCheckBox->isChecked());
    EXPECT_FALSE(form->Ui.SaveSettingsButton->isEnabled());
}

TEST_F(DiscoveryLoadTest, CtrlSAndCtrlDReachTheirHandlersThroughTheKeyboard) {
    WriteSettings("[Приложение. Общие]\nСохранение настроек=1\n");
    Run("");
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    {
        const TReentryGuard::TScope held = form->Guard().Hold();
        form->Ui.AdcRateComboBox->setCurrentIndex(7);
    }
    ASSERT_FALSE(form->Ui.SaveSettingsButton->isEnabled());
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(Contains(FileText(), "АЦП. Индекс частоты работы АЦП=7\r\n"));
    EXPECT_TRUE(form->Ui.SaveSettingsButton->isEnabled());
    QTest::keyClick(form.get(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(Contains(FileText(), "АЦП. Индекс частоты работы АЦП=24\r\n"));
    EXPECT_TRUE(Contains(FileText(), "Сохранение настроек=0\r\n"));
    EXPECT_TRUE(presenter.Boxes.empty());
}

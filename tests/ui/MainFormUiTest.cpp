// The window's static control tree: names, the design rectangles that the window's
// construction steps compute with, texts, fonts, pages and the popup menu.
#include "ui/CaptionGroupBox.h"
#include "ui/CircleShape.h"
#include "ui/EntryEdit.h"
#include "ui/MainFormUi.h"
#include "ui/RadioGroup.h"
#include "ui/SpeedButton.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFontInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <memory>
#include <utility>
#include <vector>

namespace {

class MainFormUiTest : public testing::Test
{
protected:
    MainFormUiTest()
        : Form(std::make_unique<QMainWindow>())
    {
        Ui.setupUi(Form.get());
    }

    template <typename T = QWidget>
    T* Named(const char* name) const
    {
        return Form->findChild<T*>(QString::fromLatin1(name));
    }

    std::unique_ptr<QMainWindow> Form;
    TMainFormUi Ui;
};

#define MEMBER(m) std::pair<const char*, QObject*>(#m, Ui.m)

TEST_F(MainFormUiTest, EveryControlCarriesItsMemberNameOnce)
{
    const std::vector<std::pair<const char*, QObject*>> members{
        MEMBER(ModuleDetectionLMDGroupBox), MEMBER(FindDeviceLMDButton), MEMBER(SelectedModuleLMDSimplePanel),
        MEMBER(ZebCratesLabLMDLabel), MEMBER(ZebCratesComboBox), MEMBER(ModulesLabLMDLabel), MEMBER(ModulesComboBox),
        MEMBER(ZebCrateStatusLed), MEMBER(ModuleStatusLed), MEMBER(ModuleSerialNumberLabLMDLabel),
        MEMBER(ModuleFirmwareVersionLabLMDLabel), MEMBER(ModuleSerialNumberLMDLabel),
        MEMBER(ModuleFirmwareVersionLMDLabel), MEMBER(Bevel3), MEMBER(GeneratorStatusLed), MEMBER(VoltmeterStatusLed),
        MEMBER(StartMultimeterLMDSimplePanel), MEMBER(StartMultimeterLMDSpeedButton), MEMBER(SaveIniSettingLMDGroupBox),
        MEMBER(AutoSaveSettingsLMDCheckBox), MEMBER(SaveSettingsButton), MEMBER(MainLMDSimplePanel),
        MEMBER(MainLMDPageControl), MEMBER(MultimeterLMDTabSheet), MEMBER(CorrectionFactorsLMDTabSheet),
        MEMBER(VerificationLMDTabSheet), MEMBER(MultimeterLMDSimplePanel), MEMBER(AdcStreamLMDSimplePanel),
        MEMBER(AdcGroupParsLMDGroupBox), MEMBER(ChannelCommonParsLMDSimplePanel), MEMBER(AllChannelsLMDCheckBox),
        MEMBER(CommonInputRangeLabLMDComboBox), MEMBER(CommonInputRangeLMDComboBox),
        MEMBER(CommonMeasuringMethodLabLMDComboBox), MEMBER(CommonComputationMethodLMDComboBox),
        MEMBER(CommonComputationMethodLMDLabel), MEMBER(CommonParsLMDSimplePanel),
        MEMBER(CommonInputConnectionModeLabLMDComboBox), MEMBER(CommonInputConnectionModeLMDComboBox),
        MEMBER(RatesUnitLabLMDLabel), MEMBER(AdcRateComboBox), MEMBER(AcquisitionTimeLMDSimplePanel),
        MEMBER(AcquisitionTimeLabLMDLabel), MEMBER(AcquisitionTimeLMDLabel), MEMBER(ComputationInfoLMDSimplePanel),
        MEMBER(ComputationModeLabLMDLabel), MEMBER(AmplitudeTypeLabLMDLabel), MEMBER(AdcIndividualParsLMDGroupBox),
        MEMBER(EquipmentLMDSimplePanel), MEMBER(GeneratorLMDGroupBox), MEMBER(ChannelNumberLMDLabel),
        MEMBER(GeneratorChannelStateLMDRadioGroup), MEMBER(SignalAmpltudeGeneratorLabLMDLabel),
        MEMBER(SignalAmpltudeGeneratorLMDEdit), MEMBER(SignalFrequencyGeneratorLabLMDLabel),
        MEMBER(SignalFrequencyGeneratorLMDEdit), MEMBER(VoltmeterLMDGroupBox), MEMBER(AcDcVoltmeterModeLMDRadioGroup),
        MEMBER(AcFilterVoltmeterLMDComboBox), MEMBER(VoltmeterValueUnitLMDLabel), MEMBER(VoltmeterValueLMDLabel),
        MEMBER(EmptyLMDSimplePanel), MEMBER(PopupMenu), MEMBER(RebootDeviceMenuItem), MEMBER(BreakLine1),
        MEMBER(SaveDefaultSettings), MEMBER(SaveCurrentSettings), MEMBER(ReadingLogMenuItem),
        MEMBER(AutoResumeMenuItem), MEMBER(BreakLine2),
        MEMBER(AboutProgram), MEMBER(SignalViewMenuItem), MEMBER(LimitsMenuItem), MEMBER(SignalViewBreakLine), MEMBER(BreakLine3),
        MEMBER(ApplicationExit)};
    for (const auto& [name, object] : members) {
        ASSERT_NE(object, nullptr) << name;
        EXPECT_EQ(object->objectName(), QString::fromLatin1(name));
        EXPECT_EQ(Form->findChildren<QObject*>(QString::fromLatin1(name)).size(), 1) << name;
    }
}

TEST_F(MainFormUiTest, WindowDesign)
{
    EXPECT_EQ(Form->windowTitle(), QStringLiteral("ZEB44"));
    EXPECT_EQ(Form->size(), QSize(1130, 576));
    EXPECT_EQ(Ui.CentralWidget->size(), QSize(1130, 576));
    EXPECT_EQ(Form->font().pixelSize(), 20);
    EXPECT_EQ(Form->font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(Ui.ModuleDetectionLMDGroupBox->geometry(), QRect(0, 0, 1130, 77));
    EXPECT_EQ(Ui.MainLMDSimplePanel->geometry(), QRect(0, 77, 1130, 499));
    EXPECT_EQ(Ui.MainLMDPageControl->geometry(), QRect(0, 0, 1130, 499));
}

// The rectangles (and parents) the construction steps compute with: the top-strip trim,
// the multimeter page trim, the shift of the parameter panels and the frame placement.
TEST_F(MainFormUiTest, DesignRectanglesThatTheConstructionUses)
{
    struct Case
    {
        QWidget* control;
        QWidget* parent;
        QRect rect;
    };
    const std::vector<Case> cases{
        {Ui.SelectedModuleLMDSimplePanel, Ui.ModuleDetectionLMDGroupBox, QRect(163, 3, 523, 72)},
        {Ui.Bevel3, Ui.SelectedModuleLMDSimplePanel, QRect(488, 3, 4, 67)},
        {Ui.GeneratorStatusLed, Ui.SelectedModuleLMDSimplePanel, QRect(494, 6, 25, 25)},
        {Ui.VoltmeterStatusLed, Ui.SelectedModuleLMDSimplePanel, QRect(494, 38, 25, 25)},
        {Ui.StartMultimeterLMDSimplePanel, Ui.ModuleDetectionLMDGroupBox, QRect(686, 3, 200, 72)},
        {Ui.StartMultimeterLMDSpeedButton, Ui.StartMultimeterLMDSimplePanel, QRect(6, 7, 190, 60)},
        {Ui.SaveIniSettingLMDGroupBox, Ui.ModuleDetectionLMDGroupBox, QRect(886, 3, 242, 72)},
        {Ui.MultimeterLMDSimplePanel, Ui.MultimeterLMDTabSheet, QRect(109, 9, 900, 438)},
        {Ui.AdcStreamLMDSimplePanel, Ui.MultimeterLMDSimplePanel, QRect(2, 2, 896, 336)},
        {Ui.EquipmentLMDSimplePanel, Ui.MultimeterLMDSimplePanel, QRect(2, 338, 896, 98)},
        {Ui.GeneratorLMDGroupBox, Ui.EquipmentLMDSimplePanel, QRect(2, 2, 436, 94)},
        {Ui.VoltmeterLMDGroupBox, Ui.EquipmentLMDSimplePanel, QRect(438, 2, 367, 94)},
        {Ui.ChannelCommonParsLMDSimplePanel, Ui.AdcGroupParsLMDGroupBox, QRect(34, 26, 285, 70)},
        {Ui.CommonParsLMDSimplePanel, Ui.AdcGroupParsLMDGroupBox, QRect(319, 26, 366, 70)},
        {Ui.AcquisitionTimeLMDSimplePanel, Ui.AdcGroupParsLMDGroupBox, QRect(685, 26, 126, 70)},
        {Ui.ComputationInfoLMDSimplePanel, Ui.AdcGroupParsLMDGroupBox, QRect(811, 26, 47, 70)},
        {Ui.AdcIndividualParsLMDGroupBox, Ui.AdcStreamLMDSimplePanel, QRect(2, 101, 892, 233)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.control->geometry(), c.rect) << c.control->objectName().toStdString();
        EXPECT_EQ(c.control->parentWidget(), c.parent) << c.control->objectName().toStdString();
    }
    // The figures the construction derives from them.
    EXPECT_EQ(Ui.SelectedModuleLMDSimplePanel->width() - Ui.Bevel3->x() - 1, 34);
    EXPECT_EQ(Ui.EquipmentLMDSimplePanel->height(), 98);
    EXPECT_EQ((Ui.AcquisitionTimeLMDSimplePanel->width() + Ui.ComputationInfoLMDSimplePanel->width()) / 2, 86);
    const int frameWidth = 713, frameHeight = 40;
    EXPECT_EQ((Ui.AdcIndividualParsLMDGroupBox->width() - frameWidth) / 2, 89);
    EXPECT_EQ((Ui.AdcIndividualParsLMDGroupBox->height() - 4 * frameHeight) / 2 + 10, 46);
}

TEST_F(MainFormUiTest, ControlsStartVisibleAndEnabledAsDesigned)
{
    // Hiding belongs to the window's construction; the tree itself shows everything.
    for (QWidget* w : {static_cast<QWidget*>(Ui.Bevel3), static_cast<QWidget*>(Ui.GeneratorStatusLed),
                       static_cast<QWidget*>(Ui.EquipmentLMDSimplePanel),
                       static_cast<QWidget*>(Ui.AcquisitionTimeLMDSimplePanel),
                       static_cast<QWidget*>(Ui.AdcIndividualParsLMDGroupBox)})
        EXPECT_TRUE(w->isVisibleTo(Form.get())) << w->objectName().toStdString();
}

TEST_F(MainFormUiTest, TextsKeepTheirBlanks)
{
    EXPECT_EQ(Ui.StartMultimeterLMDSpeedButton->text(), QStringLiteral("С   Т   А   Р   Т"));
    EXPECT_EQ(Ui.AutoSaveSettingsLMDCheckBox->text(), QStringLiteral("    Авто Сохранение"));
    EXPECT_EQ(Ui.FindDeviceLMDButton->text(), QStringLiteral("Обнаружить"));
    EXPECT_EQ(Ui.SaveSettingsButton->text(), QStringLiteral("Сохранить"));
    EXPECT_EQ(Ui.SaveIniSettingLMDGroupBox->title(), QStringLiteral("Настройки"));
    EXPECT_EQ(Ui.AdcGroupParsLMDGroupBox->title(), QStringLiteral("Общие параметры"));
    EXPECT_EQ(Ui.AdcIndividualParsLMDGroupBox->title(), QStringLiteral("Индивидуальные параметры"));
    EXPECT_EQ(Ui.RatesUnitLabLMDLabel->text(), QStringLiteral("Частота преобра- зований АЦП, Гц"));
    EXPECT_EQ(Ui.ModuleSerialNumberLMDLabel->text(), QStringLiteral("????????"));
    EXPECT_EQ(Ui.ModuleFirmwareVersionLMDLabel->text(), QStringLiteral("??.??.??.??"));
    ASSERT_EQ(Ui.CommonComputationMethodLMDComboBox->count(), 2);
    EXPECT_EQ(Ui.CommonComputationMethodLMDComboBox->itemText(0), QStringLiteral("    DC"));
    EXPECT_EQ(Ui.CommonComputationMethodLMDComboBox->itemText(1), QStringLiteral("    AC"));
    ASSERT_EQ(Ui.AcFilterVoltmeterLMDComboBox->count(), 3);
    EXPECT_EQ(Ui.AcFilterVoltmeterLMDComboBox->itemText(2), QStringLiteral(" > 200 Гц"));
    EXPECT_EQ(Ui.ModuleStatusLed->toolTip(), QStringLiteral("Статус модуля -> ???"));
    EXPECT_EQ(Ui.SignalFrequencyGeneratorLMDEdit->toolTip(), QStringLiteral("Для завершения ввода нажмите 'ENTER'"));
    EXPECT_TRUE(Ui.AllChannelsLMDCheckBox->isTristate()) << "greyed while the channels differ";
}

TEST_F(MainFormUiTest, FontsResolveToMetricTwinsAtTheirPixelHeights)
{
    struct Case
    {
        QWidget* control;
        const char* family;
        int pixels;
        bool bold;
    };
    for (const Case& c : std::vector<Case>{{Ui.FindDeviceLMDButton, "Arial", 24, false},
                                           {Ui.StartMultimeterLMDSpeedButton, "Times New Roman", 27, true},
                                           {Ui.ZebCratesComboBox, "Courier New", 16, true},
                                           {Ui.ModuleFirmwareVersionLMDLabel, "Courier New", 17, true},
                                           {Ui.AutoSaveSettingsLMDCheckBox, "Arial", 13, false}}) {
        const QString name = c.control->objectName();
        EXPECT_EQ(c.control->font().family(), QString::fromLatin1(c.family)) << name.toStdString();
        EXPECT_EQ(c.control->font().pixelSize(), c.pixels) << name.toStdString();
        EXPECT_EQ(c.control->font().bold(), c.bold) << name.toStdString();
        // The face really drawn: the named one or its metric twin, never a fallback of another width class.
        const QFontInfo shown(c.control->font());
        EXPECT_EQ(shown.pixelSize(), c.pixels) << name.toStdString();
        EXPECT_EQ(shown.fixedPitch(), QString::fromLatin1(c.family) == QStringLiteral("Courier New"))
            << name.toStdString() << " drawn as " << shown.family().toStdString();
    }
}

TEST_F(MainFormUiTest, ColoursAndCursors)
{
    EXPECT_EQ(Ui.FindDeviceLMDButton->palette().color(QPalette::ButtonText), QColor(0, 0, 128));
    EXPECT_EQ(Ui.SaveSettingsButton->palette().color(QPalette::ButtonText), QColor(0, 0, 128));
    EXPECT_EQ(Ui.StartMultimeterLMDSpeedButton->palette().color(QPalette::ButtonText), QColor(0, 128, 0));
    EXPECT_EQ(Ui.SaveIniSettingLMDGroupBox->captionColor(), QColor(128, 0, 0));
    EXPECT_EQ(Ui.GeneratorLMDGroupBox->captionColor(), QColor(0, 128, 128));
    // The caption colour stays on the caption; the children keep black text.
    EXPECT_EQ(Ui.AdcGroupParsLMDGroupBox->captionColor(), QColor(128, 0, 0));
    EXPECT_EQ(Ui.RatesUnitLabLMDLabel->palette().color(QPalette::WindowText), QColor(Qt::black));
    for (QWidget* w : {static_cast<QWidget*>(Ui.FindDeviceLMDButton), static_cast<QWidget*>(Ui.StartMultimeterLMDSpeedButton),
                       static_cast<QWidget*>(Ui.SaveSettingsButton)})
        EXPECT_EQ(w->cursor().shape(), Qt::PointingHandCursor) << w->objectName().toStdString();
}

TEST_F(MainFormUiTest, PagesInOrder)
{
    ASSERT_EQ(Ui.MainLMDPageControl->count(), 3);
    EXPECT_EQ(Ui.MainLMDPageControl->widget(0), Ui.MultimeterLMDTabSheet);
    EXPECT_EQ(Ui.MainLMDPageControl->widget(1), Ui.CorrectionFactorsLMDTabSheet);
    EXPECT_EQ(Ui.MainLMDPageControl->widget(2), Ui.VerificationLMDTabSheet);
    EXPECT_EQ(Ui.MainLMDPageControl->tabText(0), QStringLiteral("Мультиметр"));
    EXPECT_EQ(Ui.MainLMDPageControl->tabText(1), QStringLiteral("Коэффициенты"));
    EXPECT_EQ(Ui.MainLMDPageControl->tabText(2), QStringLiteral("Поверка"));
    EXPECT_EQ(Ui.MainLMDPageControl->currentIndex(), 0);
}

TEST_F(MainFormUiTest, StartButtonStaysDownUntilPressedAgain)
{
    TSpeedButton* start = Ui.StartMultimeterLMDSpeedButton;
    QSignalSpy clicked(start, &QAbstractButton::clicked);
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_TRUE(start->isDown());
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_FALSE(start->isDown());
    EXPECT_EQ(clicked.size(), 2);
}

TEST_F(MainFormUiTest, PopupMenuItemsAndShortCuts)
{
    const QList<QAction*> items = Ui.PopupMenu->actions();
    const std::vector<QAction*> expected{Ui.RebootDeviceMenuItem, Ui.BreakLine1, Ui.SaveDefaultSettings,
                                         Ui.SaveCurrentSettings, Ui.ReadingLogMenuItem, Ui.AutoResumeMenuItem,
                                         Ui.BreakLine2,
                                         Ui.SignalViewMenuItem, Ui.LimitsMenuItem, Ui.SignalViewBreakLine,
                                         Ui.AboutProgram,
                                         Ui.BreakLine3, Ui.ApplicationExit};
    ASSERT_EQ(items.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(items[static_cast<qsizetype>(i)], expected[i]) << i;
    for (QAction* separator : {Ui.BreakLine1, Ui.BreakLine2, Ui.SignalViewBreakLine, Ui.BreakLine3})
        EXPECT_TRUE(separator->isSeparator());

    struct Case
    {
        QAction* item;
        const char* caption;
        Qt::Key key;
    };
    for (const Case& c : std::vector<Case>{{Ui.RebootDeviceMenuItem, "Перезагрузка Изделия", Qt::Key_R},
                                           {Ui.SaveDefaultSettings, "Сохранение штатных настроек", Qt::Key_D},
                                           {Ui.SaveCurrentSettings, "Сохранение текущих настроек", Qt::Key_S},
                                           {Ui.ReadingLogMenuItem, "Запись показаний в файл…", Qt::Key_L},
                                           {Ui.AutoResumeMenuItem, "Автовозобновление при потере связи", Qt::Key_U},
                                           {Ui.SignalViewMenuItem, "Осциллограмма и спектр…", Qt::Key_G},
                                           {Ui.LimitsMenuItem, "Допуски и статистика…", Qt::Key_T},
                                           {Ui.AboutProgram, "О программе ...", Qt::Key_A},
                                           {Ui.ApplicationExit, "Выход", Qt::Key_Q}}) {
        EXPECT_EQ(c.item->text(), QString::fromUtf8(c.caption));
        EXPECT_EQ(c.item->shortcut(), QKeySequence(Qt::CTRL | c.key)) << c.caption;
        EXPECT_TRUE(Form->actions().contains(c.item)) << c.caption << ": short-cut must work outside the menu";
        EXPECT_EQ(c.item->font().bold(), c.item == Ui.RebootDeviceMenuItem) << c.caption;
    }
    EXPECT_EQ(Ui.ApplicationExit->toolTip(), QStringLiteral("Спокойный выход из программы"));
    EXPECT_TRUE(Ui.ReadingLogMenuItem->isCheckable());
    EXPECT_TRUE(Ui.AutoResumeMenuItem->isCheckable());
    EXPECT_EQ(Ui.StartMultimeterLMDSpeedButton->toolTip(),
              QStringLiteral("Запись показаний в файл: Ctrl+L\nАвтовозобновление при потере связи: Ctrl+U\n"
                             "Допуски и статистика: Ctrl+T"));
    EXPECT_TRUE(Ui.PopupMenu->toolTipsVisible());
}

TEST_F(MainFormUiTest, ShortCutReachesItsItemWithTheMenuClosed)
{
    Form->show();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    Ui.FindDeviceLMDButton->setFocus();
    QSignalSpy reboot(Ui.RebootDeviceMenuItem, &QAction::triggered);
    QSignalSpy exit(Ui.ApplicationExit, &QAction::triggered);
    QTest::keyClick(Form.get(), Qt::Key_R, Qt::ControlModifier);
    QTest::keyClick(Form.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(reboot.size(), 1);
    EXPECT_EQ(exit.size(), 1);
    EXPECT_FALSE(Ui.PopupMenu->isVisible());
}

TEST_F(MainFormUiTest, FileDialogsCarryTheDefaultExtension)
{
    std::unique_ptr<QFileDialog> save(TMainFormUi::CreateFileDialog(Form.get(), true));
    std::unique_ptr<QFileDialog> open(TMainFormUi::CreateFileDialog(Form.get(), false));
    EXPECT_EQ(save->defaultSuffix(), QStringLiteral("vq310rovodod"));
    EXPECT_EQ(open->defaultSuffix(), QStringLiteral("vq310rovodod"));
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(save->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(open->acceptMode(), QFileDialog::AcceptOpen);
}

} // namespace

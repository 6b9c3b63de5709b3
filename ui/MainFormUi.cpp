#include "ui/MainFormUi.h"

#include "ui/CaptionGroupBox.h"
#include "ui/CircleShape.h"
#include "ui/DesignHelpers.h"
#include "ui/EntryEdit.h"
#include "ui/RadioGroup.h"
#include "ui/SpeedButton.h"
#include "ui/UiStyle.h"
#include "ui/WrapCheckBox.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

using namespace design;
using namespace style;

namespace {

// Label with a line frame and its own background.
QLabel* FramedLabel(QWidget* parent, const char* name, int left, int top, int width, int height,
                    const QString& text, const QFont& font)
{
    QLabel* label = Label(parent, name, left, top, width, height, text, font);
    label->setFrameShape(QFrame::Box);
    label->setLineWidth(1);
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    return label;
}

QComboBox* List(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* list = Make<QComboBox>(parent, name, left, top, width, height);
    list->setEditable(false);   // choice only
    return list;
}

QAction* MenuItem(QMainWindow* form, QMenu* menu, const char* name, const QString& caption, QKeyCombination key)
{
    auto* action = new QAction(caption, form);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(QKeySequence(key));
    action->setShortcutContext(Qt::WindowShortcut);
    menu->addAction(action);
    form->addAction(action);   // the short-cut works anywhere in the window
    return action;
}

QAction* Separator(QMainWindow* form, QMenu* menu, const char* name)
{
    auto* action = new QAction(form);
    action->setObjectName(QString::fromLatin1(name));
    action->setSeparator(true);
    menu->addAction(action);
    return action;
}

} // namespace

void TMainFormUi::setupUi(QMainWindow* form)
{
    if (form->objectName().isEmpty())
        form->setObjectName(QStringLiteral("MainForm"));
    form->setWindowTitle(QStringLiteral("ZEB44"));
    form->setFont(SansFont(20));
    form->resize(DesignClientWidth, DesignClientHeight);

    CentralWidget = Make<QWidget>(form, "CentralWidget", 0, 0, DesignClientWidth, DesignClientHeight);
    form->setCentralWidget(CentralWidget);

    // ---- Top strip.
    ModuleDetectionLMDGroupBox = Make<QGroupBox>(CentralWidget, "ModuleDetectionLMDGroupBox", 0, 0, DesignClientWidth, 77);
    QWidget* strip = ModuleDetectionLMDGroupBox;

    FindDeviceLMDButton = Make<QPushButton>(strip, "FindDeviceLMDButton", 5, 5, 156, 68);
    FindDeviceLMDButton->setText(QStringLiteral("Обнаружить"));
    FindDeviceLMDButton->setFont(SansFont(24));
    SetColor(FindDeviceLMDButton, QPalette::ButtonText, Navy);
    FindDeviceLMDButton->setCursor(Qt::PointingHandCursor);

    SelectedModuleLMDSimplePanel = Panel(strip, "SelectedModuleLMDSimplePanel", 163, 3, 523, 72, TEdge::Raised);
    QWidget* sel = SelectedModuleLMDSimplePanel;
    ZebCratesLabLMDLabel = Label(sel, "ZebCratesLabLMDLabel", 4, 14, 55, 19, QStringLiteral("Крейт"), SansFont(15));
    ZebCratesComboBox = List(sel, "ZebCratesComboBox", 61, 11, 165, 26);
    ZebCratesComboBox->setFont(MonoFont(16, true));
    ModulesLabLMDLabel = Label(sel, "ModulesLabLMDLabel", 4, 41, 55, 19, QStringLiteral("Модуль"), SansFont(15));
    ModulesComboBox = List(sel, "ModulesComboBox", 61, 38, 165, 26);
    ModulesComboBox->setFont(MonoFont(16, true));
    ZebCrateStatusLed = Make<TCircleShape>(sel, "ZebCrateStatusLed", 228, 12, 23, 23);
    ZebCrateStatusLed->setBrushColor(FaceColor(form));
    ModuleStatusLed = Make<TCircleShape>(sel, "ModuleStatusLed", 228, 39, 23, 23);
    ModuleStatusLed->setToolTip(QStringLiteral("Статус модуля -> ???"));
    ModuleSerialNumberLabLMDLabel = WrappedLabel(sel, "ModuleSerialNumberLabLMDLabel", 262, 5, 66, 34,
                                                 QStringLiteral("Серийный номер"), SansFont(13));
    ModuleFirmwareVersionLabLMDLabel = WrappedLabel(sel, "ModuleFirmwareVersionLabLMDLabel", 365, 5, 105, 34,
                                                    QStringLiteral("Версия микропрограммы"), SansFont(13));
    ModuleSerialNumberLMDLabel = FramedLabel(sel, "ModuleSerialNumberLMDLabel", 254, 41, 107, 29,
                                             QStringLiteral("????????"), MonoFont(18, true));
    ModuleSerialNumberLMDLabel->setToolTip(QStringLiteral("Серийный номер модуля"));
    ModuleFirmwareVersionLMDLabel = FramedLabel(sel, "ModuleFirmwareVersionLMDLabel", 361, 41, 126, 29,
                                                QStringLiteral("??.??.??.??"), MonoFont(17, true));
    ModuleFirmwareVersionLMDLabel->setToolTip(QStringLiteral("Версия микропрограммы модуля"));
    Bevel3 = Panel(sel, "Bevel3", 488, 3, 4, 67, TEdge::Raised);
    GeneratorStatusLed = Make<TCircleShape>(sel, "GeneratorStatusLed", 494, 6, 25, 25);
    GeneratorStatusLed->setToolTip(QStringLiteral("Статус генератора -> ???"));
    VoltmeterStatusLed = Make<TCircleShape>(sel, "VoltmeterStatusLed", 494, 38, 25, 25);
    VoltmeterStatusLed->setToolTip(QStringLiteral("Статус мультиметра -> ???"));

    StartMultimeterLMDSimplePanel = Panel(strip, "StartMultimeterLMDSimplePanel", 686, 3, 200, 72, TEdge::None);
    StartMultimeterLMDSpeedButton = Make<TSpeedButton>(StartMultimeterLMDSimplePanel, "StartMultimeterLMDSpeedButton", 6, 7, 190, 60);
    StartMultimeterLMDSpeedButton->setText(QStringLiteral("С   Т   А   Р   Т"));
    StartMultimeterLMDSpeedButton->setFont(SerifFont(27, true));
    SetColor(StartMultimeterLMDSpeedButton, QPalette::ButtonText, DarkGreen);
    StartMultimeterLMDSpeedButton->setCursor(Qt::PointingHandCursor);
    // The popup menu opens only through its short-cuts once the module is found.
    StartMultimeterLMDSpeedButton->setToolTip(
        QStringLiteral("Запись показаний в файл: Ctrl+L\nАвтовозобновление при потере связи: Ctrl+U\n"
                       "Допуски и статистика: Ctrl+T"));

    SaveIniSettingLMDGroupBox = GroupBox(strip, "SaveIniSettingLMDGroupBox", 886, 3, 242, 72,
                                         QStringLiteral("Настройки"), Maroon, SansFont(20), false);
    auto* autoSave = Make<TWrapCheckBox>(SaveIniSettingLMDGroupBox, "AutoSaveSettingsLMDCheckBox", 3, 28, 97, 38);
    autoSave->setText(QStringLiteral("    Авто Сохранение"));
    autoSave->setFont(SansFont(13));
    AutoSaveSettingsLMDCheckBox = autoSave;
    SaveSettingsButton = Make<QPushButton>(SaveIniSettingLMDGroupBox, "SaveSettingsButton", 104, 25, 135, 44);
    SaveSettingsButton->setText(QStringLiteral("Сохранить"));
    SaveSettingsButton->setFont(SansFont(23));
    SetColor(SaveSettingsButton, QPalette::ButtonText, Navy);
    SaveSettingsButton->setCursor(Qt::PointingHandCursor);

    // ---- Main area: the page control fills the panel, which fills the rest of the client area.
    MainLMDSimplePanel = Panel(CentralWidget, "MainLMDSimplePanel", 0, 77, DesignClientWidth, DesignClientHeight - 77, TEdge::None);
    MainLMDPageControl = Make<TPageControl>(MainLMDSimplePanel, "MainLMDPageControl", 0, 0, DesignClientWidth, DesignClientHeight - 77);
    MainLMDPageControl->setFont(SansFont(20));
    MainLMDPageControl->tabBar()->setExpanding(false);
    MultimeterLMDTabSheet = new QWidget;
    MultimeterLMDTabSheet->setObjectName(QStringLiteral("MultimeterLMDTabSheet"));
    CorrectionFactorsLMDTabSheet = new QWidget;
    CorrectionFactorsLMDTabSheet->setObjectName(QStringLiteral("CorrectionFactorsLMDTabSheet"));
    VerificationLMDTabSheet = new QWidget;
    VerificationLMDTabSheet->setObjectName(QStringLiteral("VerificationLMDTabSheet"));
    MainLMDPageControl->addTab(MultimeterLMDTabSheet, QStringLiteral("Мультиметр"));
    MainLMDPageControl->addTab(CorrectionFactorsLMDTabSheet, QStringLiteral("Коэффициенты"));
    MainLMDPageControl->addTab(VerificationLMDTabSheet, QStringLiteral("Поверка"));

    CoefficientPage.setupUi(CorrectionFactorsLMDTabSheet);
    VerificationPage.setupUi(VerificationLMDTabSheet);

    // ---- Multimeter page.
    QWidget* page = MultimeterLMDTabSheet;
    MultimeterLMDSimplePanel = Make<QFrame>(page, "MultimeterLMDSimplePanel", 109, 9, 900, 438);
    MultimeterLMDSimplePanel->setFrameShape(QFrame::Box);
    MultimeterLMDSimplePanel->setFrameShadow(QFrame::Sunken);
    MultimeterLMDSimplePanel->setLineWidth(1);
    AdcStreamLMDSimplePanel = Panel(MultimeterLMDSimplePanel, "AdcStreamLMDSimplePanel", 2, 2, 896, 336, TEdge::None);

    AdcGroupParsLMDGroupBox = GroupBox(AdcStreamLMDSimplePanel, "AdcGroupParsLMDGroupBox", 2, 2, 892, 99,
                                       QStringLiteral("Общие параметры"), Maroon, SansFont(20), true);

    ChannelCommonParsLMDSimplePanel = Panel(AdcGroupParsLMDGroupBox, "ChannelCommonParsLMDSimplePanel", 34, 26, 285, 70, TEdge::Raised);
    ChannelCommonParsLMDSimplePanel->setFont(SansFont(18));
    QWidget* chp = ChannelCommonParsLMDSimplePanel;
    auto* allChannels = Make<TWrapCheckBox>(chp, "AllChannelsLMDCheckBox", 5, 3, 69, 62);
    allChannels->setMarkAbove(true);
    allChannels->setTristate(true);   // greyed while the channels differ
    allChannels->setText(QStringLiteral("Все каналы"));
    allChannels->setFont(SansFont(16, true));
    AllChannelsLMDCheckBox = allChannels;
    CommonInputRangeLabLMDComboBox = WrappedLabel(chp, "CommonInputRangeLabLMDComboBox", 88, 4, 81, 30,
                                                  QStringLiteral("Предел измерений"), SansFont(13));
    CommonInputRangeLMDComboBox = List(chp, "CommonInputRangeLMDComboBox", 79, 37, 100, 29);
    CommonInputRangeLMDComboBox->setMaxVisibleItems(6);
    CommonMeasuringMethodLabLMDComboBox = WrappedLabel(chp, "CommonMeasuringMethodLabLMDComboBox", 187, 4, 91, 30,
                                                       QStringLiteral("Режим измерений"), SansFont(13));
    CommonComputationMethodLMDComboBox = List(chp, "CommonComputationMethodLMDComboBox", 185, 37, 95, 29);
    CommonComputationMethodLMDComboBox->addItems({QStringLiteral("    DC"), QStringLiteral("    AC")});
    CommonComputationMethodLMDComboBox->setMaxVisibleItems(2);
    CommonComputationMethodLMDLabel = FramedLabel(chp, "CommonComputationMethodLMDLabel", 207, 38, 50, 26,
                                                  QString(), SansFont(19));
    CommonComputationMethodLMDLabel->setAutoFillBackground(false);
    CommonComputationMethodLMDLabel->setToolTip(QStringLiteral("Метод расчёта"));

    CommonParsLMDSimplePanel = Panel(AdcGroupParsLMDGroupBox, "CommonParsLMDSimplePanel", 319, 26, 366, 70, TEdge::Raised);
    QWidget* cp = CommonParsLMDSimplePanel;
    CommonInputConnectionModeLabLMDComboBox = Label(cp, "CommonInputConnectionModeLabLMDComboBox", 38, 8, 118, 25,
                                                    QStringLiteral("Режим работы"), SansFont(15));
    CommonInputConnectionModeLMDComboBox = List(cp, "CommonInputConnectionModeLMDComboBox", 4, 36, 215, 30);
    CommonInputConnectionModeLMDComboBox->setFont(SansFont(19));
    CommonInputConnectionModeLMDComboBox->setMaxVisibleItems(3);
    RatesUnitLabLMDLabel = WrappedLabel(cp, "RatesUnitLabLMDLabel", 229, 4, 130, 30,
                                        QStringLiteral("Частота преобра- зований АЦП, Гц"), SansFont(13));
    AdcRateComboBox = List(cp, "AdcRateComboBox", 228, 37, 134, 30);
    AdcRateComboBox->setFont(SansFont(19));
    AdcRateComboBox->setMaxVisibleItems(11);

    AcquisitionTimeLMDSimplePanel = Panel(AdcGroupParsLMDGroupBox, "AcquisitionTimeLMDSimplePanel", 685, 26, 126, 70, TEdge::Raised);
    AcquisitionTimeLabLMDLabel = WrappedLabel(AcquisitionTimeLMDSimplePanel, "AcquisitionTimeLabLMDLabel", 4, 3, 118, 30,
                                              QStringLiteral("Время сбора, мс"), SansFont(13));
    AcquisitionTimeLabLMDLabel->setAlignment(Qt::AlignCenter);
    AcquisitionTimeLMDLabel = FramedLabel(AcquisitionTimeLMDSimplePanel, "AcquisitionTimeLMDLabel", 4, 36, 118, 29,
                                          QString(), MonoFont(18, true));
    ComputationInfoLMDSimplePanel = Panel(AdcGroupParsLMDGroupBox, "ComputationInfoLMDSimplePanel", 811, 26, 47, 70, TEdge::Raised);
    ComputationModeLabLMDLabel = Label(ComputationInfoLMDSimplePanel, "ComputationModeLabLMDLabel", 4, 5, 39, 27,
                                       QString(), MonoFont(17, true));
    ComputationModeLabLMDLabel->setAlignment(Qt::AlignCenter);
    ComputationModeLabLMDLabel->setToolTip(QStringLiteral("Метод расчёта"));
    AmplitudeTypeLabLMDLabel = Label(ComputationInfoLMDSimplePanel, "AmplitudeTypeLabLMDLabel", 4, 38, 39, 27,
                                     QString(), MonoFont(17, true));
    AmplitudeTypeLabLMDLabel->setAlignment(Qt::AlignCenter);
    AmplitudeTypeLabLMDLabel->setToolTip(QStringLiteral("Тип амплитуды"));

    AdcIndividualParsLMDGroupBox = GroupBox(AdcStreamLMDSimplePanel, "AdcIndividualParsLMDGroupBox", 2, 101, 892, 233,
                                            QStringLiteral("Индивидуальные параметры"), Maroon, SansFont(20), true);

    // ---- External instruments, below the parameter groups.
    EquipmentLMDSimplePanel = Panel(MultimeterLMDSimplePanel, "EquipmentLMDSimplePanel", 2, 338, 896, 98, TEdge::None);
    QWidget* eq = EquipmentLMDSimplePanel;

    GeneratorLMDGroupBox = GroupBox(eq, "GeneratorLMDGroupBox", 2, 2, 436, 94, QStringLiteral("Генератор 3407"), Teal, SansFont(20), false);
    QWidget* gen = GeneratorLMDGroupBox;
    ChannelNumberLMDLabel = Label(gen, "ChannelNumberLMDLabel", 4, 43, 40, 28, QStringLiteral("???"), SansFont(20));
    ChannelNumberLMDLabel->setToolTip(QStringLiteral("Номер выходного канала генератора"));
    GeneratorChannelStateLMDRadioGroup = Make<TRadioGroup>(gen, "GeneratorChannelStateLMDRadioGroup", 48, 41, 120, 32);
    GeneratorChannelStateLMDRadioGroup->setItems({QStringLiteral("ON"), QStringLiteral("OFF")}, 2);
    GeneratorChannelStateLMDRadioGroup->setToolTip(QStringLiteral("Состояние выходного канала генератора"));
    SignalAmpltudeGeneratorLabLMDLabel = Label(gen, "SignalAmpltudeGeneratorLabLMDLabel", 182, 32, 139, 19,
                                               QStringLiteral("Напряжение (скз), В"), SansFont(15));
    SignalFrequencyGeneratorLabLMDLabel = Label(gen, "SignalFrequencyGeneratorLabLMDLabel", 182, 60, 140, 21,
                                                QStringLiteral("Частота, кГц"), SansFont(15));
    SignalAmpltudeGeneratorLMDEdit = Make<TEntryEdit>(gen, "SignalAmpltudeGeneratorLMDEdit", 323, 29, 110, 27);
    SignalFrequencyGeneratorLMDEdit = Make<TEntryEdit>(gen, "SignalFrequencyGeneratorLMDEdit", 323, 57, 110, 27);
    for (TEntryEdit* entry : {SignalAmpltudeGeneratorLMDEdit, SignalFrequencyGeneratorLMDEdit}) {
        entry->setText(QStringLiteral("CCCCCCCC"));
        entry->setFont(MonoFont(20, true));
        entry->setAlignment(Qt::AlignCenter);
        entry->setTextColor(Qt::black);
        entry->setToolTip(QStringLiteral("Для завершения ввода нажмите 'ENTER'"));
    }

    VoltmeterLMDGroupBox = GroupBox(eq, "VoltmeterLMDGroupBox", 438, 2, 367, 94, QStringLiteral("Мультиметр 34465A"), Teal, SansFont(20), false);
    QWidget* vm = VoltmeterLMDGroupBox;
    AcDcVoltmeterModeLMDRadioGroup = Make<TRadioGroup>(vm, "AcDcVoltmeterModeLMDRadioGroup", 3, 27, 175, 32);
    AcDcVoltmeterModeLMDRadioGroup->setItems({QStringLiteral("DC "), QStringLiteral("AC "), QStringLiteral("OFF")}, 3);
    AcDcVoltmeterModeLMDRadioGroup->setToolTip(QStringLiteral("Выбор режима работы вольтметра"));
    AcFilterVoltmeterLMDComboBox = List(vm, "AcFilterVoltmeterLMDComboBox", 25, 61, 126, 29);
    AcFilterVoltmeterLMDComboBox->addItems({QStringLiteral(" > 3 Гц"), QStringLiteral(" > 20 Гц"), QStringLiteral(" > 200 Гц")});
    AcFilterVoltmeterLMDComboBox->setToolTip(QStringLiteral("Выбор AC фильтра"));
    VoltmeterValueUnitLMDLabel = Label(vm, "VoltmeterValueUnitLMDLabel", 191, 22, 169, 20,
                                       QStringLiteral("Напряжение, мВ"), SansFont(16));
    VoltmeterValueLMDLabel = Label(vm, "VoltmeterValueLMDLabel", 191, 44, 169, 43,
                                   QStringLiteral("CCCCCCCC"), MonoFont(30, true));
    VoltmeterValueLMDLabel->setAutoFillBackground(true);
    SetColor(VoltmeterValueLMDLabel, QPalette::Window, Qt::black);
    SetColor(VoltmeterValueLMDLabel, QPalette::WindowText, BrightGreen);

    EmptyLMDSimplePanel = Panel(eq, "EmptyLMDSimplePanel", 805, 2, 89, 94, TEdge::None);

    // ---- Popup menu.
    PopupMenu = new QMenu(form);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    PopupMenu->setToolTipsVisible(true);
    RebootDeviceMenuItem = MenuItem(form, PopupMenu, "RebootDeviceMenuItem", QStringLiteral("Перезагрузка Изделия"),
                                    Qt::CTRL | Qt::Key_R);
    {
        QFont bold = RebootDeviceMenuItem->font();   // the default item
        bold.setBold(true);
        RebootDeviceMenuItem->setFont(bold);
    }
    BreakLine1 = Separator(form, PopupMenu, "BreakLine1");
    SaveDefaultSettings = MenuItem(form, PopupMenu, "SaveDefaultSettings", QStringLiteral("Сохранение штатных настроек"),
                                   Qt::CTRL | Qt::Key_D);
    SaveCurrentSettings = MenuItem(form, PopupMenu, "SaveCurrentSettings", QStringLiteral("Сохранение текущих настроек"),
                                   Qt::CTRL | Qt::Key_S);
    ReadingLogMenuItem = MenuItem(form, PopupMenu, "ReadingLogMenuItem", QStringLiteral("Запись показаний в файл…"),
                                  Qt::CTRL | Qt::Key_L);
    ReadingLogMenuItem->setCheckable(true);
    AutoResumeMenuItem = MenuItem(form, PopupMenu, "AutoResumeMenuItem",
                                  QStringLiteral("Автовозобновление при потере связи"), Qt::CTRL | Qt::Key_U);
    AutoResumeMenuItem->setCheckable(true);
    BreakLine2 = Separator(form, PopupMenu, "BreakLine2");
    SignalViewMenuItem = MenuItem(form, PopupMenu, "SignalViewMenuItem", QStringLiteral("Осциллограмма и спектр…"),
                                  Qt::CTRL | Qt::Key_G);
    LimitsMenuItem = MenuItem(form, PopupMenu, "LimitsMenuItem", QStringLiteral("Допуски и статистика…"),
                              Qt::CTRL | Qt::Key_T);
    SignalViewBreakLine = Separator(form, PopupMenu, "SignalViewBreakLine");
    AboutProgram = MenuItem(form, PopupMenu, "AboutProgram", QStringLiteral("О программе ..."), Qt::CTRL | Qt::Key_A);
    BreakLine3 = Separator(form, PopupMenu, "BreakLine3");
    ApplicationExit = MenuItem(form, PopupMenu, "ApplicationExit", QStringLiteral("Выход"), Qt::CTRL | Qt::Key_Q);
    ApplicationExit->setToolTip(QStringLiteral("Спокойный выход из программы"));

    MainLMDPageControl->setCurrentIndex(0);
}

QFileDialog* TMainFormUi::CreateFileDialog(QWidget* parent, bool save)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(save ? QStringLiteral("SaveFileLMDSaveDialog") : QStringLiteral("OpenFileLMDOpenDialog"));
    dialog->setDefaultSuffix(QStringLiteral("vq310rovodod"));
    dialog->selectFile(QStringLiteral("test"));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    if (save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setOption(QFileDialog::DontConfirmOverwrite, false);   // asks before overwriting
        dialog->setSizeGripEnabled(true);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    return dialog;
}

// The settings file of the window: opening it for a discovery run, loading it
// into the controls and the module, writing the defaults, saving the controls.
// The file format and the key names live in app/settings; this file maps them
// to the window's controls and shows the messages.
#include "app/MainForm.h"

#include "app/BusyScope.h"

#include "app/MessagePresenter.h"
#include "settings/SettingsPath.h"
#include "settings/SettingsReader.h"
#include "settings/SettingsWriter.h"
#include "ui/Zeb44AdcChannelFrame.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include <exception>
#include <new>
#include <optional>
#include <utility>

namespace {

// Tests only: replaces the executable's directory.
QString settingsDirectory;

const QString CreateDefaultCaption = "ОШИБКА CreateDefaultIniFile()!";
const QString SaveCaption = "ОШИБКА SaveIniFile()!!!";
const QString OpenCaption = "ОШИБКА OpenSettingsFile()!";

// The operator's message, then the settings file's own reason (which names the file).
QString WithReason(const QString& text, const inifile::IniStatus& status) {
    return status.message.empty() ? text : text + "\n" + QString::fromStdString(status.message);
}

// What SaveApplicationSettings takes from the window. The crate's serial only with a
// crate selected, the module's slot only with a module of that crate selected.
settings::ApplicationControls ApplicationControlsOf(const TMainForm& form) {
    settings::ApplicationControls controls;
    controls.autoSave = form.Ui.AutoSaveSettingsLMDCheckBox->isChecked();
    controls.windowTop = form.y();
    controls.windowLeft = form.x();
    const int crate = form.Ui.ZebCratesComboBox->currentIndex();
    if (crate < 0 || crate >= form.ListedCrateCount || crate >= TDiscoveryTables::MaxCrates) return controls;
    const auto c = static_cast<uint16_t>(crate);
    controls.selectedCrateSerial = FieldText(form.ListedCrateSerials[c]);
    const int module = form.Ui.ModulesComboBox->currentIndex();
    if (module >= 0 && form.HoldsModule(c, static_cast<uint16_t>(module)))
        controls.selectedModuleSlot = form.ListedModuleSlots[c][static_cast<uint16_t>(module)];
    return controls;
}

// What SaveModuleSettings takes from the multimeter page.
settings::ModuleControls ModuleControlsOf(const TMainForm& form) {
    settings::ModuleControls controls;
    controls.adcRateIndex = form.Ui.AdcRateComboBox->currentIndex();
    switch (form.Ui.AllChannelsLMDCheckBox->checkState()) {
    case Qt::Checked: controls.allChannels = settings::GroupCheck::Checked; break;
    case Qt::PartiallyChecked: controls.allChannels = settings::GroupCheck::Mixed; break;
    default: controls.allChannels = settings::GroupCheck::Unchecked; break;
    }
    controls.commonRangeIndex = form.Ui.CommonInputRangeLMDComboBox->currentIndex();
    controls.connectionModeIndex = form.Ui.CommonInputConnectionModeLMDComboBox->currentIndex();
    controls.commonMethodIndex = form.Ui.CommonComputationMethodLMDComboBox->currentIndex();
    for (std::size_t i = 0; i < form.ChannelFrames.size(); ++i) {
        const TZeb44AdcChannelFrame* frame = form.ChannelFrames[i];
        if (frame == nullptr) continue;
        controls.channelEnabled[i] = frame->ChannelNumberLMDCheckBox->isChecked();
        controls.channelRangeIndex[i] = frame->InputRangeLMDComboBox->currentIndex();
        controls.channelMethodIndex[i] = frame->ComputationMethodLMDComboBox->currentIndex();
    }
    return controls;
}

}  // namespace

void TMainForm::SetSettingsDirectory(const QString& directory) { settingsDirectory = directory; }

QString TMainForm::SettingsFileName() {
    if (!settingsDirectory.isEmpty()) return QDir::toNativeSeparators(settingsDirectory + "/" + "Voltcheck.ini");
    // Beside the program where it may write, else in the user's configuration folder,
    // which is made here so that the first save finds it.
    const QString path = QString::fromStdString(
        settings::ProgramSettingsFilePath(QCoreApplication::applicationDirPath().toStdString()));
    const QString folder = QFileInfo(path).absolutePath();
    if (folder != QCoreApplication::applicationDirPath()) QDir().mkpath(folder);
    return QDir::toNativeSeparators(path);
}

bool TMainForm::OpenSettingsFile(std::unique_ptr<inifile::TIniFile>& discoverySettingsFile, std::string& errorMessage) {
    discoverySettingsFile.reset();
    errorMessage.clear();
    const QString path = SettingsFileName();
    // 1. A missing file is created with the defaults.
    if (!QFileInfo::exists(path)) {
        QFile empty(path);
        if (!empty.open(QIODevice::WriteOnly)) {
            errorMessage = "Не могу создать файл настроек!";
            return false;
        }
        empty.close();
        if (!CreateDefaultIniFile(path)) return false;  // it has shown why; the run goes on
    }
    // 2. The run's own settings-file object.
    try {
        discoverySettingsFile = std::make_unique<inifile::TIniFile>(path.toStdString());
    } catch (const std::exception&) {
        errorMessage = "Не могу выделить память под файл настроек!";
        return false;
    }
    // A file that exists but cannot be read loads as the defaults; the operator is told
    // why, and no later save overwrites it (the file object refuses to).
    if (const inifile::IniStatus& status = discoverySettingsFile->LoadStatus(); !status.ok)
        ApplicationMessageBox(this, QString::fromStdString(status.message), OpenCaption,
                              TMessageBoxIcon::Information);
    return true;
}

bool TMainForm::LoadSettings(const inifile::TIniFile* settingsFile) {
    if (settingsFile == nullptr) return false;
    // The box's change handler runs as usual when this changes it.
    Ui.AutoSaveSettingsLMDCheckBox->setChecked(settings::ReadApplicationSettings(*settingsFile).autoSave);
    if (!LoadModuleSettings(settingsFile)) return false;
    if (ModuleState == 2) {
        LoadCoefficientSource(settingsFile);
        ApplyModuleSettings(settingsFile);
    }
    return true;
}

bool TMainForm::LoadModuleSettings(const inifile::TIniFile* settingsFile) {
    if (settingsFile == nullptr) return false;
    const settings::ModuleSettings stored = settings::ReadModuleSettings(*settingsFile);
    const settings::ModuleControls controls = settings::ResolveModuleControls(stored);

    ComputationMethod = stored.computationMethod;
    Ui.ComputationModeLabLMDLabel->setText(QString::fromLatin1(computation::MethodText(ComputationMethod)));
    AmplitudeType = stored.amplitudeType;
    Ui.AmplitudeTypeLabLMDLabel->setText(QString::fromLatin1(computation::AmplitudeTypeText(AmplitudeType)));
    Ui.AdcRateComboBox->setCurrentIndex(controls.adcRateIndex);
    MaxAcquisitionTime = stored.maxAcquisitionTime;
    for (std::size_t r = 0; r < DcFormat.size(); ++r) {
        DcPrecision[r] = stored.dcPrecision[r];
        AcPrecision[r] = stored.acPrecision[r];
        FrPrecision[r] = stored.frPrecision[r];
        DcFormat[r] = stored.dcFormat[r];
        AcFormat[r] = stored.acFormat[r];
        FrFormat[r] = stored.frFormat[r];
    }

    // From here on the controls' change handlers stay quiet.
    TBusyScope busy(Busy);
    Ui.AllChannelsLMDCheckBox->setCheckState(stored.allChannels ? Qt::Checked : Qt::Unchecked);
    Ui.CommonInputRangeLMDComboBox->setCurrentIndex(controls.commonRangeIndex);
    Ui.CommonInputConnectionModeLMDComboBox->setCurrentIndex(controls.connectionModeIndex);
    ShowCommonComputationMethod(controls.connectionModeIndex);
    Ui.CommonComputationMethodLMDComboBox->setCurrentIndex(controls.commonMethodIndex);
    for (int i = 0; i < static_cast<int>(ChannelFrames.size()); ++i) {
        TZeb44AdcChannelFrame* frame = ChannelFrames[i];
        if (frame == nullptr) continue;
        frame->ChannelNumberLMDCheckBox->setChecked(controls.channelEnabled[i]);
        frame->InputRangeLMDComboBox->setCurrentIndex(controls.channelRangeIndex[i]);
        frame->ComputationMethodLMDComboBox->setCurrentIndex(controls.channelMethodIndex[i]);
        ApplyChannelMode(i, controls.connectionModeIndex, controls.commonMethodIndex);
    }
    bool enabled = false;
    if (AllChannelsEnabledAlike(enabled))
        Ui.AllChannelsLMDCheckBox->setCheckState(enabled ? Qt::Checked : Qt::Unchecked);
    else
        Ui.AllChannelsLMDCheckBox->setCheckState(Qt::PartiallyChecked);
    return true;
}

bool TMainForm::LoadCoefficientSource(const inifile::TIniFile* settingsFile) {
    if (settingsFile == nullptr) return false;
    CorrectionCoefSource = settings::ReadApplicationSettings(*settingsFile).correctionCoefSource;
    WorkingCoefs.fill(0);
    FactoryCoefs.fill(0);
    UserCoefs.fill(0);
    ReadFactoryCoefs();
    WorkingCoefs = FactoryCoefs;
    return true;
}

bool TMainForm::ApplyModuleSettings(const inifile::TIniFile* settingsFile) {
    if (settingsFile == nullptr) return false;
    WriteModuleConfiguration();
    if (ZEB44_SetConfig(&Module) != 0) {
        // The module refused: the rate list shows that no rate is in force. No message.
        TBusyScope busy(Busy);
        Ui.AdcRateComboBox->setCurrentIndex(-1);
    }
    return true;
}

bool TMainForm::CreateDefaultIniFile(const QString& fileName) {
    SettingsFile.reset();
    if (fileName.isEmpty()) {
        ApplicationMessageBox(this, "Неправильное название файла штатных настроек!", CreateDefaultCaption,
                              TMessageBoxIcon::Information);
        return false;
    }
    const QString cannotCreate = "Не могу создать файл штатных настроек '" + fileName + "'!";
    try {
        SettingsFile = std::make_unique<inifile::TIniFile>(fileName.toStdString());
    } catch (const std::exception&) {
        ApplicationMessageBox(this, cannotCreate, CreateDefaultCaption, TMessageBoxIcon::Information);
        return false;
    }
    // A file that exists but cannot be read is not replaced by the defaults.
    if (const inifile::IniStatus& status = SettingsFile->LoadStatus(); !status.ok) {
        ApplicationMessageBox(this, WithReason(cannotCreate, status), CreateDefaultCaption,
                              TMessageBoxIcon::Information);
        return false;
    }
    try {
        if (const inifile::IniStatus status = settings::WriteDefaultApplicationSettings(*SettingsFile); !status.ok) {
            ApplicationMessageBox(this, WithReason("Не могу создать файл обычных настроек для приложения!", status),
                                  CreateDefaultCaption, TMessageBoxIcon::Information);
            return false;
        }
        if (const inifile::IniStatus status = settings::WriteDefaultModuleSettings(*SettingsFile); !status.ok) {
            ApplicationMessageBox(this, WithReason("Не могу создать файл обычных настроек для модуля!", status),
                                  CreateDefaultCaption, TMessageBoxIcon::Information);
            return false;
        }
    } catch (const std::exception&) {
        ApplicationMessageBox(this, cannotCreate, CreateDefaultCaption, TMessageBoxIcon::Information);
        return false;
    }
    return true;
}

void TMainForm::SaveIniFile(const QString& fileName) {
    try {
        SettingsFile.reset();
        SettingsFile = std::make_unique<inifile::TIniFile>(fileName.toStdString());
        if (const inifile::IniStatus status = settings::SaveApplicationSettings(*SettingsFile, ApplicationControlsOf(*this));
            !status.ok)
            ApplicationMessageBox(this, WithReason("Не могу сохранить файл настроек приложения!", status), SaveCaption,
                                  TMessageBoxIcon::Information);
        if (const inifile::IniStatus status = settings::SaveModuleSettings(*SettingsFile, ModuleControlsOf(*this));
            !status.ok)
            ApplicationMessageBox(this, WithReason("Не могу сохранить файл настроек модуля!", status), SaveCaption,
                                  TMessageBoxIcon::Information);
    } catch (const std::exception&) {
        ApplicationMessageBox(this, "Не могу сохранить файл настроек '" + fileName + "'!", SaveCaption,
                              TMessageBoxIcon::Information);
    }
}

void TMainForm::AutoSaveSettingsLMDCheckBoxChange() {
    if (Busy) return;
    Busy = true;
    Ui.SaveSettingsButton->setEnabled(!Ui.AutoSaveSettingsLMDCheckBox->isChecked());
    Busy = false;
}

void TMainForm::SaveSettingsButtonClick() {
    if (Busy) return;
    Busy = true;
    Ui.SaveSettingsButton->setEnabled(false);
    SaveIniFile(SettingsFileName());
    // Half a second with the button off shows that something was done.
    for (int pass = 0; pass < 10; ++pass) SleepAndProcessMessages();
    Ui.SaveSettingsButton->setEnabled(true);
    Busy = false;
}

void TMainForm::SaveCurrentSettingsClick() { SaveSettingsButtonClick(); }

void TMainForm::SaveDefaultSettingsClick() { CreateDefaultIniFile(SettingsFileName()); }

void TMainForm::BindSettingsHandlers() {
    connect(Ui.AutoSaveSettingsLMDCheckBox, &QCheckBox::stateChanged, this,
            [this] { AutoSaveSettingsLMDCheckBoxChange(); });
    connect(Ui.SaveSettingsButton, &QPushButton::clicked, this, [this] { SaveSettingsButtonClick(); });
    connect(Ui.SaveCurrentSettings, &QAction::triggered, this, [this] { SaveCurrentSettingsClick(); });
    connect(Ui.SaveDefaultSettings, &QAction::triggered, this, [this] { SaveDefaultSettingsClick(); });
}

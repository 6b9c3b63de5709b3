// The settings file of the window: opening it for a discovery run, loading it
// into the controls, writing the defaults, saving the controls.
#include "app/SettingsController.h"

#include "app/CoefficientPage.h"
#include "app/EventWait.h"
#include "app/MessagePresenter.h"
#include "app/MultimeterPage.h"
#include "settings/SettingsPath.h"
#include "settings/SettingsReader.h"
#include "settings/SettingsWriter.h"
#include "ui/MainFormUi.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include <exception>

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

}  // namespace

TSettingsController::TSettingsController(TMainFormUi& ui, QWidget* window, TReentryGuard& guard,
                                         TMultimeterPage& page, TCoefficientPage& coefficients,
                                         std::function<TSelection()> selection)
    : QObject(window),
      ui_(ui),
      window_(window),
      guard_(guard),
      page_(page),
      coefficients_(coefficients),
      selection_(std::move(selection)) {}

void TSettingsController::SetSettingsDirectory(const QString& directory) { settingsDirectory = directory; }

QString TSettingsController::SettingsFileName() {
    if (!settingsDirectory.isEmpty()) return QDir::toNativeSeparators(settingsDirectory + "/" + "Voltcheck.ini");
    // Beside the program where it may write, else in the user's configuration folder,
    // which is made here so that the first save finds it.
    const QString path = QString::fromStdString(
        settings::ProgramSettingsFilePath(QCoreApplication::applicationDirPath().toStdString()));
    const QString folder = QFileInfo(path).absolutePath();
    if (folder != QCoreApplication::applicationDirPath()) QDir().mkpath(folder);
    return QDir::toNativeSeparators(path);
}

bool TSettingsController::OpenSettingsFile(std::unique_ptr<inifile::TIniFile>& file, std::string& errorMessage) {
    file.reset();
    errorMessage.clear();
    const QString path = SettingsFileName();
    // A missing file is created with the defaults.
    if (!QFileInfo::exists(path)) {
        QFile empty(path);
        if (!empty.open(QIODevice::WriteOnly)) {
            errorMessage = "Не могу создать файл настроек!";
            return false;
        }
        empty.close();
        if (!CreateDefaultIniFile(path)) return false;  // it has shown why; the run goes on
    }
    try {
        file = std::make_unique<inifile::TIniFile>(path.toStdString());
    } catch (const std::exception&) {
        errorMessage = "Не могу выделить память под файл настроек!";
        return false;
    }
    // A file that exists but cannot be read loads as the defaults; the operator is told
    // why, and no later save overwrites it (the file object refuses to).
    if (const inifile::IniStatus& status = file->LoadStatus(); !status.ok)
        ApplicationMessageBox(window_, QString::fromStdString(status.message), OpenCaption,
                              TMessageBoxIcon::Information);
    return true;
}

bool TSettingsController::LoadSettings(const inifile::TIniFile* file, bool moduleIdentified) {
    if (file == nullptr) return false;
    // The box's change handler runs as usual when this changes it.
    ui_.AutoSaveSettingsLMDCheckBox->setChecked(settings::ReadApplicationSettings(*file).autoSave);
    ui_.AutoResumeMenuItem->setChecked(settings::ReadLinkSettings(*file).autoResume);
    if (setLimits_) setLimits_(settings::ReadLimitsSettings(*file));
    if (!LoadModuleSettings(file)) return false;
    if (moduleIdentified) coefficients_.LoadCoefficientSource(settings::ReadApplicationSettings(*file));
    return true;
}

bool TSettingsController::LoadModuleSettings(const inifile::TIniFile* file) {
    if (file == nullptr) return false;
    current_ = settings::ReadModuleSettings(*file);
    ui_.ComputationModeLabLMDLabel->setText(QString::fromLatin1(computation::MethodText(current_.computationMethod)));
    ui_.AmplitudeTypeLabLMDLabel->setText(QString::fromLatin1(computation::AmplitudeTypeText(current_.amplitudeType)));
    page_.ApplyControls(settings::ResolveModuleControls(current_), current_.allChannels);
    return true;
}

bool TSettingsController::CreateDefaultIniFile(const QString& fileName) {
    file_.reset();
    if (fileName.isEmpty()) {
        ApplicationMessageBox(window_, "Неправильное название файла штатных настроек!", CreateDefaultCaption,
                              TMessageBoxIcon::Information);
        return false;
    }
    const QString cannotCreate = "Не могу создать файл штатных настроек '" + fileName + "'!";
    try {
        file_ = std::make_unique<inifile::TIniFile>(fileName.toStdString());
    } catch (const std::exception&) {
        ApplicationMessageBox(window_, cannotCreate, CreateDefaultCaption, TMessageBoxIcon::Information);
        return false;
    }
    // A file that exists but cannot be read is not replaced by the defaults.
    if (const inifile::IniStatus& status = file_->LoadStatus(); !status.ok) {
        ApplicationMessageBox(window_, WithReason(cannotCreate, status), CreateDefaultCaption,
                              TMessageBoxIcon::Information);
        return false;
    }
    try {
        if (const inifile::IniStatus status = settings::WriteDefaultApplicationSettings(*file_); !status.ok) {
            ApplicationMessageBox(window_,
                                  WithReason("Не могу создать файл обычных настроек для приложения!", status),
                                  CreateDefaultCaption, TMessageBoxIcon::Information);
            return false;
        }
        if (const inifile::IniStatus status = settings::WriteDefaultModuleSettings(*file_); !status.ok) {
            ApplicationMessageBox(window_, WithReason("Не могу создать файл обычных настроек для модуля!", status),
                                  CreateDefaultCaption, TMessageBoxIcon::Information);
            return false;
        }
    } catch (const std::exception&) {
        ApplicationMessageBox(window_, cannotCreate, CreateDefaultCaption, TMessageBoxIcon::Information);
        return false;
    }
    return true;
}

void TSettingsController::SaveIniFile(const QString& fileName) {
    // The crate's serial only with a crate selected, the module's slot only with a
    // module of that crate selected.
    settings::ApplicationControls application;
    application.autoSave = ui_.AutoSaveSettingsLMDCheckBox->isChecked();
    application.windowTop = window_->y();
    application.windowLeft = window_->x();
    const TSelection selection = selection_();
    if (!selection.CrateSerial.empty()) {
        application.selectedCrateSerial = selection.CrateSerial;
        if (selection.ModuleSlot >= 0) application.selectedModuleSlot = selection.ModuleSlot;
    }
    try {
        file_.reset();
        file_ = std::make_unique<inifile::TIniFile>(fileName.toStdString());
        // The window's own section goes with the application's; one box says what failed.
        inifile::IniStatus status = settings::SaveApplicationSettings(*file_, application);
        if (status.ok) status = settings::SaveLinkSettings(*file_, {ui_.AutoResumeMenuItem->isChecked()});
        if (status.ok && getLimits_) status = settings::SaveLimitsSettings(*file_, getLimits_());
        if (!status.ok)
            ApplicationMessageBox(window_, WithReason("Не могу сохранить файл настроек приложения!", status),
                                  SaveCaption, TMessageBoxIcon::Information);
        if (const inifile::IniStatus status = settings::SaveModuleSettings(*file_, page_.Controls()); !status.ok)
            ApplicationMessageBox(window_, WithReason("Не могу сохранить файл настроек модуля!", status), SaveCaption,
                                  TMessageBoxIcon::Information);
    } catch (const std::exception&) {
        ApplicationMessageBox(window_, "Не могу сохранить файл настроек '" + fileName + "'!", SaveCaption,
                              TMessageBoxIcon::Information);
    }
}

void TSettingsController::SaveOnClose() {
    if (ui_.AutoSaveSettingsLMDCheckBox->isChecked()) SaveIniFile(SettingsFileName());
    file_.reset();
}

void TSettingsController::AutoSaveChanged() {
    const auto entered = guard_.Enter();
    if (!entered) return;
    ui_.SaveSettingsButton->setEnabled(!ui_.AutoSaveSettingsLMDCheckBox->isChecked());
}

void TSettingsController::SaveClicked() {
    const auto entered = guard_.Enter();
    if (!entered) return;
    ui_.SaveSettingsButton->setEnabled(false);
    SaveIniFile(SettingsFileName());
    // Half a second with the button off shows that something was done.
    for (int pass = 0; pass < 10; ++pass) SleepAndProcessMessages();
    ui_.SaveSettingsButton->setEnabled(true);
}

void TSettingsController::SaveDefaultsClicked() { CreateDefaultIniFile(SettingsFileName()); }

void TSettingsController::SetLimitsAccess(std::function<settings::LimitsSettings()> get,
                                          std::function<void(const settings::LimitsSettings&)> set) {
    getLimits_ = std::move(get);
    setLimits_ = std::move(set);
}

#pragma once

#include "app/ReentryGuard.h"
#include "IniFile/IniFile.h"
#include "settings/SettingsValues.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>

class QWidget;
class TCoefficientPage;
class TMainFormUi;
class TMultimeterPage;

// The window's settings file "Voltcheck.ini": where it is, opening it for a
// discovery run, loading it into the controls, writing the defaults, and saving
// the controls. It owns the module section's values that no control holds (the
// computation method and amplitude type, the frame time, the display patterns).
// The file format and the key names live in app/settings.
class TSettingsController : public QObject {
    Q_OBJECT
public:
    // What the application section takes from the window beside the save controls.
    struct TSelection {
        std::string CrateSerial;  // empty: no crate selected
        int ModuleSlot = -1;      // -1: no module of that crate selected
    };

    TSettingsController(TMainFormUi& ui, QWidget* window, TReentryGuard& guard, TMultimeterPage& page,
                        TCoefficientPage& coefficients, std::function<TSelection()> selection);

    // Full path of "Voltcheck.ini": in the folder SetSettingsDirectory gave, else beside
    // the program's executable when that folder is writable, else in
    // $XDG_CONFIG_HOME/Voltcheck (default ~/.config/Voltcheck, made when missing).
    static QString SettingsFileName();
    // Tests only: the settings file lives in directory instead; empty restores the default.
    static void SetSettingsDirectory(const QString& directory);

    // The module section's values in force (the defaults until the first load).
    const settings::ModuleSettings& Current() const { return current_; }

    // GUI, first step of a discovery run: creates the file with defaults when it is missing
    // and makes the run's settings-file object. True with file set; false with errorMessage
    // set: the run reports it and ends; false with errorMessage empty: the defaults could
    // not be written (a box said why), the run goes on without settings.
    bool OpenSettingsFile(std::unique_ptr<inifile::TIniFile>& file, std::string& errorMessage);
    // GUI, last step of a discovery run: the file's settings into the controls, and with a
    // module identified the coefficient source. False only without a file object.
    bool LoadSettings(const inifile::TIniFile* file, bool moduleIdentified);
    bool LoadModuleSettings(const inifile::TIniFile* file);
    // Writes the defaults into fileName; false (after a box) when it cannot.
    bool CreateDefaultIniFile(const QString& fileName);
    // Writes the current settings to fileName (boxes say what failed).
    void SaveIniFile(const QString& fileName);
    // The window closes: auto-save when ticked, then the file object goes.
    void SaveOnClose();

    // Where the bench-meter window's section goes: read at every load, written with the
    // application's sections.
    void SetLimitsAccess(std::function<settings::LimitsSettings()> get,
                         std::function<void(const settings::LimitsSettings&)> set);

    // Handlers.
    void AutoSaveChanged();
    void SaveClicked();
    void SaveDefaultsClicked();

private:
    TMainFormUi& ui_;
    QWidget* window_;
    TReentryGuard& guard_;
    TMultimeterPage& page_;
    TCoefficientPage& coefficients_;
    std::function<TSelection()> selection_;
    std::function<settings::LimitsSettings()> getLimits_;
    std::function<void(const settings::LimitsSettings&)> setLimits_;
    settings::ModuleSettings current_;
    // Made by SaveIniFile or CreateDefaultIniFile, kept until the next of them or the close.
    std::unique_ptr<inifile::TIniFile> file_;
};

// The device status display: caption, crate and module indicators with their
// tooltips, and the module's serial number and firmware version.
#include "app/DeviceController.h"

#include "app/ApplicationTitle.h"
#include "app/VersionInfo.h"
#include "instrument/Zeb44Tables.h"
#include "ui/UiStyle.h"
#include "ui/MainFormUi.h"
#include "ui/CircleShape.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QPalette>

namespace {

// The lamp of a crate whose data rate limits the ADC rate.
const QColor Orange(255, 158, 62);

// The system's button-face colour.
QColor Face() { return QApplication::palette().color(QPalette::Active, QPalette::Button); }

template <std::size_t N>
QString RecordText(const char (&field)[N]) {
    std::size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return QString::fromUtf8(field, static_cast<qsizetype>(n));
}

// The crate tooltip of a ZEB-K1: its data rate limits the ADC rate.
QString ThroughputNotice(const QString& crateName, const QString& moduleName) {
    return "Статус '" + crateName + "' крейта -> OK\nДля крейта '" + crateName +
           "' максимальная скорость передачи данных составляет 800 Кбайт/с.\nПоэтому для модуля '" + moduleName +
           "', например, при 4-х канальном сборе данных данных\nчастота АЦП не должна превышать 50.0 кГц!!!";
}

// The firmware version word, most significant byte first: "1.2.10.0".
QString FirmwareText(uint32_t version) {
    return QString("%1.%2.%3.%4")
        .arg((version >> 24) & 0xFF)
        .arg((version >> 16) & 0xFF)
        .arg((version >> 8) & 0xFF)
        .arg(version & 0xFF);
}

}  // namespace

void TDeviceController::ShowModuleLink(bool connected) {
    const QString name = QString::fromStdString(ModuleName());
    ui_.ModuleStatusLed->setBrushColor(connected ? style::BrightGreen : style::Red);
    ui_.ModuleStatusLed->setToolTip("Статус модуля '" + name + (connected ? "' -> OK" : "' -> связь потеряна"));
}

void TDeviceController::ShowDeviceStatus(const TDiscoveryRun& run, bool withDevice) {
    const TReentryGuard::TScope quiet = guard_.Hold();

    QString caption = CaptionPlaceholder;
    if (withDevice) {
        const TVersionInfo version = ProgramVersion();
        caption = QString("Voltcheck - %1.%2.%3").arg(version.Major).arg(version.Minor).arg(version.Release);
    }
    window_->setWindowTitle(caption);
    SetApplicationTitle(caption);

    const TDiscoveryMode mode = run.Mode;
    if (!withDevice && mode == TDiscoveryMode::FullSearch) ui_.ZebCratesComboBox->clear();

    const QString crateName = QString::fromStdString(run.Identity.CrateName);
    const QString moduleName = QString::fromStdString(run.Identity.ModuleName);

    // The crate indicator; a change of module leaves it as it was.
    if (mode != TDiscoveryMode::ModuleChanged) {
        TCircleShape* led = ui_.ZebCrateStatusLed;
        if (!withDevice) {
            led->setBrushColor(Face());
            led->setToolTip("Статус ZEB крейта -> ???");
        } else if (run.Tables.CrateOk == 0) {
            led->setBrushColor(style::Red);
            led->setToolTip("Статус ZEB крейта -> BAD");
        } else if (run.Identity.CrateTypeCode == instrument::SlowCrateTypeCode) {
            led->setBrushColor(Orange);
            led->setToolTip(ThroughputNotice(crateName, moduleName));
        } else {
            led->setBrushColor(style::BrightGreen);
            led->setToolTip("Статус '" + crateName + "' крейта -> OK");
        }
    }

    // The module indicator and the module's labels.
    {
        if (!withDevice && mode == TDiscoveryMode::FullSearch) ui_.ModulesComboBox->clear();

        const bool identified = run.Tables.ModuleState == TModuleState::Identified;
        TCircleShape* led = ui_.ModuleStatusLed;
        if (moduleName.isEmpty()) {
            if (!withDevice) {
                led->setBrushColor(Face());
                led->setToolTip("Статус модуля '?\?\?' -> ???");
            } else {
                led->setBrushColor(identified ? style::BrightGreen : style::Red);
                led->setToolTip(identified ? "Статус модуля '?\?\?' -> OK" : "Статус модуля '?\?\?' -> BAD");
            }
        } else {
            led->setBrushColor(identified ? style::BrightGreen : style::Red);
            led->setToolTip("Статус модуля '" + moduleName + (identified ? "' -> OK" : "' -> BAD"));
        }

        const bool shown = withDevice && identified;
        ui_.ModuleSerialNumberLMDLabel->setText(shown ? RecordText(module_.Serial) : QString("????????"));
        ui_.ModuleFirmwareVersionLMDLabel->setText(shown ? FirmwareText(module_.FirmwareVersion)
                                                        : QString("??.??.??.??"));
    }
}

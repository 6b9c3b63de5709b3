// The device status display, called as a discovery run calls it, on a window
// that is built but not shown (so no run of its own starts).
#include "RecordingPresenter.h"

#include "app/ApplicationTitle.h"
#include "AppParts.h"
#include "device/InitAndConfigThread.h"
#include "ui/CircleShape.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPalette>

#include <cstring>
#include <memory>
#include <string>

namespace {

const QColor Green(0, 255, 0);
const QColor Red(255, 0, 0);
const QColor Orange(255, 158, 62);
const QColor Blue(0, 0, 255);

QColor Face() { return QApplication::palette().color(QPalette::Active, QPalette::Button); }

class DeviceStatusTest : public testing::Test {
protected:
    void SetUp() override { form = std::make_unique<TMainForm>(); }

    // A run of the mode (3 full search, 2 crate changed, 1 module changed) with the
    // fields that an open of the module gives, and the module state it found.
    static TDiscoveryRun Run(uint16_t mode, uint8_t crateType = 0, std::string crateName = {},
                             std::string moduleName = {}, TModuleState state = TModuleState::None) {
        TDiscoveryRun run;
        run.Mode = static_cast<TDiscoveryMode>(mode);
        run.Identity.CrateTypeCode = crateType;
        run.Identity.CrateName = std::move(crateName);
        run.Identity.ModuleName = std::move(moduleName);
        run.Tables.ModuleState = state;
        return run;
    }
    void FillLists() {
        form->Ui.ZebCratesComboBox->addItem("1: C");
        form->Ui.ModulesComboBox->addItem("Слот 1: ZEB44");
    }

    TRecordingPresenter presenter;
    std::unique_ptr<TMainForm> form;
};

TEST_F(DeviceStatusTest, CrateIndicator) {
    const QString notice =
        "Статус 'ZEB-K1' крейта -> OK\nДля крейта 'ZEB-K1' максимальная скорость передачи данных составляет "
        "800 Кбайт/с.\nПоэтому для модуля 'ZEB44', например, при 4-х канальном сборе данных данных\n"
        "частота АЦП не должна превышать 50.0 кГц!!!";
    struct Case {
        const char* name;
        uint16_t mode;
        bool withDevice;
        int32_t crateOk;
        uint8_t crateType;
        const char* crateName;
        QColor colour;
        QString tooltip;
    };
    const Case cases[] = {
        {"start of a full search", 3, false, 1, 21, "ZEB-K1", Face(), "Статус ZEB крейта -> ???"},
        {"start of a crate change", 2, false, 0, 0, "", Face(), "Статус ZEB крейта -> ???"},
        {"crate list not built", 3, true, 0, 30, "ZEB-N8", Red, "Статус ZEB крейта -> BAD"},
        {"ZEB-K1", 2, true, 1, 21, "ZEB-K1", Orange, notice},
        {"ZEB-N8", 3, true, 1, 30, "ZEB-N8", Green, "Статус 'ZEB-N8' крейта -> OK"},
        // Listed, but the selected module did not open: the name is not known yet.
        {"module not opened", 3, true, 1, 0, "", Green, "Статус '' крейта -> OK"},
        // A module change leaves the indicator as it was.
        {"module change", 1, true, 0, 21, "ZEB-K1", Blue, "before"},
        {"start of a module change", 1, false, 0, 0, "", Blue, "before"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form->Ui.ZebCrateStatusLed->setBrushColor(Blue);
        form->Ui.ZebCrateStatusLed->setToolTip("before");
        TDiscoveryRun run = Run(c.mode, c.crateType, c.crateName, "ZEB44", TModuleState::Identified);
        run.Tables.CrateOk = c.crateOk;
        form->Device().ShowDeviceStatus(run, c.withDevice);
        EXPECT_EQ(form->Ui.ZebCrateStatusLed->brushColor(), c.colour);
        EXPECT_EQ(form->Ui.ZebCrateStatusLed->toolTip(), c.tooltip);
        EXPECT_FALSE(form->Guard().Held());
    }
}

TEST_F(DeviceStatusTest, ModuleIndicatorAndLabels) {
    std::memcpy(form->Device().Module().Serial, "44001", 6);
    form->Device().Module().FirmwareVersion = 0x01020A00;  // bytes 1, 2, 10, 0
    struct Case {
        const char* name;
        bool withDevice;
        uint8_t moduleState;
        const char* moduleName;
        QColor colour;
        const char* tooltip;
        const char* serial;
        const char* firmware;
    };
    const Case cases[] = {
        {"start of a run", false, 0, "", Face(), "Статус модуля '?\?\?' -> ???", "????????", "??.??.??.??"},
        {"start, module still identified", false, 2, "", Face(), "Статус модуля '?\?\?' -> ???", "????????",
         "??.??.??.??"},
        {"search found nothing", true, 0, "", Red, "Статус модуля '?\?\?' -> BAD", "????????", "??.??.??.??"},
        {"opened by the search only", true, 1, "", Red, "Статус модуля '?\?\?' -> BAD", "????????", "??.??.??.??"},
        {"identified, name unknown", true, 2, "", Green, "Статус модуля '?\?\?' -> OK", "44001", "1.2.10.0"},
        {"identified", true, 2, "ZEB44", Green, "Статус модуля 'ZEB44' -> OK", "44001", "1.2.10.0"},
        {"named, not identified", true, 1, "ZEB44", Red, "Статус модуля 'ZEB44' -> BAD", "????????",
         "??.??.??.??"},
    };
    for (uint16_t mode : {3, 2, 1}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", mode " + std::to_string(mode));
            form->Device().ShowDeviceStatus(Run(mode, 0, "", c.moduleName, static_cast<TModuleState>(c.moduleState)),
                                            c.withDevice);
            EXPECT_EQ(form->Ui.ModuleStatusLed->brushColor(), c.colour);
            EXPECT_EQ(form->Ui.ModuleStatusLed->toolTip(), c.tooltip);
            EXPECT_EQ(form->Ui.ModuleSerialNumberLMDLabel->text(), c.serial);
            EXPECT_EQ(form->Ui.ModuleFirmwareVersionLMDLabel->text(), c.firmware);
        }
    }
}

TEST_F(DeviceStatusTest, SerialNumberAndFirmwareTexts) {
    struct Case {
        const char serial[16];
        uint32_t firmware;
        const char* serialText;
        const char* firmwareText;
    };
    const Case cases[] = {
        {"", 0, "", "0.0.0.0"},
        {"A", 0xFFFFFFFF, "A", "255.255.255.255"},
        {{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B', 'C', 'D', 'E', 'F'}, 0x0A000102,
         "0123456789ABCDEF", "10.0.1.2"},  // a full field without its NUL
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serialText);
        std::memcpy(form->Device().Module().Serial, c.serial, 16);
        form->Device().Module().FirmwareVersion = c.firmware;
        form->Device().ShowDeviceStatus(Run(1, 0, "", "", TModuleState::Identified), true);
        EXPECT_EQ(form->Ui.ModuleSerialNumberLMDLabel->text(), c.serialText);
        EXPECT_EQ(form->Ui.ModuleFirmwareVersionLMDLabel->text(), c.firmwareText);
    }
}

TEST_F(DeviceStatusTest, CaptionAndApplicationTitle) {
    // This build is version 1.1.7.0; the fourth part is never shown.
    form->Device().ShowDeviceStatus(Run(1), true);
    EXPECT_EQ(form->windowTitle(), "Voltcheck - 1.1.7");
    EXPECT_EQ(ApplicationTitle(), "Voltcheck - 1.1.7");
    form->Device().ShowDeviceStatus(Run(1), false);
    EXPECT_EQ(form->windowTitle(), "Voltcheck - ?.?.?");
    EXPECT_EQ(ApplicationTitle(), "Voltcheck - ?.?.?");
}

TEST_F(DeviceStatusTest, OnlyTheStartOfAFullSearchEmptiesTheLists) {
    struct Case {
        uint16_t mode;
        bool withDevice;
        int items;
    };
    const Case cases[] = {{3, false, 0}, {3, true, 1}, {2, false, 1}, {1, false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + (c.withDevice ? " with device" : " without device"));
        form->Ui.ZebCratesComboBox->clear();
        form->Ui.ModulesComboBox->clear();
        FillLists();
        form->Device().ShowDeviceStatus(Run(c.mode), c.withDevice);
        EXPECT_EQ(form->Ui.ZebCratesComboBox->count(), c.items);
        EXPECT_EQ(form->Ui.ModulesComboBox->count(), c.items);
    }
}

}  // namespace

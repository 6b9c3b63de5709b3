#include "CrateAccess.h"

#include "zebapi.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t ServerAddress = 0x7F000001;  // 127.0.0.1
constexpr const char* NoCrateText = "Не могу найти ни одного ZEB крейта!";
constexpr const char* CrateFailedText = "Не могу проинициализировать ZEB крейт с модулями в указанном слоте!";
constexpr const char* NoZeb44Text = "Не могу найти ни одного ZEB крейта, где бы был установлен модуль ZEB44!";
constexpr const char* ModuleFailedText = "Не могу проинициализировать модуль в указанном слоте!";

// The port the libraries use, for the messages.
std::string ServerText() {
    std::string port = std::to_string(ZEB_DEFAULT_PORT);
    if (const char* env = std::getenv("ZEB_SERVER_PORT"); env != nullptr && *env != '\0') port = env;
    return "сервер крейтов 127.0.0.1:" + port;
}

std::string FieldText(const char* field, std::size_t size) { return std::string(field, ::strnlen(field, size)); }

void CopySerial(char (&field)[ZEB_SERIAL_SIZE], const std::string& serial) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, serial.data(), std::min(serial.size(), sizeof field - 1));
}

bool ProbeModule(const std::string& crateSerial, int slot, ModuleRecord& module) {
    char serial[ZEB_SERIAL_SIZE];
    CopySerial(serial, crateSerial);
    module = ModuleRecord{};
    ZEB44_Init(&module);
    if (ZEB44_Open(&module, ServerAddress, ZEB_DEFAULT_PORT, serial, static_cast<std::uint16_t>(slot)) == 0) return true;
    CloseModule(module);
    return false;
}

}  // namespace

bool ReopenModule(const TOpenedModule& opened, ModuleRecord& module) {
    return ProbeModule(opened.CrateSerial, opened.Slot, module);
}

void CloseModule(ModuleRecord& module) {
    if (ZEB44_IsOpened(&module) == 0) ZEB44_Close(&module);
}

std::string FirmwareText(std::uint32_t version) {
    return std::to_string(version >> 24) + "." + std::to_string((version >> 16) & 0xFF) + "." +
           std::to_string((version >> 8) & 0xFF) + "." + std::to_string(version & 0xFF);
}

bool ListCrates(std::vector<TListedCrate>& crates, std::string& error) {
    crates.clear();
    CrateHandle handle{};
    char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE] = {};
    ZEB_Init(&handle);
    handle.Option22 = 0;
    std::int32_t status = ZEB_Open(&handle);
    if (status == 0) status = ZEB_GetCrates(&handle, serials);
    ZEB_Close(&handle);
    if (status != 0) {
        error = std::string(NoCrateText) + "\n(" + ServerText() + ": код " + std::to_string(status) + ")";
        return false;
    }
    for (int k = 0; k < ZEB_MAX_CRATES && serials[k][0] != '\0'; ++k) {
        TListedCrate crate;
        crate.Serial = FieldText(serials[k], ZEB_SERIAL_SIZE);
        CrateHandle crateHandle{};
        ZEB_Init(&crateHandle);
        CopySerial(crateHandle.Serial, crate.Serial);
        crateHandle.Option22 = 0;
        CrateInfo info{};
        std::uint16_t ids[ZEB_SLOT_COUNT] = {};
        status = ZEB_Open(&crateHandle);
        if (status == 0) status = ZEB_GetCrateInfo(&crateHandle, &info);
        if (status == 0) status = ZEB_GetCrateModules(&crateHandle, ids);
        ZEB_Close(&crateHandle);
        if (status != 0) {
            error = std::string(CrateFailedText) + "\n(крейт " + crate.Serial + ", " + ServerText() + ": код " +
                    std::to_string(status) + ")";
            return false;
        }
        crate.TypeCode = info.TypeCode;
        for (int s = 0; s < ZEB_SLOT_COUNT; ++s) {
            if (ids[s] != ZEB_MODULE_ID_ZEB44) continue;
            ModuleRecord module{};
            if (!ProbeModule(crate.Serial, s + 1, module)) continue;
            crate.Modules.push_back({s + 1, FieldText(module.Serial, sizeof module.Serial), module.FirmwareVersion});
            CloseModule(module);
        }
        crates.push_back(std::move(crate));
    }
    return true;
}

bool OpenMeasureModule(const std::optional<std::string>& crateSerial, const std::optional<int>& slot,
                       ModuleRecord& module, TOpenedModule& opened, std::string& error) {
    std::vector<TListedCrate> crates;
    if (!ListCrates(crates, error)) return false;
    for (const TListedCrate& crate : crates) {
        if (crateSerial && crate.Serial != *crateSerial) continue;
        for (const TListedModule& listed : crate.Modules) {
            if (slot && listed.Slot != *slot) continue;
            if (!ProbeModule(crate.Serial, listed.Slot, module)) {
                error = std::string(ModuleFailedText) + "\n(крейт " + crate.Serial + ", слот " +
                        std::to_string(listed.Slot) + ")";
                return false;
            }
            opened.CrateSerial = crate.Serial;
            opened.CrateTypeCode = crate.TypeCode;
            opened.Slot = listed.Slot;
            opened.ModuleName = FieldText(module.Name, sizeof module.Name);
            opened.ModuleSerial = FieldText(module.Serial, sizeof module.Serial);
            opened.Firmware = module.FirmwareVersion;
            return true;
        }
    }
    if (!crateSerial && !slot) {
        error = NoZeb44Text;
    } else {
        error = std::string(ModuleFailedText) + "\n(нет отвечающего модуля ZEB44";
        if (crateSerial) error += " в крейте " + *crateSerial;
        if (slot) error += " в слоте " + std::to_string(*slot);
        error += ")";
    }
    return false;
}

bool OpenModuleAt(const std::string& crateSerial, int slot, ModuleRecord& module, TOpenedModule& opened,
                  std::string& error) {
    CrateHandle handle{};
    ZEB_Init(&handle);
    CopySerial(handle.Serial, crateSerial);
    handle.Option22 = 0;
    CrateInfo info{};
    std::int32_t status = ZEB_Open(&handle);
    if (status == 0) status = ZEB_GetCrateInfo(&handle, &info);
    ZEB_Close(&handle);
    if (status != 0) {
        error = std::string(CrateFailedText) + "\n(крейт " + crateSerial + ", " + ServerText() + ": код " +
                std::to_string(status) + ")";
        return false;
    }
    if (!ProbeModule(crateSerial, slot, module)) {
        error = std::string(ModuleFailedText) + "\n(крейт " + crateSerial + ", слот " + std::to_string(slot) + ")";
        return false;
    }
    opened.CrateSerial = crateSerial;
    opened.CrateTypeCode = info.TypeCode;
    opened.Slot = slot;
    opened.ModuleName = FieldText(module.Name, sizeof module.Name);
    return true;
}

#include "device/CrateScan.h"

#include "instrument/Zeb44Tables.h"

#include "zebapi.h"

#include <algorithm>
#include <cstring>

std::string FieldText(const TSerialField& field) {
    std::size_t n = 0;
    while (n < field.size() && field[n] != '\0') ++n;
    return std::string(field.data(), n);
}

void SetFieldText(TSerialField& field, const std::string& text) {
    field.fill('\0');
    std::memcpy(field.data(), text.data(), std::min(text.size(), field.size() - 1));
}

namespace {

// The text of a NUL-terminated field of the module record.
template <std::size_t N>
std::string RecordText(const char (&field)[N]) {
    std::size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return std::string(field, n);
}

// A crate handle prepared as the crate library wants it, closed when it goes.
class TCrateConnection {
public:
    TCrateConnection() {
        ZEB_Init(&handle_);
        handle_.Option22 = 0;
    }
    ~TCrateConnection() { Close(); }
    TCrateConnection(const TCrateConnection&) = delete;
    TCrateConnection& operator=(const TCrateConnection&) = delete;

    CrateHandle& Handle() { return handle_; }
    bool Open() {
        open_ = ZEB_Open(&handle_) == ZEB_OK;
        return open_;
    }
    void Close() {
        if (open_) ZEB_Close(&handle_);
        open_ = false;
    }

private:
    CrateHandle handle_{};
    bool open_ = false;
};

}  // namespace

bool EnumerateCrates(TDiscoveryTables& tables) {
    for (TSerialField& serial : tables.CrateSerials) serial.fill('\0');
    TCrateConnection crates;
    if (!crates.Open()) return false;
    char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE] = {};
    if (ZEB_GetCrates(&crates.Handle(), serials) != ZEB_OK) return false;
    crates.Close();
    for (std::size_t i = 0; i < tables.CrateSerials.size(); ++i) {
        std::memcpy(tables.CrateSerials[i].data(), serials[i], ZEB_SERIAL_SIZE);
        tables.CrateSerials[i].back() = '\0';
    }
    return true;
}

TScanResult ScanCrates(TDiscoveryTables& tables, ModuleRecord& module) {
    if (!EnumerateCrates(tables)) return TScanResult::NoCrateList;

    // One handle for every crate; a crate whose queries fail is closed too
    // (the connection is the destructor's when the scan stops early).
    TCrateConnection crate;
    tables.CrateCount = 0;
    for (auto& ids : tables.CrateModuleIds) ids.fill(0);
    tables.CrateTypeCodes.fill(0);
    for (uint16_t i = 0; i < TDiscoveryTables::MaxCrates && tables.CrateSerials[i][0] != '\0'; ++i) {
        tables.CrateCount += 1;
        std::memcpy(crate.Handle().Serial, tables.CrateSerials[i].data(), ZEB_SERIAL_SIZE);
        if (!crate.Open()) return TScanResult::CrateFailed;
        CrateInfo info{};
        if (ZEB_GetCrateInfo(&crate.Handle(), &info) != ZEB_OK) return TScanResult::CrateFailed;
        tables.CrateTypeCodes[i] = info.TypeCode;
        if (ZEB_GetCrateModules(&crate.Handle(), tables.CrateModuleIds[i].data()) != ZEB_OK)
            return TScanResult::CrateFailed;
        crate.Close();
    }

    tables.ListedCrateCount = 0;
    for (TSerialField& serial : tables.ListedCrateSerials) serial.fill('\0');
    tables.ListedCrateTypeCodes.fill(0);
    for (auto& slots : tables.ListedModuleSlots) slots.fill(0);
    tables.ListedModuleCounts.fill(0);

    uint16_t j = 0;
    for (uint16_t i = 0; i < tables.CrateCount; ++i) {
        uint16_t m = 0;
        for (uint16_t k = 0; k < TDiscoveryTables::SlotCount; ++k) {
            if (tables.CrateModuleIds[i][k] != Zeb44ModuleId) continue;
            CloseModuleIfOpen(module);
            if (ZEB44_Open(&module, ModuleServerAddress, ModuleServerPort, tables.CrateSerials[i].data(),
                           static_cast<uint16_t>(k + 1)) != ZEB44_OK)
                continue;  // a module that does not answer is left out
            if (tables.ListedCrateTypeCodes[j] == 0) tables.ListedCrateTypeCodes[j] = tables.CrateTypeCodes[i];
            std::memcpy(tables.ListedModuleSerials[j][m].data(), module.Serial, sizeof module.Serial);
            tables.ListedModuleSerials[j][m].back() = '\0';
            tables.ListedModuleSlots[j][m] = static_cast<uint16_t>(k + 1);
            m += 1;
            tables.ListedModuleCounts[j] += 1;
        }
        if (tables.ListedModuleCounts[j] > 0) {
            tables.ListedCrateSerials[j] = tables.CrateSerials[i];
            j += 1;
        }
    }
    if (j > 0) tables.ListedCrateCount = j;
    CloseModuleIfOpen(module);
    return TScanResult::Done;
}

void SelectWantedModule(TDiscoveryTables& tables, const std::string& wantedCrateSerial, int16_t wantedModuleSlot) {
    uint16_t c = 0;
    bool matched = false;
    for (uint16_t i = 0; i < tables.ListedCrateCount && i < TDiscoveryTables::MaxCrates; ++i) {
        if (FieldText(tables.ListedCrateSerials[i]) == wantedCrateSerial) {
            c = i;
            matched = true;
            break;
        }
    }
    tables.SelectedCrateIndex = c;
    tables.SelectedModuleIndex.fill(0);
    if (!matched) return;
    for (uint16_t m = 0; m < tables.ListedModuleCounts[c] && m < TDiscoveryTables::SlotCount; ++m) {
        if (static_cast<int>(tables.ListedModuleSlots[c][m]) == wantedModuleSlot) {
            tables.SelectedModuleIndex[c] = m;
            break;
        }
    }
}

void CloseModuleIfOpen(ModuleRecord& module) {
    if (ZEB44_IsOpened(&module) == 0) ZEB44_Close(&module);
}

bool OpenModuleInSlot(ModuleRecord& module, const TSerialField& crateSerial, uint16_t slot) {
    CloseModuleIfOpen(module);
    ZEB44_Init(&module);
    return ZEB44_Open(&module, ModuleServerAddress, ModuleServerPort, crateSerial.data(), slot) == ZEB44_OK;
}

bool OpenSelectedModule(TDiscoveryTables& tables, ModuleRecord& module, TModuleIdentity& identity) {
    identity = TModuleIdentity{};
    CloseModuleIfOpen(module);
    const uint16_t c = tables.SelectedCrateIndex;
    if (c >= TDiscoveryTables::MaxCrates) return false;
    const uint16_t m = tables.SelectedModuleIndex[c];
    if (!tables.HoldsModule(c, m)) return false;
    if (!OpenModuleInSlot(module, tables.ListedCrateSerials[c], tables.ListedModuleSlots[c][m])) return false;
    identity.ModuleName = RecordText(module.Name);
    identity.CrateTypeCode = tables.ListedCrateTypeCodes[c];
    identity.CrateName = instrument::CrateModelName(identity.CrateTypeCode);
    tables.ModuleState = TModuleState::Identified;
    return true;
}

#pragma once

#include "device/DiscoveryTables.h"

#include "zeb44api.h"

#include <cstdint>
#include <string>

// The hardware side of a discovery run: listing the crates, probing their
// ZEB44 slots and opening the selected module. Plain C++ over the discovery
// tables and the module record; no window, no messages (the caller reports).

// The module server, as ZEB44_Open addresses it (the library may replace the port).
inline constexpr uint32_t ModuleServerAddress = 0x7F000001;  // 127.0.0.1
inline constexpr uint16_t ModuleServerPort = 11111;
inline constexpr uint16_t Zeb44ModuleId = 0x1616;
inline constexpr const char* Zeb44ModuleText = "ZEB44";

// Fills CrateSerials from ZEB_GetCrates (zeros first). False when the crate
// list cannot be read (ZEB_Open or ZEB_GetCrates failed).
bool EnumerateCrates(TDiscoveryTables& tables);

enum class TScanResult {
    Done,         // the tables hold the reported and the listed crates
    NoCrateList,  // the crate list could not be read
    CrateFailed,  // a reported crate did not open or answer its queries (refused, dropped the
                  // connection, answered too late); the scan stopped at it: it is
                  // CrateSerials[CrateCount - 1], and its connection is closed
};

// Lists the crates, reads each one's type and module ids, and probes every
// ZEB44 slot with ZEB44_Open on module (no ZEB44_Init before the probes).
// Answering modules are listed with their serial and slot; a crate with none
// is left out. Leaves module closed. Sets neither the selection nor CrateOk.
TScanResult ScanCrates(TDiscoveryTables& tables, ModuleRecord& module);

// Selects listed crate c, the first one whose serial is wantedCrateSerial (0
// when none is), clears every module selection and then, only when crate c
// matched, selects its first module in slot wantedModuleSlot, if it has one.
// Precondition: ListedCrateCount > 0.
void SelectWantedModule(TDiscoveryTables& tables, const std::string& wantedCrateSerial, int16_t wantedModuleSlot);

// ZEB44_Close when the record is open.
void CloseModuleIfOpen(ModuleRecord& module);

// Closes the record if open, ZEB44_Init, then ZEB44_Open on the crate and slot.
bool OpenModuleInSlot(ModuleRecord& module, const TSerialField& crateSerial, uint16_t slot);

// What the opening of the selected module tells about it.
struct TModuleIdentity {
    std::string ModuleName;     // from the record; empty before an open
    uint8_t CrateTypeCode = 0;  // of the module's crate; 0 before an open
    std::string CrateName;      // CrateModelName(CrateTypeCode) after an open
};

// Opens (ZEB44_Init, ZEB44_Open) the selected module of the selected crate
// and identifies it: identity is cleared first and filled on success, and
// ModuleState becomes Identified. False, with the record closed, when the selection
// names no listed module or the module does not open.
bool OpenSelectedModule(TDiscoveryTables& tables, ModuleRecord& module, TModuleIdentity& identity);

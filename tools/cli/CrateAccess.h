#pragma once

#include "zeb44api.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The crates and ZEB44 modules of the crate server, over zebapi and zeb44api
// (the server's port as the libraries take it, ZEB_SERVER_PORT included).

struct TListedModule {
    int Slot = 0;
    std::string Serial;
    std::uint32_t Firmware = 0;
};

struct TListedCrate {
    std::string Serial;
    std::uint8_t TypeCode = 0;
    std::vector<TListedModule> Modules;  // the answering ZEB44 modules, slot order
};

// Every crate in the server's order, each with its answering ZEB44 modules (each one
// opened and closed again). False with the window's message when the crate list cannot
// be read or a listed crate does not answer.
bool ListCrates(std::vector<TListedCrate>& crates, std::string& error);

// "a.b.c.d", the most significant byte first.
std::string FirmwareText(std::uint32_t version);

// The module a measurement uses: the ZEB44 in crate/slot, the first answering one of
// the crate, the first one in the slot, or the first one found, as given. Opens it into
// module and gives its crate's type code and its name. False with a message, module closed.
struct TOpenedModule {
    std::string CrateSerial;
    std::uint8_t CrateTypeCode = 0;
    int Slot = 0;
    std::string ModuleName;
    std::string ModuleSerial;
    std::uint32_t Firmware = 0;
};
bool OpenMeasureModule(const std::optional<std::string>& crateSerial, const std::optional<int>& slot,
                       ModuleRecord& module, TOpenedModule& opened, std::string& error);

// The module opened before, found again by its crate's serial number and its slot
// (never by its place in a list), into module. False (module closed) while no
// answering ZEB44 is there.
bool ReopenModule(const TOpenedModule& opened, ModuleRecord& module);

// Opens the ZEB44 in crate/slot again without listing the crates (a module served
// for a long time, reopened after its loss): its crate's type code and its name.
// False with a message, module closed.
bool OpenModuleAt(const std::string& crateSerial, int slot, ModuleRecord& module, TOpenedModule& opened,
                  std::string& error);

void CloseModule(ModuleRecord& module);

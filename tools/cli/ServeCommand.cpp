#include "ServeCommand.h"

#include "CrateAccess.h"
#include "MeasureCommand.h"
#include "MeasureSetup.h"
#include "serve/HttpServer.h"
#include "serve/ScpiServer.h"
#include "serve/ServeInstrument.h"
#include "serve/ServedModule.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

// The modules to serve: those of the command line, which must answer at the start,
// else the one the settings file names if it answers, else the first answering ZEB44.
bool ChooseModules(const TCliOptions& options, const TMeasureSetup& setup,
                   std::vector<TCliOptions::TModuleName>& modules, std::string& error) {
    std::vector<TListedCrate> crates;
    if (!ListCrates(crates, error)) return false;
    auto answers = [&](const std::string& crate, int slot) {
        for (const TListedCrate& c : crates)
            for (const TListedModule& m : c.Modules)
                if (c.Serial == crate && m.Slot == slot) return true;
        return false;
    };
    if (!options.Modules.empty()) {
        for (const TCliOptions::TModuleName& name : options.Modules) {
            if (!answers(name.Crate, name.Slot)) {
                error = "Не могу проинициализировать модуль в указанном слоте!\n(нет отвечающего модуля ZEB44 " +
                        name.Crate + ":" + std::to_string(name.Slot) + ")";
                return false;
            }
        }
        modules = options.Modules;
        return true;
    }
    for (const TListedCrate& c : crates) {
        if (setup.WantedCrate && c.Serial != *setup.WantedCrate) continue;
        for (const TListedModule& m : c.Modules) {
            if (setup.WantedSlot && m.Slot != *setup.WantedSlot) continue;
            modules.push_back({c.Serial, m.Slot});
            return true;
        }
    }
    for (const TListedCrate& c : crates) {
        if (c.Modules.empty()) continue;
        modules.push_back({c.Serial, c.Modules.front().Slot});
        return true;
    }
    error = "Не могу найти ни одного ZEB крейта, где бы был установлен модуль ZEB44!";
    return false;
}

// An address and port as a URL writes them ("[::1]:8080" for IPv6).
std::string HostPort(const std::string& address, int port) {
    const bool v6 = address.find(':') != std::string::npos;
    return (v6 ? "[" + address + "]" : address) + ":" + std::to_string(port);
}

bool OpenServedModule(const std::string& crate, int slot, ModuleRecord& module, serve::TOpenedInfo& info,
                      std::string& error) {
    TOpenedModule opened;
    if (!OpenModuleAt(crate, slot, module, opened, error)) return false;
    info.CrateTypeCode = opened.CrateTypeCode;
    info.ModuleName = opened.ModuleName;
    info.Serial = std::string(module.Serial, ::strnlen(module.Serial, sizeof module.Serial));
    info.Firmware = module.FirmwareVersion;
    return true;
}

}  // namespace

int RunServe(const TCliOptions& options, const std::atomic<bool>& stop) {
    TMeasureSetup setup;
    std::string error;
    if (!MakeSetup(options, setup, error)) {
        std::fprintf(stderr, "voltcheck-cli: %s\n", error.c_str());
        return ExitUsage;
    }
    std::vector<TCliOptions::TModuleName> names;
    if (!ChooseModules(options, setup, names, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return ExitFailed;
    }

    serve::TChangeSignal changes;
    std::vector<std::unique_ptr<serve::TServedModule>> modules;
    std::vector<serve::TServedModule*> served;
    for (const TCliOptions::TModuleName& name : names) {
        modules.push_back(std::make_unique<serve::TServedModule>(
            name.Crate, name.Slot,
            serve::TServedSetup{setup.Parameters, setup.Settings,
                                options.Continuous ? run::TFrameStep::Stream : run::TFrameStep::RestartPerFrame,
                                options.Bench},
            setup.Patterns,
            OpenServedModule, CloseModule, changes));
        served.push_back(modules.back().get());
    }
    for (const auto& module : modules) module->Start();

    serve::TServeInstrument instrument(served, VOLTCHECK_PROGRAM_VERSION);
    serve::TScpiServer scpi(instrument, options.ScpiReadOnly);
    serve::THttpServer http(served, changes);
    bool listening = true;
    if (options.ScpiPort != 0) {
        listening = scpi.Listen(options.Listen, options.ScpiPort, error);
        if (listening) {
            scpi.Start();
            std::printf("SCPI: %s\n", HostPort(options.Listen, scpi.Port()).c_str());
        }
    }
    if (listening && options.HttpPort != 0) {
        listening = http.Listen(options.Listen, options.HttpPort, error);
        if (listening) {
            http.Start();
            std::printf("HTTP: http://%s/\n", HostPort(options.Listen, http.Port()).c_str());
        }
    }
    if (listening)
        for (const TCliOptions::TModuleName& name : names) std::printf("module %s:%d\n", name.Crate.c_str(), name.Slot);
    std::fflush(stdout);

    while (listening && !stop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(100));

    // Waiters wake first, so that the servers' clients finish at once; then every
    // module's run ends as STOP ends it.
    for (const auto& module : modules) module->RequestStop();
    scpi.Stop();
    http.Stop();
    for (const auto& module : modules) module->Stop();
    if (!listening) {
        std::fprintf(stderr, "voltcheck-cli: %s\n", error.c_str());
        return ExitFailed;
    }
    return ExitDone;
}

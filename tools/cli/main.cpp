// voltcheck-cli: the crate list and the window's measurement from the command line.

#include "CliOptions.h"
#include "MeasureCommand.h"
#include "ServeCommand.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>

namespace {

// Set by SIGINT and SIGTERM: the run ends at its next receive block, as STOP ends it.
std::atomic<bool> StopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int) { StopRequested.store(true, std::memory_order_relaxed); }

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed pipe is a write error of the run, not the end of the process.
    std::signal(SIGPIPE, SIG_IGN);
}

int Run(int argc, char** argv) {
    TCliOptions options;
    std::string error;
    if (!ParseCliOptions(argc, argv, options, error)) {
        const char* command = options.Command == TCliCommand::List      ? " list"
                              : options.Command == TCliCommand::Measure ? " measure"
                              : options.Command == TCliCommand::Serve   ? " serve"
                                                                        : "";
        std::fprintf(stderr, "voltcheck-cli: %s\nподробнее: voltcheck-cli%s --help\n", error.c_str(), command);
        return ExitUsage;
    }
    if (options.Help) {
        std::fputs(options.Command == TCliCommand::List      ? ListUsage
                   : options.Command == TCliCommand::Measure ? MeasureUsage
                   : options.Command == TCliCommand::Serve   ? ServeUsage
                                                             : CliUsage,
                   stdout);
        return ExitDone;
    }
    InstallSignalHandlers();
    if (options.Command == TCliCommand::List) return RunList();
    if (options.Command == TCliCommand::Serve) return RunServe(options, StopRequested);
    return RunMeasure(options, StopRequested);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "voltcheck-cli: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "voltcheck-cli: непредвиденная ошибка\n");
    }
    return ExitFailed;
}

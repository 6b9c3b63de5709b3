#pragma once

#include "CliOptions.h"

#include <atomic>

// voltcheck-cli serve: every module measures without end on its own thread, served
// over SCPI and HTTP, until stop (set by SIGINT/SIGTERM); then the servers close and
// every module's run ends as STOP ends it (module stopped, buffer cleared, record
// closed). Exit status 0 then, 1 when no module can be served or a server cannot
// listen, 2 for a settings file that cannot be read.
int RunServe(const TCliOptions& options, const std::atomic<bool>& stop);

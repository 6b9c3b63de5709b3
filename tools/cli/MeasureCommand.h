#pragma once

#include "CliOptions.h"

#include <atomic>

// Exit statuses of the tool.
inline constexpr int ExitDone = 0;
inline constexpr int ExitFailed = 1;  // a measurement or device failure
inline constexpr int ExitUsage = 2;   // a command line (or the files it names) that cannot be used
inline constexpr int ExitLimitsFailed = 3;  // measured to the end, but a frame of a channel with limits failed them

// voltcheck-cli list: the crates and their answering ZEB44 modules on standard output.
int RunList();

// voltcheck-cli measure: opens the module and runs the window's frame loop until the
// frame count, the duration or stop (set by SIGINT/SIGTERM) ends it; every run ends
// with the module stopped, its buffer cleared and the record closed. A failure (1)
// outranks failed limits (3).
int RunMeasure(const TCliOptions& options, const std::atomic<bool>& stop);

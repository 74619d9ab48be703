// The conversion that zentar-convert runs once its command line is parsed: one run of the
// engine over `commandLine.settings`, statistics on `out`, the failure message on `err`.
// Returns the exit status (kExitOk, or kExitFailed after a reported failure). Runs on the
// process's main thread.
#pragma once

#include "cli/CommandLine.h"

#include <ostream>

namespace zentar {

int RunConversion(const CommandLine& commandLine, std::ostream& out, std::ostream& err);

} // namespace zentar

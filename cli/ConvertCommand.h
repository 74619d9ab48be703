// The conversion that zentar-convert runs once its command line is parsed: one run of the
// engine over `commandLine.settings`, statistics on `out`, the failure message on `err`.
// Returns the exit status (kExitOk, kExitFailed after a reported failure, kExitStopped after
// Ctrl-C). Ctrl-C acts as the window's Stop command; a second one ends the process. Runs on
// the process's main thread.
#pragma once

#include "cli/CommandLine.h"

#include <ostream>

namespace zentar {

// Exit status after Ctrl-C stopped the conversion (128 + SIGINT, as shells report it).
inline constexpr int kExitStopped = 130;

int RunConversion(const CommandLine& commandLine, std::ostream& out, std::ostream& err);

// Prints the requested lists (video compressors as the window offers them, with
// "<Uncompressed>", sorted; audio compressors, sorted; Windows Media profiles in the
// library's order), one name per line. Returns the exit status.
int PrintLists(const CommandLine& commandLine, std::ostream& out);

} // namespace zentar

// The batch conversion of zentar-convert --batch: every input converted by a child process
// of its own (ChildConversion), at most --jobs at once, its outputs moved to their names
// when it has ended well (BatchOutputNames); inputs whose outputs are complete are skipped
// unless --force. Shows one progress line on a terminal and a line per input otherwise,
// names each failure with its message on `err`, writes one RunReport a line to --report as
// each input finishes and ends with a summary. Ctrl-C (or SIGTERM) stops the running
// conversions as Ctrl-C stops one (their outputs finished, left in the partial folder)
// and starts no more; a second one ends them at once. Main thread.
#pragma once

#include "cli/CommandLine.h"

#include <ostream>

namespace zentar {

// Returns kExitOk when every input converted (or was complete), kExitFailed when any failed,
// kExitStopped after Ctrl-C.
int RunBatch(const CommandLine& commandLine, std::ostream& out, std::ostream& err);

} // namespace zentar

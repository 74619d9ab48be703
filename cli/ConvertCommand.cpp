#include "cli/ConvertCommand.h"

namespace zentar {

// The conversion run joins the engine later; until then the command says so plainly
// instead of pretending to have converted anything.
int RunConversion(const CommandLine&, std::ostream&, std::ostream& err) {
    err << "zentar-convert: this build cannot convert yet; use --print-settings or --help\n";
    return kExitFailed;
}

} // namespace zentar

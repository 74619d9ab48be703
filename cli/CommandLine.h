// The command line of zentar-convert: parsing the arguments into settings and options,
// the usage text, and the top-level dispatch that main() calls. Settings start from the
// program's defaults, then the file given with --settings, then each KEY=VALUE in the
// order given (keys of [Options] in any letter case, values in their stored form, with
// the same range checks as loading). Runs on the process's main thread.
#pragma once

#include "engine/ConversionSettings.h"

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace zentar {

// Exit statuses of zentar-convert.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// A command line that cannot be used; what() is the message for standard error.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The options of a batch conversion (--batch INPUT...).
struct BatchOptions {
    bool enabled = false;
    std::vector<std::string> inputs; // files and folders, as given
    std::string outputDir;           // needed for converting
    int jobs = 0;                    // conversions at once; 0: one per processor
    double timeoutSeconds = 0;       // per input; 0: none
    bool force = false;              // convert inputs whose outputs are complete too
    int shardIndex = 0;              // --shard I/N: the I-th of N slices of the inputs
    int shardCount = 1;
    bool listInputs = false; // print the inputs (of the shard) instead of converting them
};

struct CommandLine {
    bool help = false;
    bool printSettings = false;
    bool listVideoCompressors = false;
    bool listAudioCompressors = false;
    bool listProfiles = false;
    std::string settingsFile; // "" when --settings was not given
    // Scene lists written after the run ("" when not asked for): CSV, EDL, contact sheet.
    std::string cutsFile;
    std::string edlFile;
    std::string contactSheetFile;
    ConversionSettings settings;
    // The --settings and KEY=VALUE arguments as given, in order (a batch hands them on).
    std::vector<std::string> settingArguments;
    BatchOptions batch;
    std::string reportFile; // --report: the run's facts as JSON (JSON lines for a batch)
    // Values that were accepted but changed (a range check) or ignored (a binary record of
    // the wrong size), one line each, for standard error.
    std::vector<std::string> warnings;
};

// Parses the arguments after the program name. Throws UsageError for an unknown option, a
// missing option argument, an unreadable settings file, a malformed KEY=VALUE, an unknown
// key or a value that is not in its stored form.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();

// The whole program: parses `args`, then prints the usage, prints the settings or runs the
// conversion; returns the exit status. Messages go to `err`, results to `out`.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace zentar

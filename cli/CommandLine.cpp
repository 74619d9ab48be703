#include "cli/CommandLine.h"

#include "cli/BatchCommand.h"
#include "cli/ConvertCommand.h"
#include "engine/ErrorMessages.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

namespace zentar {

namespace {

using Result = ConversionSettings::StoredValueResult;

// Applies one KEY=VALUE argument to the settings.
void applyAssignment(CommandLine& line, const std::string& arg) {
    const size_t eq = arg.find('=');
    const std::string key = arg.substr(0, eq);
    const std::string value = arg.substr(eq + 1);
    if (key.empty())
        throw UsageError("malformed setting '" + arg + "': expected KEY=VALUE");
    switch (line.settings.set_stored_value(key, value)) {
    case Result::Applied:
        return;
    case Result::OutOfRange:
        line.warnings.push_back(key + "=" + value + " is out of range; the default is used");
        return;
    case Result::BadBinary:
        line.warnings.push_back(key + "=" + value +
                                " is not a binary record of the right size; ignored");
        return;
    case Result::Malformed:
        throw UsageError("malformed value for " + key + ": '" + value + "'");
    case Result::UnknownKey:
        throw UsageError("unknown setting '" + key + "' (see --help for the keys)");
    }
}

void loadSettingsFile(CommandLine& line) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(line.settingsFile, ec) ||
        !std::ifstream(line.settingsFile))
        throw UsageError("cannot read settings file '" + line.settingsFile + "'");
    line.settings.set_ini_path(line.settingsFile);
    line.settings.load_settings();
}

// The value of an option given as "--name VALUE" or "--name=VALUE".
std::string optionValue(const std::vector<std::string>& args, size_t& i, const std::string& name) {
    const std::string& arg = args[i];
    if (arg.size() > name.size() && arg[name.size()] == '=')
        return arg.substr(name.size() + 1);
    if (i + 1 >= args.size())
        throw UsageError("option " + name + " needs a value");
    return args[++i];
}

bool isOption(const std::string& arg, const std::string& name) {
    return arg == name || arg.rfind(name + "=", 0) == 0;
}

// A whole number in [low, high] written as nothing but digits.
int wholeNumber(const std::string& text, int low, int high, const std::string& what) {
    const bool digits = !text.empty() && text.size() <= 9 &&
                        text.find_first_not_of("0123456789") == std::string::npos;
    const int value = digits ? std::stoi(text) : low - 1;
    if (value < low || value > high)
        throw UsageError("malformed " + what + " '" + text + "'");
    return value;
}

// Reads the batch option at args[i], if it is one.
bool parseBatchOption(BatchOptions& batch, const std::vector<std::string>& args, size_t& i) {
    const std::string& arg = args[i];
    if (arg == "--batch") {
        batch.enabled = true;
    } else if (arg == "--force") {
        batch.force = true;
    } else if (arg == "--list-inputs") {
        batch.listInputs = true;
    } else if (isOption(arg, "--output-dir")) {
        batch.outputDir = optionValue(args, i, "--output-dir");
        if (batch.outputDir.empty())
            throw UsageError("option --output-dir needs a folder");
    } else if (isOption(arg, "--jobs")) {
        batch.jobs = wholeNumber(optionValue(args, i, "--jobs"), 1, 4096, "--jobs value");
    } else if (isOption(arg, "--timeout")) {
        const std::string text = optionValue(args, i, "--timeout");
        char* end = nullptr;
        batch.timeoutSeconds = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !(batch.timeoutSeconds > 0) ||
            batch.timeoutSeconds > 1e7)
            throw UsageError("malformed --timeout value '" + text + "'");
    } else if (isOption(arg, "--shard")) {
        const std::string text = optionValue(args, i, "--shard");
        const size_t slash = text.find('/');
        if (slash == std::string::npos)
            throw UsageError("malformed --shard value '" + text + "': expected I/N");
        batch.shardCount = wholeNumber(text.substr(slash + 1), 1, 1000000, "--shard count");
        batch.shardIndex =
            wholeNumber(text.substr(0, slash), 0, batch.shardCount - 1, "--shard index");
    } else {
        return false;
    }
    return true;
}

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    std::vector<std::string> assignments;
    bool batchInputsOnly = false; // after "--": every argument is an input
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (batchInputsOnly ||
            (line.batch.enabled && arg.rfind('-', 0) != 0 && arg.find('=') == std::string::npos))
            line.batch.inputs.push_back(arg);
        else if (line.batch.enabled && arg == "--")
            batchInputsOnly = true;
        else if (arg == "--help" || arg == "-h")
            line.help = true;
        else if (arg == "--print-settings")
            line.printSettings = true;
        else if (arg == "--list-video-compressors")
            line.listVideoCompressors = true;
        else if (arg == "--list-audio-compressors")
            line.listAudioCompressors = true;
        else if (arg == "--list-profiles")
            line.listProfiles = true;
        else if (isOption(arg, "--settings"))
            line.settingsFile = optionValue(args, i, "--settings");
        else if (isOption(arg, "--report"))
            line.reportFile = optionValue(args, i, "--report");
        else if (parseBatchOption(line.batch, args, i))
            continue;
        else if (arg.rfind('-', 0) == 0)
            throw UsageError("unknown option '" + arg + "'");
        else if (arg.find('=') == std::string::npos)
            throw UsageError("malformed setting '" + arg + "': expected KEY=VALUE");
        else
            assignments.push_back(arg);
    }
    const BatchOptions unbatched;
    if (!line.batch.enabled &&
        (line.batch.outputDir != unbatched.outputDir || line.batch.jobs != unbatched.jobs ||
         line.batch.timeoutSeconds != unbatched.timeoutSeconds ||
         line.batch.force != unbatched.force || line.batch.shardCount != unbatched.shardCount ||
         line.batch.listInputs))
        throw UsageError(
            "--output-dir, --jobs, --timeout, --force, --shard and --list-inputs need --batch");
    if (line.batch.enabled && line.batch.inputs.empty() && !line.help)
        throw UsageError("--batch needs at least one input file or folder");
    // Outputs beside their inputs would be taken for inputs by the next run over the folder.
    if (line.batch.enabled && line.batch.outputDir.empty() && !line.batch.listInputs && !line.help)
        throw UsageError("--batch needs --output-dir DIR");
    // The settings file comes first wherever it stands on the line; then the assignments.
    if (!line.settingsFile.empty()) {
        loadSettingsFile(line);
        line.settingArguments.push_back("--settings=" + line.settingsFile);
    }
    line.settingArguments.insert(line.settingArguments.end(), assignments.begin(),
                                 assignments.end());
    for (const std::string& assignment : assignments)
        applyAssignment(line, assignment);
    return line;
}

std::string UsageText() {
    std::string keys;
    for (const std::string_view key : ConversionSettings::key_names()) {
        if (key != "LastFolder")
            keys += (keys.empty() ? "" : " ") + std::string(key);
    }
    return "Usage: zentar-convert [--settings FILE.ini] [KEY=VALUE ...] [options]\n"
           "       zentar-convert [--settings FILE.ini] [KEY=VALUE ...] [options] --batch "
           "INPUT...\n"
           "\n"
           "Converts one video file, or with --batch many, with the settings of the converter\n"
           "window.\n"
           "Settings start from the defaults, then FILE.ini (section [Options]), then each\n"
           "KEY=VALUE in order. Keys are those of [Options], in any letter case; values are\n"
           "in their stored form (FrameRate in thousandths of a frame per second, the\n"
           "thresholds as decimal numbers, VideoFormat and AudioFormat in the profile\n"
           "binary letters). Out-of-range numbers fall back to the key's default.\n"
           "\n"
           "Options:\n"
           "  --settings FILE   read the settings from FILE (an INI file)\n"
           "  --print-settings  print the effective settings as INI text and exit\n"
           "  --list-video-compressors, --list-audio-compressors, --list-profiles\n"
           "                    print the names the settings accept, one per line, and exit\n"
           "  --report FILE     write the run's facts to FILE as JSON (input, outputs, scenes,\n"
           "                    frames, seconds, status, message); with --batch one object a\n"
           "                    line as each input finishes\n"
           "  --help, -h        print this help and exit\n"
           "\n"
           "Batch options (INPUT: files, and folders searched for the video files the window\n"
           "opens; \"--\" before inputs whose names start with '-' or hold '='):\n"
           "  --batch           convert every INPUT, each in a process of its own; the output\n"
           "                    is named after the input with the output type's extension\n"
           "                    (clips and the project file named from it as usual)\n"
           "  --output-dir DIR  write the outputs below DIR, mirroring the input folders\n"
           "                    (needed; not an input folder)\n"
           "  --jobs N          N conversions at once (default: one per processor)\n"
           "  --timeout S       end a conversion that runs longer than S seconds (it fails)\n"
           "  --force           convert inputs whose outputs are complete too (skipped\n"
           "                    otherwise; outputs are written under a temporary name and\n"
           "                    appear when complete)\n"
           "  --shard I/N       convert only the I-th (from 0) of N equal slices of the sorted\n"
           "                    inputs, so that N machines share a batch\n"
           "  --list-inputs     print the inputs (of the shard), one a line, and exit\n"
           "\n"
           "Keys: " +
           keys +
           "\n\n"
           "Example:\n"
           "  zentar-convert SrcFileName=in.avi DstFileName=out.avi KeepSettings=0 \\\n"
           "      KeepFrameRate=0 FrameRate=12500\n"
           "\n"
           "Ctrl-C stops the conversion (what was converted so far stays a complete file);\n"
           "a second Ctrl-C ends the program at once.\n"
           "\n"
           "Exit status: 0 done, 1 the conversion (with --batch: any) failed (message on\n"
           "standard error), 2 usage error, 130 stopped by Ctrl-C.\n";
}

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommandLine line;
    try {
        line = ParseCommandLine(args);
    } catch (const UsageError& e) {
        err << "zentar-convert: " << e.what() << "\nTry 'zentar-convert --help'.\n";
        return kExitUsage;
    }
    for (const std::string& warning : line.warnings)
        err << "zentar-convert: " << warning << "\n";
    if (line.help) {
        out << UsageText();
        return kExitOk;
    }
    if (line.printSettings) {
        out << line.settings.stored_text();
        return out ? kExitOk : kExitFailed;
    }
    if (line.listVideoCompressors || line.listAudioCompressors || line.listProfiles)
        return PrintLists(line, out);
    try {
        if (line.batch.enabled)
            return RunBatch(line, out, err);
        return RunConversion(line, out, err);
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        if (const std::optional<std::string> message = MessageForException(error)) {
            err << *message << "\n";
        } else {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                err << "zentar-convert: " << e.what() << "\n";
            } catch (...) {
                err << "zentar-convert: unexpected failure\n";
            }
        }
        return kExitFailed;
    }
}

} // namespace zentar

#include "cli/CommandLine.h"

#include "cli/BatchCommand.h"
#include "cli/ConvertCommand.h"
#include "engine/ErrorMessages.h"
#include "platform/media/OutputContainer.h"

#include <algorithm>
#include <cctype>

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
    std::string value;
    if (arg.size() > name.size() && arg[name.size()] == '=')
        value = arg.substr(name.size() + 1);
    else if (arg.size() == name.size() && i + 1 < args.size())
        value = args[++i];
    // An empty name ("--settings=" or "--settings ''") would otherwise read as no option.
    if (value.empty())
        throw UsageError("option " + name + " needs a file name");
    return value;
}

bool isOption(const std::string& arg, const std::string& name) {
    return arg == name || arg.rfind(name + "=", 0) == 0;
}

// Whether one of the KEY=VALUE arguments sets `key` (any letter case).
bool assigns(const std::vector<std::string>& assignments, std::string_view key) {
    for (const std::string& arg : assignments) {
        const std::string_view name = std::string_view(arg).substr(0, arg.find('='));
        if (std::equal(name.begin(), name.end(), key.begin(), key.end(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            }))
            return true;
    }
    return false;
}

// The output type that the output name's extension asks for: .wmv 1, .mp4/.m4v 2, .mkv 3,
// anything else 0.
int32_t typeForName(const std::string& fileName) {
    const std::filesystem::path extension = std::filesystem::path(fileName).extension();
    switch (ContainerForExtension(extension.string())) {
    case OutputContainer::Wmv:
        return 1;
    case OutputContainer::Mp4:
        return 2;
    case OutputContainer::Matroska:
        return 3;
    default:
        return 0;
    }
}

// With no DstFileType given (no settings file, no argument), the output name's extension
// chooses the type, and an MP4 without named compressors gets H.264 and AAC; a type given
// that the extension contradicts is kept, with a warning.
void settleOutputType(CommandLine& line, const std::vector<std::string>& assignments) {
    ConversionSettings& s = line.settings;
    const int32_t named = typeForName(s.DstFileName);
    if (line.settingsFile.empty() && !assigns(assignments, "DstFileType")) {
        s.DstFileType = named;
        if (named == 2 && !assigns(assignments, "VideoCodec"))
            s.VideoCodec = "H.264 (x264)";
        if (named == 2 && !assigns(assignments, "AudioCodec"))
            s.AudioCodec = "AAC";
        return;
    }
    if (!s.DstFileName.empty() && s.DstFileType != named)
        line.warnings.push_back("DstFileType=" + std::to_string(s.DstFileType) +
                                " does not match the extension of " + s.DstFileName +
                                "; the file is written as type " + std::to_string(s.DstFileType));
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
        else if (isOption(arg, "--cuts"))
            line.cutsFile = optionValue(args, i, "--cuts");
        else if (isOption(arg, "--edl"))
            line.edlFile = optionValue(args, i, "--edl");
        else if (isOption(arg, "--contact-sheet"))
            line.contactSheetFile = optionValue(args, i, "--contact-sheet");
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
    settleOutputType(line, assignments);
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
           "Without --settings or DstFileType=, the output type follows DstFileName's\n"
           "extension: .wmv WMV (1), .mp4 or .m4v MP4 (2), .mkv Matroska (3), else AVI (0);\n"
           "an MP4 with no VideoCodec or AudioCodec given uses H.264 (x264) and AAC. A\n"
           "DstFileType that contradicts the extension is kept, with a warning.\n"
           "VideoPreset sets the x264, x265 or SVT-AV1 preset (for example VideoPreset=fast).\n"
           "\n"
           "Options:\n"
           "  --settings FILE   read the settings from FILE (an INI file)\n"
           "  --print-settings  print the effective settings as INI text and exit\n"
           "  --list-video-compressors, --list-audio-compressors, --list-profiles\n"
           "                    print the names the settings accept, one per line, and exit\n"
           "  --cuts FILE.csv   after the run, write its scenes as CSV (frames, timecodes,\n"
           "                    seconds, length, score, clip file)\n"
           "  --edl FILE.edl    after the run, write its scenes as a CMX 3600 edit list\n"
           "  --contact-sheet FILE.png|FILE.jpg\n"
           "                    after the run, write a grid of the scenes' first frames\n"
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
           "Scene detection (with SceneDetection=1 or 2):\n"
           "  DetectionMethod=0|1     0 quadrant colour test (Hue/Sat/ValThreshold),\n"
           "                          1 adaptive content (AdaptiveThreshold, default 3)\n"
           "  MinSceneLength=N        no cut within N frames of the previous one (0 off)\n"
           "  FlashGuard=N            a change must last N frames to cut (0 off, up to 30)\n"
           "  DetectFades=0|1         one cut per fade through black or cross-fade\n"
           "  ScoreLogFileName=F.csv  write every examined frame's score and decision\n"
           "\n"
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

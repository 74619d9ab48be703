#include "cli/ConvertCommand.h"

#include "cli/RunReport.h"

#include "engine/CompressorList.h"
#include "engine/ContactSheet.h"
#include "engine/ConversionRun.h"
#include "engine/CutList.h"
#include "engine/ErrorMessages.h"
#include "platform/streaming/MediaGuids.h"
#include "platform/system/System.h"
#include "resources/strings/StringTable.h"
#include "wmout/WinMediaFileWriter.h"
#include "wmout/WinMediaProfiles.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

namespace zentar {

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int) {
    // The handler is installed once (SA_RESETHAND): a second Ctrl-C ends the process.
    stopRequested.store(true);
}

// Ctrl-C as the Stop command while the conversion runs; the previous handling afterwards.
class InterruptAsStop {
public:
    InterruptAsStop() {
        stopRequested.store(false);
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        sigaction(SIGINT, &action, &previous_);
        // A batch starts its conversions with Ctrl-C held back until this point.
        sigset_t interrupt;
        sigemptyset(&interrupt);
        sigaddset(&interrupt, SIGINT);
        pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
    }
    ~InterruptAsStop() { sigaction(SIGINT, &previous_, nullptr); }
    InterruptAsStop(const InterruptAsStop&) = delete;
    InterruptAsStop& operator=(const InterruptAsStop&) = delete;

private:
    struct sigaction previous_ {};
};

// The statistics text on one line: its lines joined, tabs and runs of blanks made single.
std::string oneLine(const std::string& text) {
    std::string line;
    bool blank = true;
    for (const char c : text) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            line += " |";
            blank = false;
        }
        const bool space = c == ' ' || c == '\t' || c == '\n';
        if (space && !blank)
            line += ' ';
        else if (!space)
            line += c;
        blank = space;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

// The command line's window: the status text as a progress line, rewritten in place on a
// terminal and printed as plain lines (at most one a second) otherwise; no preview.
class ConsoleHost final : public RunHost {
public:
    ConsoleHost(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}

    void SetStatusText(const std::string& text, bool redrawNow) override {
        if (text.empty())
            return;
        const uint32_t now = timeGetTime();
        const uint32_t interval = terminal_ ? 100 : 1000;
        if (!redrawNow) { // statistics: throttled, the first one shown at once
            if (shown_ && now - lastShown_ < interval)
                return;
            shown_ = true;
            lastShown_ = now;
        }
        if (terminal_) {
            out_ << "\r" << oneLine(text) << "\033[K" << std::flush;
            pendingLine_ = true;
        } else {
            out_ << oneLine(text) << std::endl;
        }
    }

    // Ends a progress line left open on the terminal.
    void EndLine() {
        if (pendingLine_)
            out_ << "\r\033[K" << std::flush;
        pendingLine_ = false;
    }

private:
    std::ostream& out_;
    const bool terminal_;
    bool shown_ = false;
    bool pendingLine_ = false;
    uint32_t lastShown_ = 0;
};

// The final statistics, one item a line.
void printStatistics(std::ostream& out, const std::string& text) {
    std::string plain;
    for (const char c : text) {
        if (c != '\r')
            plain += c;
    }
    out << plain << "\n";
}

// One line after the statistics: scenes, clips, frames, time and speed of the run.
void printSummary(std::ostream& out, const ConversionRun& run, double seconds) {
    const SceneRecord& scenes = run.scenes();
    const int64_t frames = scenes.scenes().empty()
                               ? static_cast<int64_t>(run.framesRead())
                               : std::max<int64_t>(0, scenes.scenes().back().endFrame);
    char line[200];
    std::snprintf(line, sizeof line,
                  "Summary: %zu scene%s, %zu clip%s written, %lld frames in %.2f s (%.1f frames/s)",
                  scenes.scenes().size(), scenes.scenes().size() == 1 ? "" : "s",
                  scenes.clipCount(), scenes.clipCount() == 1 ? "" : "s",
                  static_cast<long long>(frames), seconds,
                  seconds > 0 ? static_cast<double>(frames) / seconds : 0.0);
    out << line << "\n";
}

// Writes the scene lists the command line asks for; false (with a message) when one could
// not be written.
bool writeSceneLists(const CommandLine& commandLine, const ConversionRun& run,
                     const std::string& input, std::ostream& err) {
    const SceneRecord& scenes = run.scenes();
    const std::string title = std::filesystem::path(input).filename().string();
    const auto attempt = [&err](const std::string& path, const auto& write) {
        if (path.empty())
            return true;
        try {
            write(path);
            return true;
        } catch (const std::exception& e) {
            err << "zentar-convert: " << e.what() << "\n";
            return false;
        }
    };
    bool ok = attempt(commandLine.cutsFile, [&](const std::string& path) {
        WriteListFile(scenes, path, CutListCsv(scenes));
    });
    ok = attempt(commandLine.edlFile,
                 [&](const std::string& path) {
                     WriteListFile(scenes, path, CutListEdl(scenes, title));
                 }) &&
         ok;
    ok = attempt(commandLine.contactSheetFile,
                 [&](const std::string& path) { ContactSheet::Write(scenes, path); }) &&
         ok;
    return ok;
}

// Writes the run's report to `path` when one was asked for; false when it cannot be written.
bool writeReport(const std::string& path, const ConversionRun& run, const std::string& input,
                 std::chrono::steady_clock::time_point start, std::string_view status,
                 const std::string& message) {
    if (path.empty())
        return true;
    const RunFacts facts = run.facts();
    RunReport report;
    report.input = input;
    report.outputs = facts.outputs;
    report.scenes = static_cast<int64_t>(facts.cuts.size());
    report.frames = facts.framesRead;
    report.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    report.status = status;
    report.message = message;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << report.ToJson() << "\n";
    file.close();
    return static_cast<bool>(file);
}

} // namespace

int RunConversion(const CommandLine& commandLine, std::ostream& out, std::ostream& err) {
    // The media libraries' own diagnostics are not for the user: standard error carries
    // the program's message alone, as the window's status box does.
    av_log_set_level(AV_LOG_QUIET);
    ConversionSettings settings = commandLine.settings;
    ConsoleHost host(out, ::isatty(STDOUT_FILENO) == 1);
    auto library = std::make_shared<WinMediaLibrary>();
    RunServices services;
    services.wmvWriters = MakeWinMediaWriterFactory(library);
    services.resolveProfile = [library](const std::string& setting) {
        return resolve_profile(*library, setting);
    };
    // A list named like the input or the project file is refused before the run, not after.
    SceneRecord runFiles;
    runFiles.Start(0, false, settings.SrcFileName,
                   settings.SceneDetection == 2 ? settings.ClipsFileName : std::string());
    for (const std::string* list :
         {&commandLine.cutsFile, &commandLine.edlFile, &commandLine.contactSheetFile}) {
        if (!list->empty() && runFiles.NamesRunFile(*list)) {
            err << "zentar-convert: '" << *list
                << "' is the input or the project file; a scene list cannot replace it\n";
            return kExitUsage;
        }
    }
    ConversionRun run(settings, host, std::move(services));
    const InterruptAsStop interrupts;
    const auto started = std::chrono::steady_clock::now();
    const std::string& reportFile = commandLine.reportFile;
    auto report = [&](std::string_view status, const std::string& message) {
        if (writeReport(reportFile, run, settings.SrcFileName, started, status, message))
            return true;
        err << "zentar-convert: cannot write the report '" << reportFile << "'\n";
        return false;
    };

    bool stopped = false;
    try {
        host.SetStatusText("Initializing... please wait.", true);
        run.StartRun();
        run.running = true;
        while (run.IdleStep()) {
            run.UpdateStatistics();
            if (stopRequested.load()) {
                stopped = true;
                run.FinishOutputs(); // the output and the project file closed properly
                break;
            }
        }
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        run.StopRun();
        run.errorShown = true;
        host.EndLine();
        const std::optional<std::string> message = MessageForException(error);
        run.WindDown();
        if (!message) {
            std::string text = "unexpected failure";
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                text = e.what();
            } catch (...) {
            }
            report(RunReport::kFailed, text);
            std::rethrow_exception(error); // reported by the command line's own handler
        }
        err << *message << "\n";
        report(RunReport::kFailed, *message);
        return kExitFailed;
    }
    run.WindDown();
    host.EndLine();
    printStatistics(out, run.StatisticsText());
    printSummary(out, run,
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    const bool listsWritten = writeSceneLists(commandLine, run, settings.SrcFileName, err);
    if (stopped) {
        err << "zentar-convert: stopped; the output holds what was converted so far\n";
        report(RunReport::kStopped, "stopped");
        return kExitStopped;
    }
    if (!listsWritten)
        return kExitFailed;
    return report(RunReport::kConverted, "") ? kExitOk : kExitFailed;
}

int PrintLists(const CommandLine& commandLine, std::ostream& out) {
    auto print = [&out](const std::vector<std::string>& names) {
        for (const std::string& name : names)
            out << name << "\n";
    };
    if (commandLine.listVideoCompressors) {
        CompressorList list;
        list.build(CLSID_VideoCompressorCategory);
        std::vector<std::string> names = list.names();
        names.push_back(LoadString(IDS_UNCOMPRESSED));
        std::stable_sort(names.begin(), names.end()); // as the window sorts its list
        print(names);
    }
    if (commandLine.listAudioCompressors) {
        CompressorList list;
        list.build(CLSID_AudioCompressorCategory);
        std::vector<std::string> names = list.names();
        std::erase(names, std::string());
        std::stable_sort(names.begin(), names.end());
        print(names);
    }
    if (commandLine.listProfiles)
        print(list_profiles(WinMediaLibrary()));
    out.flush();
    return out ? kExitOk : kExitFailed;
}

} // namespace zentar

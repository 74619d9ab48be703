#include "cli/BatchCommand.h"

#include "cli/BatchInputs.h"
#include "cli/BatchOutputNames.h"
#include "cli/ChildConversion.h"
#include "cli/ConvertCommand.h"
#include "cli/RunReport.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sched.h>
#include <thread>
#include <unistd.h>

namespace zentar {

namespace fs = std::filesystem;

namespace {

std::atomic<int> interrupts{0};

extern "C" void onBatchInterrupt(int) {
    interrupts.fetch_add(1);
}

// Ctrl-C and SIGTERM counted while the batch runs; the previous handling afterwards.
class InterruptCounter {
public:
    InterruptCounter() {
        interrupts.store(0);
        struct sigaction action {};
        action.sa_handler = onBatchInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previousInt_);
        sigaction(SIGTERM, &action, &previousTerm_);
    }
    ~InterruptCounter() {
        sigaction(SIGINT, &previousInt_, nullptr);
        sigaction(SIGTERM, &previousTerm_, nullptr);
    }
    InterruptCounter(const InterruptCounter&) = delete;
    InterruptCounter& operator=(const InterruptCounter&) = delete;

private:
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

// A private folder for the children's reports and messages, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/zentar-batch-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder in " +
                                     fs::path(pattern).parent_path().string());
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

int processorCount() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return CPU_COUNT(&set);
    return std::max(1u, std::thread::hardware_concurrency());
}

std::string clockText(double seconds) {
    const long s = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

// The last line of a child's standard error, its own message when it wrote no report.
std::string lastLine(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::string last;
    while (std::getline(in, line)) {
        if (!line.empty())
            last = line;
    }
    return last;
}

struct Item {
    BatchInput input;
    BatchOutputNames names;
    std::string refusal; // why it is not converted at all
};

struct Running {
    size_t index;
    std::unique_ptr<ChildConversion> child;
    bool timedOut = false;
};

class Batch {
public:
    Batch(const CommandLine& line, std::ostream& out, std::ostream& err)
        : line_(line), out_(out), err_(err), terminal_(::isatty(STDOUT_FILENO) == 1),
          start_(std::chrono::steady_clock::now()) {}

    int Run();

private:
    void Plan();
    void Begin(size_t index);
    void Collect(Running& running);
    void Finish(const RunReport& report);
    void ShowProgress(bool now);
    void ClearProgress();
    double Elapsed() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

    const CommandLine& line_;
    std::ostream& out_;
    std::ostream& err_;
    const bool terminal_;
    const std::chrono::steady_clock::time_point start_;
    ScratchFolder scratch_;
    std::ofstream report_;
    std::vector<Item> items_;
    std::vector<Running> running_;
    size_t total_ = 0;
    size_t converted_ = 0, skipped_ = 0, failed_ = 0, stopped_ = 0;
    uint64_t frames_ = 0; // of the inputs that have ended
    bool progressShown_ = false;
    double lastProgress_ = -1;
};

void Batch::Plan() {
    const BatchOptions& options = line_.batch;
    const BatchInputs found(options.inputs, options.outputDir);
    for (const std::string& problem : found.problems()) {
        err_ << "zentar-convert: " << problem << "\n";
        ++failed_;
    }
    const auto [begin, end] =
        BatchInputs::ShardRange(found.inputs().size(), options.shardIndex, options.shardCount);
    std::map<std::string, std::string> owners; // marker -> the input it belongs to
    for (size_t i = 0; i < found.inputs().size(); ++i) {
        const BatchInput& input = found.inputs()[i];
        Item item{input,
                  BatchOutputNames(input, options.outputDir, line_.settings.DstFileType,
                                   line_.settings.SceneDetection),
                  {}};
        const std::string key = fs::absolute(item.names.marker()).lexically_normal().string();
        std::error_code ignored;
        if (const auto owner = owners.find(key); owner != owners.end())
            item.refusal = "its output " + item.names.marker() + " is also that of " +
                           owner->second + "; not converted";
        else if (fs::equivalent(input.path, item.names.marker(), ignored))
            item.refusal = "its output " + item.names.marker() + " would replace it; not converted";
        owners.emplace(key, input.path);
        if (i >= begin && i < end) // every slice decides collisions over the whole list
            items_.push_back(std::move(item));
    }
    total_ = items_.size();
}

void Batch::Begin(size_t index) {
    const Item& item = items_[index];
    RunReport report;
    report.input = item.input.path;
    if (!item.refusal.empty()) {
        report.status = RunReport::kFailed;
        report.message = item.refusal;
        Finish(report);
        return;
    }
    std::error_code error;
    if (!line_.batch.force && fs::exists(item.names.marker(), error)) {
        report.status = RunReport::kSkipped;
        report.outputs = {item.names.marker()};
        report.message = "its outputs are complete";
        Finish(report);
        return;
    }
    fs::remove_all(item.names.partialFolder(), error); // what an interrupted run left
    if (!error)
        fs::create_directories(item.names.partialFolder(), error);
    if (error) {
        report.status = RunReport::kFailed;
        report.message = "cannot create " + item.names.partialFolder() + ": " + error.message();
        Finish(report);
        return;
    }
    std::vector<std::string> arguments = line_.settingArguments;
    arguments.push_back("SrcFileName=" + item.input.path);
    arguments.push_back("DstFileName=" + item.names.partialOutput());
    arguments.push_back("ClipsFileName=" + item.names.partialProjectFile());
    arguments.push_back("--report=" + scratch_.file(std::to_string(index) + ".json"));
    try {
        running_.push_back({index,
                            std::make_unique<ChildConversion>(
                                arguments, scratch_.file(std::to_string(index) + ".err")),
                            false});
    } catch (const std::exception& e) {
        report.status = RunReport::kFailed;
        report.message = e.what();
        Finish(report);
    }
}

void Batch::Collect(Running& running) {
    const Item& item = items_[running.index];
    const std::string name = std::to_string(running.index);
    std::ifstream file(scratch_.file(name + ".json"), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    RunReport report = RunReport::FromJson(text).value_or(RunReport{});
    const int code = running.child->exitCode();
    report.input = item.input.path;
    report.seconds = running.child->SecondsRunning();
    std::error_code ignored;
    if (code == kExitOk && report.status == RunReport::kConverted) {
        try {
            report.outputs = item.names.Publish(report.outputs);
        } catch (const fs::filesystem_error& e) {
            report.status = RunReport::kFailed;
            report.message = std::string("cannot move the outputs to their names: ") + e.what();
        }
    } else if (running.timedOut) {
        report.status = RunReport::kFailed;
        char limit[64];
        std::snprintf(limit, sizeof limit, "ended after the time limit of %g seconds",
                      line_.batch.timeoutSeconds);
        report.message = limit;
    } else if (interrupts.load() > 0 && (code == kExitStopped || code < 0)) {
        report.status = RunReport::kStopped;
        report.message = code == kExitStopped ? "stopped; what was converted so far is in " +
                                                    item.names.partialFolder()
                                              : "ended at once";
    } else if (report.status != RunReport::kFailed || report.message.empty()) {
        report.status = RunReport::kFailed;
        const std::string said = lastLine(scratch_.file(name + ".err"));
        report.message = !said.empty() ? said
                         : code < 0    ? "the conversion ended with signal " + std::to_string(-code)
                                       : "the conversion ended with status " + std::to_string(code);
    }
    if (report.status != RunReport::kConverted &&
        !(report.status == RunReport::kStopped && code == kExitStopped)) {
        fs::remove_all(item.names.partialFolder(), ignored); // nothing complete in it
        report.outputs.clear();
    }
    Finish(report);
}

void Batch::Finish(const RunReport& report) {
    if (report.status == RunReport::kConverted)
        ++converted_;
    else if (report.status == RunReport::kSkipped)
        ++skipped_;
    else if (report.status == RunReport::kStopped)
        ++stopped_;
    else
        ++failed_;
    frames_ += report.frames;
    if (report_.is_open())
        report_ << report.ToJson() << std::endl;
    ClearProgress();
    if (report.status == RunReport::kFailed) {
        err_ << "zentar-convert: " << report.input << ": " << report.message << std::endl;
    } else if (!terminal_) {
        out_ << report.status << " " << report.input;
        if (report.status == RunReport::kConverted) {
            char facts[96];
            std::snprintf(facts, sizeof facts, " (%llu frames, %.1f s)",
                          static_cast<unsigned long long>(report.frames), report.seconds);
            out_ << facts;
        } else if (!report.message.empty()) {
            out_ << ": " << report.message;
        }
        out_ << std::endl;
    }
    ShowProgress(true);
}

void Batch::ShowProgress(bool now) {
    if (!terminal_)
        return;
    const double elapsed = Elapsed();
    if (!now && elapsed - lastProgress_ < 0.5)
        return;
    lastProgress_ = elapsed;
    const size_t done = converted_ + skipped_ + failed_ + stopped_;
    const size_t worked = converted_ + failed_;
    uint64_t frames = frames_;
    for (Running& running : running_)
        frames += running.child->FramesSoFar(); // the running ones' statistics
    std::string eta = "--";
    if (worked > 0 && done < total_)
        eta = clockText(elapsed * static_cast<double>(total_ - done) / static_cast<double>(worked));
    char text[160];
    std::snprintf(text, sizeof text,
                  "Batch: %zu of %zu done, %zu failed, %zu running, %.0f frames/s, ETA %s", done,
                  total_, failed_, running_.size(),
                  elapsed > 0 ? static_cast<double>(frames) / elapsed : 0.0, eta.c_str());
    out_ << "\r" << text << "\033[K" << std::flush;
    progressShown_ = true;
}

void Batch::ClearProgress() {
    if (progressShown_)
        out_ << "\r\033[K" << std::flush;
    progressShown_ = false;
}

int Batch::Run() {
    Plan();
    if (line_.batch.listInputs) {
        for (const Item& item : items_)
            out_ << item.input.path << "\n";
        out_.flush();
        return failed_ > 0 || !out_ ? kExitFailed : kExitOk;
    }
    if (!line_.reportFile.empty()) {
        report_.open(line_.reportFile, std::ios::binary | std::ios::trunc);
        if (!report_) {
            err_ << "zentar-convert: cannot write the report '" << line_.reportFile << "'\n";
            return kExitFailed;
        }
    }
    const size_t jobs =
        static_cast<size_t>(line_.batch.jobs > 0 ? line_.batch.jobs : processorCount());
    const InterruptCounter counter;
    int forwarded = 0;
    size_t next = 0;
    while (next < items_.size() || !running_.empty()) {
        const int seen = interrupts.load();
        if (seen > forwarded) {
            // The first stops each conversion as Ctrl-C stops one; a second ends them.
            for (const Running& running : running_)
                running.child->Signal(seen == 1 ? SIGINT : SIGKILL);
            forwarded = seen;
        }
        while (seen == 0 && running_.size() < jobs && next < items_.size())
            Begin(next++);
        for (size_t i = 0; i < running_.size();) {
            Running& running = running_[i];
            running.child->FramesSoFar(); // also keeps its pipe from filling
            if (running.child->Finished()) {
                Running ended = std::move(running);
                running_.erase(running_.begin() + static_cast<std::ptrdiff_t>(i));
                Collect(ended);
                continue;
            }
            if (line_.batch.timeoutSeconds > 0 && !running.timedOut &&
                running.child->SecondsRunning() > line_.batch.timeoutSeconds) {
                running.timedOut = true;
                running.child->Signal(SIGKILL);
            }
            ++i;
        }
        if (seen > 0 && running_.empty())
            break;
        ShowProgress(false);
        if (!running_.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ClearProgress();
    const double elapsed = Elapsed();
    const size_t notStarted = items_.size() - next;
    char summary[256];
    std::snprintf(summary, sizeof summary,
                  "Batch: %zu inputs: %zu converted, %zu skipped, %zu failed, %zu stopped, %zu "
                  "not started; %llu frames in %.1f s (%.1f frames/s)\n",
                  total_, converted_, skipped_, failed_, stopped_, notStarted,
                  static_cast<unsigned long long>(frames_), elapsed,
                  elapsed > 0 ? static_cast<double>(frames_) / elapsed : 0.0);
    out_ << summary << std::flush;
    if (report_.is_open() && !report_) {
        err_ << "zentar-convert: cannot write the report '" << line_.reportFile << "'\n";
        return kExitFailed;
    }
    if (interrupts.load() > 0)
        return kExitStopped;
    return failed_ > 0 ? kExitFailed : kExitOk;
}

} // namespace

int RunBatch(const CommandLine& commandLine, std::ostream& out, std::ostream& err) {
    Batch batch(commandLine, out, err);
    return batch.Run();
}

} // namespace zentar

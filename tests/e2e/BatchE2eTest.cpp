// zentar-convert --batch: a folder tree of good, damaged and non-video files, a second run
// over the same tree, Ctrl-C while conversions run, and --shard slices; outputs checked
// with ffprobe, the per-input report read back.
#include "cli/RunReport.h"
#include "tests/e2e/E2eSupport.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

namespace zentar::e2e {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

std::string clip(const std::string& path, int frames, int width = 64, int height = 48,
                 const std::string& format = "avi", const std::string& encoder = "mpeg4") {
    fs::create_directories(fs::path(path).parent_path());
    test::VideoSpec video{.encoder = encoder, .width = width, .height = height, .frames = frames};
    video.cutFrames = {frames / 2};
    const char* sound = format == "mpeg" ? "mp2" : "pcm_s16le";
    return test::writeClip(
        path, {format, video, test::AudioSpec{.encoder = sound, .seconds = frames / 25.0}});
}

// The report's objects by input.
std::map<std::string, RunReport> readReport(const std::string& path) {
    std::map<std::string, RunReport> reports;
    std::istringstream lines(test::FileText(path));
    for (std::string line; std::getline(lines, line);) {
        const std::optional<RunReport> report = RunReport::FromJson(line);
        EXPECT_TRUE(report) << line;
        if (report) {
            EXPECT_TRUE(reports.emplace(report->input, *report).second) << "twice: " << line;
        }
    }
    return reports;
}

TEST(BatchE2eTest, ConvertsTheGoodNamesTheBadAndSkipsWhatIsDone) {
    TempFolder folder("e2e_batch_tree");
    const std::string in = folder.file("in");
    clip(in + "/a.avi", 20);
    clip(in + "/sub/deeper/b.mpg", 20, 64, 48, "mpeg", "mpeg1video");
    const std::string good = test::FileText(in + "/a.avi");
    std::ofstream(in + "/sub/damaged.avi", std::ios::binary) << good.substr(0, 300);
    std::ofstream(in + "/notes.mpg") << "not a video\n";
    std::ofstream(in + "/readme.txt") << "not an input\n";
    const std::string out = folder.file("out");
    const std::string report = folder.file("report.jsonl");
    const std::vector<std::string> args = {"--batch", in,  "--output-dir", out,
                                           "--jobs",  "2", "--report",     report};

    const test::ChildResult first = convert(args);
    EXPECT_EQ(first.exitCode, 1) << first.err;
    EXPECT_EQ(filesBelow(out), (std::vector<std::string>{"a.avi", "sub/deeper/b.avi"}));
    expectPlayable(out + "/a.avi");
    expectPlayable(out + "/sub/deeper/b.avi");
    std::map<std::string, RunReport> reports = readReport(report);
    ASSERT_EQ(reports.size(), 4u) << test::FileText(report);
    const std::map<std::string, std::string> statuses = {{"a.avi", "converted"},
                                                         {"sub/deeper/b.mpg", "converted"},
                                                         {"sub/damaged.avi", "failed"},
                                                         {"notes.mpg", "failed"}};
    for (const auto& [name, status] : statuses) {
        const RunReport& r = reports[in + "/" + name];
        EXPECT_EQ(r.status, status) << name;
        if (status == "failed")
            EXPECT_NE(first.err.find(in + "/" + name + ": " + r.message), std::string::npos)
                << first.err;
        else
            EXPECT_EQ(std::tuple(r.frames, r.scenes, r.outputs.size()),
                      std::tuple(uint64_t{20}, int64_t{1}, size_t{1}));
    }

    const auto written = fs::last_write_time(out + "/a.avi");
    const test::ChildResult second = convert(args);
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.out.find("0 converted, 2 skipped, 2 failed"), std::string::npos) << second.out;
    EXPECT_EQ(fs::last_write_time(out + "/a.avi"), written);
    EXPECT_EQ(readReport(report)[in + "/a.avi"].status, "skipped");
}

TEST(BatchE2eTest, CtrlCLeavesOnlyCompleteOutputsUnderTheirNames) {
    TempFolder folder("e2e_batch_interrupt");
    const std::string in = folder.file("in");
    clip(in + "/a.avi", 10);
    for (const char* name : {"b.avi", "c.avi"})
        clip(in + "/" + name, 1500, 160, 120);
    const std::string out = folder.file("out");
    const test::ChildResult r =
        test::RunChild(std::string(ZENTAR_BINARY_DIR) + "/bin/zentar-convert",
                       {"--batch", in, "--output-dir", out, "--jobs", "2"}, 120000, "", {},
                       "converted " + in + "/a.avi");
    EXPECT_TRUE(r.interrupted);
    EXPECT_EQ(r.exitCode, 130);
    // a converted; b stopped, its finished file in its partial folder; c stopped or never
    // started; nothing else under an output's name.
    std::vector<std::string> files = filesBelow(out);
    ASSERT_GE(files.size(), 2u);
    EXPECT_EQ(files[0], ".zentar-partial-b.avi/b.avi");
    EXPECT_EQ(files.back(), "a.avi");
    for (const std::string& file : files) {
        EXPECT_TRUE(file == "a.avi" || file.starts_with(".zentar-partial-")) << file;
        expectPlayable(out + "/" + file);
    }
    const auto stopped = test::probeStream(out + "/" + files[0], "v:0", true);
    ASSERT_TRUE(stopped);
    EXPECT_LT(stopped->frames, 1500);
}

TEST(BatchE2eTest, ShardsCoverEveryInputOnce) {
    TempFolder folder("e2e_batch_shards");
    std::vector<std::string> inputs;
    for (const char* name :
         {"g.mpg", "f.avi", "sub/e.dat", "sub/D.WMV", "c.mpeg", "b.avi", "a.avi"}) {
        inputs.push_back(folder.file("in/" + std::string(name)));
        fs::create_directories(fs::path(inputs.back()).parent_path());
        std::ofstream(inputs.back()) << "no video";
    }
    std::sort(inputs.begin(), inputs.end());
    for (int count = 1; count <= 5; ++count) {
        std::string listed;
        for (int index = 0; index < count; ++index) {
            const std::string shard = std::to_string(index) + "/" + std::to_string(count);
            const test::ChildResult r =
                convert({"--batch", folder.file("in"), "--shard", shard, "--list-inputs"});
            EXPECT_EQ(r.exitCode, 0) << r.err;
            EXPECT_LE(std::count(r.out.begin(), r.out.end(), '\n'), 7 / count + 1) << shard;
            listed += r.out;
        }
        std::string expected;
        for (const std::string& input : inputs)
            expected += input + "\n";
        EXPECT_EQ(listed, expected) << count << " shards"; // in order, each once
    }
}

} // namespace
} // namespace zentar::e2e

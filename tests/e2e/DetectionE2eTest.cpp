// Scene detection beyond the quadrant test through zentar-convert: each new key read back from
// the project file or the clips it wrote, and the detection quality on the rendered ground
// truth (shortened set; ZENTAR_DETECTION_REPORT=1 prints the table of the full set instead).
#include "tests/e2e/DetectionTruth.h"
#include "tests/e2e/E2eSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace zentar::e2e {
namespace {

using test::TempFolder;

// The cuts a project file lists (its header lines and final frame count left out).
std::vector<int> projectCuts(const std::string& path) {
    const std::vector<int64_t> lines = projectLines(path);
    return std::vector<int>(lines.begin(), lines.empty() ? lines.end() : lines.end() - 1);
}

// Rows of the score log (header left out) and the frames it marks as cuts.
std::pair<int, std::vector<int>> logCuts(const std::string& path) {
    std::istringstream text(test::FileText(path));
    std::string line;
    std::getline(text, line);
    std::pair<int, std::vector<int>> rows;
    for (int frame = 0, cut = 0; std::getline(text, line); ++rows.first) {
        if (std::sscanf(line.c_str(), "%d,%*f,%*f,%*f,%*f,%d", &frame, &cut) == 2 && cut)
            rows.second.push_back(frame);
    }
    return rows;
}

// 60 frames of flat colours: scenes start at 10, 14 (a four-frame scene) and 40, frame 25 is
// a one-frame white flash, and frames 45-54 step through black (45-48 darker, 49-51 black,
// 52-54 lighter) into the last scene.
std::string keyClip(const std::string& path) {
    test::VideoSpec video{.frames = 60, .bitRate = 2'000'000};
    video.cutFrames = {10, 14, 25, 26, 40, 45, 46, 47, 48, 49, 52, 53, 54, 55};
    video.sceneColours = {{200, 40, 40},  {40, 40, 200},  {40, 200, 40},  {255, 255, 255},
                          {40, 200, 40},  {200, 200, 40}, {150, 150, 30}, {100, 100, 20},
                          {60, 60, 12},   {30, 30, 6},    {0, 0, 0},      {25, 50, 50},
                          {50, 100, 100}, {75, 150, 150}, {100, 200, 200}};
    return test::writeClip(path, {.video = video});
}

// Each key read back from the project file (and the clips). A score log that cannot be written
// fails the run with one clear message; one naming the input is refused before anything is written.
TEST(DetectionE2eTest, EachDetectionKeyShowsInTheProjectFile) {
    TempFolder folder("e2e_detection_keys");
    const std::string input = keyClip(folder.file("in.avi"));
    const std::string inputBytes = test::FileText(input);
    struct Case {
        std::vector<std::string> settings;
        std::vector<int> cuts;
        std::string err;
    };
    const Case cases[] = {
        {{"DetectionMethod=1"}, {0, 10, 14, 25, 26, 40}},
        {{"DetectionMethod=1", "AdaptiveThreshold=5"}, {0, 10, 14, 40}},
        {{"DetectionMethod=1", "MinSceneLength=5"}, {0, 10, 25, 40}},
        {{"DetectionMethod=1", "FlashGuard=2"}, {0, 10, 14, 40}},
        {{"DetectionMethod=1", "DetectFades=1"}, {0, 10, 14, 25, 26, 40, 52}},
        {{"ScoreLogFileName=" + folder.file("no/log.csv")},
         {},
         "Cannot write the detection score log.\n"},
        {{"ScoreLogFileName=" + input}, {}, "Cannot open output file.\n"},
        // The quadrant test as it is (it cannot see these changes of hue and brightness), with
        // and without a score log.
        {{}, {0, 10}},
        {{"ScoreLogFileName=" + folder.file("log.csv")}, {0, 10}},
    };
    for (const auto& [settings, cuts, err] : cases) {
        std::filesystem::remove(folder.file("cuts.flp"));
        std::vector<std::string> args = {"SrcFileName=" + input, "SceneDetection=2",
                                         "ClipsFileName=" + folder.file("cuts.flp")};
        args.insert(args.end(), settings.begin(), settings.end());
        const test::ChildResult r = convert(args);
        EXPECT_EQ(r.exitCode, err.empty() ? 0 : 1) << r.err;
        EXPECT_EQ(r.err, err);
        EXPECT_EQ(projectCuts(folder.file("cuts.flp")), cuts) << args.back();
    }
    EXPECT_EQ(test::FileText(input), inputBytes);
    // The score log of the last case: a row for every frame, its cuts those of the project.
    const auto [rows, cuts] = logCuts(folder.file("log.csv"));
    EXPECT_EQ(rows, 60);
    EXPECT_EQ(cuts, projectCuts(folder.file("cuts.flp")));

    // With look-ahead, clips still start at the first frame of their scene.
    const test::ChildResult r =
        convert({"SrcFileName=" + input, "SceneDetection=1", "DetectionMethod=1", "FlashGuard=2",
                 "DetectFades=1", "DstFileName=" + folder.file("clip.avi")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const int64_t expected[] = {10, 4, 26, 12, 8};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(framesReadBack(folder.file("clip0000" + std::to_string(i) + ".avi")), expected[i])
            << i;
}

// The recommended settings on the shortened set; with ZENTAR_DETECTION_REPORT set, the table
// of the full set for bench/report.sh instead.
TEST(DetectionE2eTest, AdaptiveDetectionWithRulesMeetsItsQualityTargets) {
    TempFolder folder("e2e_detection_quality");
    const bool report = std::getenv("ZENTAR_DETECTION_REPORT") != nullptr;
    const std::string list = std::string(ZENTAR_SOURCE_DIR) + "/tests/e2e/detection_truth" +
                             (report ? ".txt" : "_short.txt");
    const TruthSet truth =
        writeTruthClip(list, folder.file("truth.avi"), report ? 320 : 128, report ? 240 : 96);
    const std::pair<const char*, std::vector<std::string>> configurations[] = {
        {"adaptive, FlashGuard=3, DetectFades=1",
         {"DetectionMethod=1", "FlashGuard=3", "DetectFades=1"}},
        {"adaptive", {"DetectionMethod=1"}},
        {"quadrant test (default)", {}},
        {"quadrant, FlashGuard=3, DetectFades=1", {"FlashGuard=3", "DetectFades=1"}},
    };
    if (report)
        std::printf("| detection (%d transitions, %d frames at 320x240) | precision | recall | "
                    "cuts in flashes or fast pans |\n|---|---|---|---|\n",
                    int(truth.transitions.size()), truth.frames);
    for (const auto& [name, settings] : configurations) {
        std::vector<std::string> args = {
            "SrcFileName=" + folder.file("truth.avi"), "SceneDetection=2",
            "ClipsFileName=" + folder.file("c.flp"), "ScoreLogFileName=" + folder.file("log.csv")};
        args.insert(args.end(), settings.begin(), settings.end());
        const test::ChildResult r = convert(args, 600000);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(logCuts(folder.file("log.csv")).first, truth.frames);
        const DetectionScore s = scoreCuts(truth, projectCuts(folder.file("c.flp")));
        if (!report) {
            EXPECT_GE(s.precision(), 0.97) << s.matched << "/" << s.detected;
            EXPECT_GE(s.recall(), 0.95) << s.matched << "/" << s.truth;
            EXPECT_EQ(s.noCutHits, 0);
            return;
        }
        std::printf("| %s | %.3f (%d/%d) | %.3f (%d/%d) | %d |\n", name, s.precision(), s.matched,
                    s.detected, s.recall(), s.matched, s.truth, s.noCutHits);
    }
}

} // namespace
} // namespace zentar::e2e

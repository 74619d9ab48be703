// ConversionRun in-process over real files: the steps of the frame-rate conversion with their
// counters, the idle handler's wind-down with and without a shown failure, a clip splitting
// mode outside the list, the preview hand-off drawing into the written frames, and a project
// file closed with the last frame read when the run is stopped.
#include "engine/ConversionRun.h"
#include "engine/ReaderGraph.h"
#include "tests/engine/SmallClip.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

namespace zentar {
namespace {

using test::TempFolder;

class RecordingHost final : public RunHost {
public:
    void SetStatusText(const std::string& text, bool redrawNow) override {
        texts.push_back(text);
        redraws.push_back(redrawNow);
    }
    bool WantPreview() const override { return wantPreview; }
    void CreatePreview(int outputWidth, int outputHeight, int inputWidth,
                       int inputHeight) override {
        created = {outputWidth, outputHeight, inputWidth, inputHeight};
    }
    void DrawPreview(uint8_t* frame, size_t frameBytes, const std::string&) override {
        ++drawn;
        std::fill(frame, frame + frameBytes, uint8_t{0x80}); // the statistics line, all over
    }
    void DestroyPreview() override { ++destroyed; }
    void SetControlsRunning(bool running) override { controlsRunning = running; }

    bool wantPreview = false;
    std::vector<std::string> texts;
    std::vector<bool> redraws;
    std::vector<int> created;
    int drawn = 0;
    int destroyed = 0;
    bool controlsRunning = true;
};

ConversionSettings settingsFor(const std::string& input, const std::string& output) {
    ConversionSettings settings;
    settings.SrcFileName = input;
    settings.DstFileName = output;
    settings.VideoCodec = "<Uncompressed>";
    return settings;
}

// Whether the run's statistics say `frames` frames read, `clips` clips and `time` processed.
void expectCounters(const ConversionRun& run, const char* frames, const char* time, int clips) {
    const std::string text = run.StatisticsText();
    EXPECT_NE(text.find(std::string("Frames processed\t") + frames + " ("), std::string::npos)
        << text;
    EXPECT_NE(text.find(std::string("Time processed\t") + time), std::string::npos) << text;
    EXPECT_NE(text.find("Clips processed\t" + std::to_string(clips)), std::string::npos) << text;
}

int64_t framesIn(const std::string& path) {
    ReaderGraph reader(path, ReaderGraph::VideoTemplate(), true);
    int64_t frames = 0;
    for (uint32_t length = 1; reader.NextSample(&length, nullptr, nullptr), length != 0;)
        ++frames;
    return frames;
}

// 10 frames at 10 fps to 30 fps: every input frame is repeated up to the output time.
TEST(ConversionRunTest, StepsRepeatFramesUpToTheOutputTimeAndTheEndReadCounts) {
    TempFolder folder("run_steps");
    ConversionSettings settings =
        settingsFor(test::SmallClip(folder.file("in.avi"), 10, 0, 10), folder.file("out.avi"));
    settings.KeepSettings = 0;
    settings.KeepFrameRate = 0;
    settings.FrameRate = 30.0;
    RecordingHost host;
    ConversionRun run(settings, host);
    run.StartRun();
    EXPECT_FALSE(std::filesystem::exists(folder.file("out.avi"))); // opened by the first frame
    EXPECT_EQ(host.created, (std::vector<int>{64, 48, 64, 48}));
    ASSERT_TRUE(run.IdleStep());
    expectCounters(run, "         1", "0:00:00.10", 1);

    run.running = true;
    int steps = 0;
    while (run.OnIdle())
        ASSERT_LT(++steps, 100);
    expectCounters(run, "        11", "0:00:01.00", 1); // the last read found the end
    // Output times 0 .. 999,999 carry the first frame (ending at 1,000,000): four frames,
    // then three for each later one.
    EXPECT_EQ(framesIn(folder.file("out.avi")), 31);
    EXPECT_FALSE(run.running);
    EXPECT_FALSE(host.controlsRunning);
    ASSERT_GE(host.texts.size(), 2u);
    EXPECT_EQ(host.texts[host.texts.size() - 2], "Stopping... please wait.");
    EXPECT_TRUE(host.redraws[host.texts.size() - 2]);
    EXPECT_EQ(host.texts.back(), "");
    EXPECT_EQ(host.destroyed, 1);
    EXPECT_EQ(host.drawn, 0); // no preview wanted
}

TEST(ConversionRunTest, AWindDownAfterAShownFailureKeepsTheMessage) {
    ConversionSettings settings;
    RecordingHost host;
    ConversionRun run(settings, host);
    run.running = true;
    run.errorShown = true;
    EXPECT_FALSE(run.OnIdle()); // no job: the run has already gone
    EXPECT_TRUE(host.texts.empty());
    EXPECT_FALSE(run.running);
    EXPECT_FALSE(run.errorShown);
    EXPECT_FALSE(host.controlsRunning);
}

TEST(ConversionRunTest, AModeOutsideTheListEndsAfterTheFirstStepWithoutOutput) {
    TempFolder folder("run_mode3");
    ConversionSettings settings =
        settingsFor(test::SmallClip(folder.file("in.avi"), 10, 0), folder.file("out.avi"));
    settings.SceneDetection = 3;
    RecordingHost host;
    ConversionRun run(settings, host);
    run.StartRun();
    EXPECT_FALSE(run.IdleStep());
    expectCounters(run, "         1", "0:00:00.04", 0);
    run.StopRun();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(ConversionRunTest, ThePreviewDrawsIntoTheWrittenFramesOnlyWhileWanted) {
    TempFolder folder("run_preview");
    const std::string input = test::SmallClip(folder.file("in.avi"), 4, 0);
    for (const bool wanted : {true, false}) {
        const std::string output = folder.file(wanted ? "shown.avi" : "hidden.avi");
        ConversionSettings settings = settingsFor(input, output);
        settings.KeepSettings = 0;
        settings.KeepFrameSize = 0;
        settings.KeepAspect = 0;
        settings.FrameWidth = 32;
        settings.FrameHeight = 20;
        RecordingHost host;
        host.wantPreview = wanted;
        ConversionRun run(settings, host);
        run.StartRun();
        while (run.IdleStep()) {
        }
        run.StopRun();
        EXPECT_EQ(host.created, (std::vector<int>{32, 20, 64, 48}));
        EXPECT_EQ(host.drawn, wanted ? 4 : 0);

        ReaderGraph reader(output, ReaderGraph::VideoTemplate(), true);
        uint32_t length = 0;
        const uint8_t* frame = reader.NextSample(&length, nullptr, nullptr);
        ASSERT_EQ(length, 96u * 20u);
        const bool marked = std::all_of(frame, frame + length, [](uint8_t b) { return b == 0x80; });
        EXPECT_EQ(marked, wanted);
    }
}

TEST(ConversionRunTest, StoppingAProjectRunWritesTheLastFrameReadAsItsLastLine) {
    TempFolder folder("run_project_stop");
    const std::string input = test::SmallClip(folder.file("in.avi"), 20, 0);
    ConversionSettings settings = settingsFor(input, folder.file("unused.avi"));
    settings.SceneDetection = 2;
    settings.ClipsFileName = folder.file("cuts.flp");
    RecordingHost host;
    ConversionRun run(settings, host);
    run.StartRun();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(run.IdleStep());
    run.StopRun();
    EXPECT_EQ(test::FileText(settings.ClipsFileName),
              "text description 30\r\n" + input + "\r\n0\r\n2\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder.file("unused.avi")));
}

} // namespace
} // namespace zentar

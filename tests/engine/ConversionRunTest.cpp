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

    // The first frame ends at 1,000,000: output times 0 .. 999,999 all carry it.
    ASSERT_TRUE(run.IdleStep());
    EXPECT_EQ(run.framesRead(), 1u);
    EXPECT_EQ(run.clipCounter(), 1);
    EXPECT_EQ(run.inputTime(), 1'000'000);
    EXPECT_EQ(run.outputTime(), 4 * 333'333);
    ASSERT_TRUE(run.IdleStep());
    EXPECT_EQ(run.outputTime(), 7 * 333'333);

    run.running = true;
    int steps = 0;
    while (run.OnIdle())
        ASSERT_LT(++steps, 100);
    EXPECT_EQ(run.framesRead(), 11u); // ten frames and the read that found the end
    EXPECT_EQ(run.outputTime(), 31 * 333'333);
    EXPECT_FALSE(run.running);
    EXPECT_FALSE(run.hasJob());
    EXPECT_FALSE(host.controlsRunning);
    ASSERT_GE(host.texts.size(), 2u);
    EXPECT_EQ(host.texts[host.texts.size() - 2], "Stopping... please wait.");
    EXPECT_TRUE(host.redraws[host.texts.size() - 2]);
    EXPECT_EQ(host.texts.back(), "");
    EXPECT_EQ(host.destroyed, 1);
    EXPECT_EQ(host.drawn, 0); // no preview wanted
    EXPECT_NE(run.StatisticsText().find("Clips processed\t1"), std::string::npos);
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
    EXPECT_EQ(run.framesRead(), 1u);
    EXPECT_EQ(run.clipCounter(), 0);
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

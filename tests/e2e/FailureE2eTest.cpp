// zentar-convert when things go wrong (bad inputs are tests/badinput's): outputs that cannot be
// made, an output naming the input, a device that fills up, and Ctrl-C half-way. Each case checks
// the message and exit status, that nothing is left half-written, and that the program ends.
#include "tests/e2e/E2eSupport.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zentar::e2e {
namespace {

namespace fs = std::filesystem;
using test::AudioSpec;
using test::TempFolder;
using test::VideoSpec;

std::string smallClip(const std::string& path, int frames = 10, int width = 64, int height = 48) {
    VideoSpec video{.width = width, .height = height, .frames = frames};
    video.cutFrames = {frames / 3, 2 * frames / 3};
    return test::writeClip(path, {"avi", video, AudioSpec{.seconds = frames / 25.0}});
}

TEST(FailureE2eTest, OutputsThatCannotBeMadeAreReportedAndNotLeftHalfWritten) {
    TempFolder folder("e2e_bad_outputs");
    const std::string input = smallClip(folder.file("in.avi"));
    const std::string out = folder.file("out.avi");
    expectFailure(convert({"SrcFileName=" + input, "DstFileName=" + out, "VideoCodec=No Such"}),
                  "Cannot open output file.");
    EXPECT_FALSE(fs::exists(out));

    const std::string nowhere = folder.file("missing/out.avi");
    expectFailure(convert({"SrcFileName=" + input, "DstFileName=" + nowhere}),
                  "Cannot make conversion.");
    EXPECT_FALSE(fs::exists(nowhere));

    // A device that is full: the refused write ends the run as a failure, not as a success.
    const std::string full = folder.file("full.avi");
    fs::create_symlink("/dev/full", full);
    expectFailure(convert({"SrcFileName=" + input, "DstFileName=" + full}),
                  "Cannot make conversion.");

    const std::string project = folder.file("sub/cuts.flp");
    expectFailure(convert({"SrcFileName=" + input, "SceneDetection=2", "ClipsFileName=" + project}),
                  "Cannot write Frameloom project file");
}

TEST(FailureE2eTest, AnOutputNamingTheInputIsRefusedBeforeAnythingIsWritten) {
    TempFolder folder("e2e_output_is_input");
    const std::string input = smallClip(folder.file("trip00001.avi"));
    const std::string before = test::FileText(input);
    expectFailure(convert({"SrcFileName=" + input, "DstFileName=" + input}),
                  "Cannot open output file.");
    // The second clip of the sequence would be the input itself.
    expectFailure(convert({"SrcFileName=" + input, "SceneDetection=1",
                           "DstFileName=" + folder.file("trip.avi")}),
                  "Cannot open output file.");
    expectFailure(convert({"SrcFileName=" + input, "SceneDetection=2", "ClipsFileName=" + input}),
                  "Cannot open output file.");
    EXPECT_EQ(test::FileText(input), before);
    EXPECT_FALSE(fs::exists(folder.file("trip00000.avi")));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

// zentar-convert interrupted with Ctrl-C once its first progress line is out.
test::ChildResult convertAndInterrupt(const std::vector<std::string>& args) {
    return test::RunChild(std::string(ZENTAR_BINARY_DIR) + "/bin/zentar-convert", args, 60000, "",
                          {}, "Frames processed");
}

TEST(FailureE2eTest, CtrlCHalfWayLeavesAnOutputThatPlaysToItsEnd) {
    TempFolder folder("e2e_interrupt");
    const std::string input = smallClip(folder.file("long.avi"), 1500, 160, 120);
    const std::string out = folder.file("part.avi");
    const test::ChildResult r = convertAndInterrupt({"SrcFileName=" + input, "DstFileName=" + out});
    ASSERT_TRUE(r.interrupted);
    EXPECT_EQ(r.exitCode, 130);
    expectPlayable(out); // the index covers every frame written
    EXPECT_LT(test::probeStream(out, "v:0", true)->frames, 1500);

    // In project mode the stop still writes the last line.
    const std::string project = folder.file("cuts.flp");
    const test::ChildResult p = convertAndInterrupt(
        {"SrcFileName=" + input, "SceneDetection=2", "ClipsFileName=" + project});
    ASSERT_TRUE(p.interrupted);
    EXPECT_EQ(p.exitCode, 130);
    const std::string text = test::FileText(project);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.rfind("text description 30\r\n" + input + "\r\n0\r\n", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

} // namespace
} // namespace zentar::e2e

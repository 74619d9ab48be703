// Clip splitting through zentar-convert: one clip per detected cut named in sequence with the
// clips together holding every output step, the project file of cuts without any media
// file, and WMV output named without extension.
#include "tests/e2e/E2eSupport.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zentar::e2e {
namespace {

namespace fs = std::filesystem;
using test::AudioSpec;
using test::ClipSpec;
using test::TempFolder;
using test::VideoSpec;

// 40 frames at 25 fps with scene cuts at frames 10 and 25, and 1.6 s of sound.
std::string threeScenes(const std::string& path) {
    // Brightness changes the detector's default thresholds see (value change 0.7).
    VideoSpec video{.frames = 40, .cutFrames = {10, 25}};
    video.sceneColours = {{200, 200, 200}, {40, 40, 40}, {220, 220, 220}};
    return test::writeClip(path, {"avi", video, AudioSpec{.seconds = 1.6}});
}

TEST(ClipSplittingE2eTest, EveryCutStartsTheNextNumberedClip) {
    TempFolder folder("e2e_clips");
    const std::string input = threeScenes(folder.file("in.mkv"));
    fs::create_directory(folder.file("clips"));
    const test::ChildResult r = convert({"SrcFileName=" + input, "SceneDetection=1",
                                         "DstFileName=" + folder.file("clips/trip.avi")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Clips processed\t3"), std::string::npos) << r.out;
    ASSERT_EQ(filesBelow(folder.file("clips")),
              (std::vector<std::string>{"trip00000.avi", "trip00001.avi", "trip00002.avi"}));
    const int64_t expectedFrames[] = {10, 15, 15};
    double sound = 0;
    for (int i = 0; i < 3; ++i) {
        const std::string clip = folder.file("clips/trip0000" + std::to_string(i) + ".avi");
        const auto video = test::probeStream(clip, "v:0", true);
        ASSERT_TRUE(video) << clip;
        EXPECT_EQ(video->frames, expectedFrames[i]) << clip;
        sound += soundSeconds(clip);
    }
    EXPECT_NEAR(sound, 1.6, 0.041); // the sound goes on across the clips
}

TEST(ClipSplittingE2eTest, ProjectModeWritesTheCutsAndNoMediaFile) {
    TempFolder folder("e2e_project");
    const std::string input = threeScenes(folder.file("in.avi"));
    const std::string project = folder.file("cuts.flp");
    const test::ChildResult r =
        convert({"SrcFileName=" + input, "SceneDetection=2", "ClipsFileName=" + project,
                 "DstFileName=" + folder.file("never.avi")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(filesBelow(folder.path()), (std::vector<std::string>{"cuts.flp", "in.avi"}));
    // The last line is the frames-read count minus one: the read reporting the end counts.
    EXPECT_EQ(test::FileText(project),
              "text description 30\r\n" + input + "\r\n0\r\n10\r\n25\r\n40\r\n");
}

TEST(ClipSplittingE2eTest, WmvOutputNamedWithoutExtensionGetsTheTypes) {
    TempFolder folder("e2e_wmv");
    const std::string input = threeScenes(folder.file("in.avi"));
    // One output named without an extension gets the type's.
    const test::ChildResult single =
        convert({"SrcFileName=" + input, "DstFileType=1", "DstFileName=" + folder.file("one")});
    ASSERT_EQ(single.exitCode, 0) << single.err;
    EXPECT_NE(single.out.find("Clips processed\t1"), std::string::npos) << single.out;
    EXPECT_FALSE(fs::exists(folder.file("one")));
    EXPECT_EQ(test::streamFacts(folder.file("one.wmv"), "v:0"), "wmv2 64x48 40");
    EXPECT_TRUE(test::probeStream(folder.file("one.wmv"), "a:0"));
}

} // namespace
} // namespace zentar::e2e

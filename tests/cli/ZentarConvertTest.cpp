// zentar-convert as a user runs it: the built binary, its output and its exit status.
#include "tests/support/process/ChildProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace zentar {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = std::string(ZENTAR_BINARY_DIR) + "/bin/zentar-convert";

test::ChildResult convert(const std::vector<std::string>& args) {
    const test::ChildResult result = test::RunChild(kProgram, args, 30000, "/");
    EXPECT_FALSE(result.timedOut);
    return result;
}

// The line of `key` in INI text, e.g. "FrameRate=29970".
std::string lineOf(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key + "=", 0) == 0)
            return line;
    }
    return "<missing " + key + ">";
}

TEST(ZentarConvertTest, PrintsTheDefaultsInSaveOrder) {
    const test::ChildResult r = convert({"--print-settings"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string video = std::string(24, 'A') + "ABHCAAAA" + std::string(56, 'A');
    EXPECT_EQ(r.out, "[Options]\nLastFolder=/\nSrcFileName=\nDstFileName=\nAudioCodec=PCM\n"
                     "VideoCodec=Microsoft Video 1\n"
                     "AudioFormat=" +
                         std::string(36, 'A') +
                         "\nMediaProfile=\n"
                         "VideoFormat=" +
                         video +
                         "\nDstFileType=0\nKeepSettings=1\nSceneDetection=0\nWantPreview=1\n"
                         "KeepFrameRate=1\nFrameRate=30000\nKeepFrameSize=1\nFrameWidth=320\n"
                         "FrameHeight=240\nKeepAspect=1\nKeepSound=1\nChannels=1\nBits=1\n"
                         "SampleRate=3\nHueThreshold=1\nSatThreshold=0\nValThreshold=0.7\n"
                         "DisThreshold=0.3\nShowStatistics=0\nClipsFileName=\nShowScenes=0\n"
                         "DetectionMethod=0\nAdaptiveThreshold=3\nMinSceneLength=0\nFlashGuard=0\n"
                         "DetectFades=0\nScoreLogFileName=\nVideoPreset=\n");
}

TEST(ZentarConvertTest, StoredFormsRoundTripThroughTheCommandLine) {
    const std::string pcm = "BAAACAAAEEMKAAAAABBLCAAAEAAAABAAAAAA";
    const test::ChildResult r =
        convert({"FrameRate=29970", "WantPreview=5", "AudioFormat=" + pcm, "HueThreshold=0.250",
                 "VideoFormat=" + std::string(86, 'B'), "--print-settings"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(lineOf(r.out, "FrameRate"), "FrameRate=29970");
    EXPECT_EQ(lineOf(r.out, "WantPreview"), "WantPreview=1");
    EXPECT_EQ(lineOf(r.out, "AudioFormat"), "AudioFormat=" + pcm);
    EXPECT_EQ(lineOf(r.out, "HueThreshold"), "HueThreshold=0.25");
    // The 43-byte record is ignored: the default options with quality 10000 stay.
    EXPECT_EQ(lineOf(r.out, "VideoFormat"),
              "VideoFormat=" + std::string(24, 'A') + "ABHCAAAA" + std::string(56, 'A'));
    EXPECT_NE(r.err.find("VideoFormat"), std::string::npos); // with a warning
}

TEST(ZentarConvertTest, ReadsASettingsFileAndLeavesItUnchanged) {
    const fs::path ini =
        fs::temp_directory_path() / ("zentar-convert-" + std::to_string(::getpid()) + ".ini");
    const std::string content = "[options]\r\nframerate=12345\r\nSceneDetection=7\r\n";
    std::ofstream(ini, std::ios::binary) << content;
    const test::ChildResult r = convert({"--settings", ini.string(), "--print-settings"});
    std::ifstream in(ini, std::ios::binary);
    const std::string after((std::istreambuf_iterator<char>(in)), {});
    fs::remove(ini);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(lineOf(r.out, "FrameRate"), "FrameRate=12345");
    EXPECT_EQ(lineOf(r.out, "SceneDetection"), "SceneDetection=0"); // out of range
    EXPECT_EQ(after, content);
}

TEST(ZentarConvertTest, UsageErrorsExitWithTwoAndAMessage) {
    // Which arguments are usage errors is tests/cli/CommandLineTest's.
    const test::ChildResult r = convert({"FrameRate=fast"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("zentar-convert: "), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    const test::ChildResult help = convert({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: zentar-convert"), std::string::npos);
}

} // namespace
} // namespace zentar

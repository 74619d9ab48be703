#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace zentar {
namespace {

TEST(CommandLineTest, SettingsFileComesFirstThenAssignmentsInOrder) {
    const std::string ini = (std::filesystem::temp_directory_path() /
                             ("zentar-cli-order-" + std::to_string(::getpid()) + ".ini"))
                                .string();
    std::ofstream(ini) << "[Options]\nFrameWidth=640\nFrameHeight=480\nSrcFileName=from-file\n";
    const CommandLine line = ParseCommandLine(
        {"framewidth=100", "--settings", ini, "FRAMEWIDTH=200", "SrcFileName=a=b.avi"});
    std::filesystem::remove(ini);
    EXPECT_EQ(line.settings.FrameWidth, 200);
    EXPECT_EQ(line.settings.FrameHeight, 480);
    EXPECT_EQ(line.settings.SrcFileName, "a=b.avi"); // only the first '=' splits
    EXPECT_TRUE(line.warnings.empty());
}

TEST(CommandLineTest, RangeChecksAndIgnoredRecordsBecomeWarnings) {
    const CommandLine line =
        ParseCommandLine({"SampleRate=9", "VideoFormat=" + std::string(86, 'A'), "Bits=0"});
    EXPECT_EQ(line.settings.SampleRate, 3);
    EXPECT_EQ(line.settings.Bits, 0);
    EXPECT_EQ(line.settings.VideoFormat.dwQuality, 10000u);
    ASSERT_EQ(line.warnings.size(), 2u);
    EXPECT_NE(line.warnings[0].find("SampleRate=9"), std::string::npos);
    EXPECT_NE(line.warnings[1].find("VideoFormat"), std::string::npos);
}

TEST(CommandLineTest, UnusableArgumentsAreUsageErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"-x"},
        {"SrcFileName"},
        {"=value"},
        {"NoSuchKey=1"},
        {"--settings"},
        {"--settings=/no/such/file.ini"},
        {"--settings="}, // an empty file name is no file, not "no option"
        {"--settings", ""},
        {"FrameRate=29.97"},
        {"FrameWidth=wide"},
        {"HueThreshold=high"},
    };
    for (const auto& args : bad) {
        EXPECT_THROW(ParseCommandLine(args), UsageError) << args[0];
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(RunCommandLine(args, out, err), kExitUsage) << args[0];
        EXPECT_NE(err.str().find("zentar-convert: "), std::string::npos);
        EXPECT_EQ(out.str(), "");
    }
}

} // namespace
} // namespace zentar

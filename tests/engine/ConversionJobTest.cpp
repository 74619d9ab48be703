// ConversionJob on real files and scripted streams: the frame rate it settles (stated,
// measured, forced, refused), the audio cut into contiguous blocks of one frame period, the
// refusal of an output that is the input itself, and outputs that fail. Whole AVI outputs
// are the end-to-end tests'.
#include "engine/ConversionJob.h"
#include "engine/CMyException.h"
#include "tests/engine/FailureCode.h"
#include "tests/engine/ScriptedSourceFile.h"
#include "tests/engine/SmallClip.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zentar {
namespace {

using test::codeOf;
using test::SmallClip;
using test::TempFolder;

std::vector<uint8_t> wholeSound(const std::string& path) {
    ReaderGraph reader(path, ReaderGraph::AudioTemplate(), true);
    std::vector<uint8_t> bytes;
    for (;;) {
        uint32_t length = 0;
        const uint8_t* data = reader.NextSample(&length, nullptr, nullptr);
        if (length == 0)
            return bytes;
        bytes.insert(bytes.end(), data, data + length);
    }
}

TEST(ConversionJobTest, AudioBlocksAt2997FpsAreContiguousAndTheLastIsZeroPadded) {
    TempFolder folder("job_audio_blocks");
    const std::string path = SmallClip(folder.file("clip.avi"), 30, 1.2);
    const std::vector<uint8_t> sound = wholeSound(path);
    ASSERT_EQ(sound.size(), 211'680u); // 1.2 s of 44,100 Hz 16-bit stereo

    ConversionJob job;
    job.open_input(path, 29.97);
    AudioFormatRecord format;
    uint32_t blockSize = 0;
    job.get_audio_info(&format, &blockSize);
    EXPECT_EQ(format.nAvgBytesPerSec, 176'400u);
    EXPECT_EQ(format.nBlockAlign, 4);
    // Not a whole number of sample frames: blocks are pieces of one byte stream.
    EXPECT_EQ(blockSize, 5'885u);

    std::vector<uint8_t> joined;
    int blocks = 0;
    while (const uint8_t* block = job.next_audio_block()) {
        joined.insert(joined.end(), block, block + blockSize);
        ASSERT_LT(++blocks, 1000);
    }
    EXPECT_EQ(blocks, (211'680 + 5'884) / 5'885);
    ASSERT_EQ(joined.size(), static_cast<size_t>(blocks) * blockSize);
    EXPECT_TRUE(std::equal(sound.begin(), sound.end(), joined.begin()));
    EXPECT_TRUE(
        std::all_of(joined.begin() + sound.size(), joined.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_FALSE(job.has_audio_reader());
    EXPECT_EQ(job.carry_count(), 0u);
    EXPECT_EQ(job.next_audio_block(), nullptr);

    // Each step advances the output time by one truncated frame period.
    REFERENCE_TIME time = 0;
    EXPECT_TRUE(job.write_step(nullptr, nullptr, true, &time));
    EXPECT_EQ(time, 333'667);
}

TEST(ConversionJobTest, VideoFramesEndWithTheReaderAndTheStatedRateIsKept) {
    TempFolder folder("job_video");
    const std::string path = SmallClip(folder.file("clip.avi"), 10, 0);
    ConversionJob job;
    job.open_input(path, 12.5);
    double inputRate = 0;
    VIDEOINFOHEADER header;
    job.get_video_info(&inputRate, &header);
    EXPECT_DOUBLE_EQ(inputRate, 25.0); // the input's, not the forced one
    EXPECT_EQ(header.bmiHeader.biWidth, 64);
    EXPECT_EQ(header.bmiHeader.biHeight, 48);
    EXPECT_DOUBLE_EQ(job.frame_rate(), 12.5);
    EXPECT_EQ(job.frame_period(), 800'000);
    AudioFormatRecord format;
    uint32_t blockSize = 7;
    job.get_audio_info(&format, &blockSize);
    EXPECT_EQ(blockSize, 0u);
    EXPECT_EQ(format, AudioFormatRecord{});
    EXPECT_EQ(job.next_audio_block(), nullptr);

    int frames = 0;
    REFERENCE_TIME end = 0;
    while (job.next_video_frame(&end)) {
        ++frames;
        EXPECT_EQ(end, frames * 400'000LL);
        ASSERT_LT(frames, 100);
    }
    EXPECT_EQ(frames, 10);
    EXPECT_FALSE(job.has_video_reader());
    EXPECT_EQ(job.next_video_frame(&end), nullptr);
    EXPECT_EQ(end, 4'000'000);
}

TEST(ConversionJobTest, RateBelowOneIsMeasuredFromTheSamplesAndTheReaderRewound) {
    // No frame time in the format and shorter than half a second: the reader reports 0.
    test::ScriptedSourceFile file("scripted:measure", {10, 400'000, 0, -1});
    ConversionJob job;
    job.open_input("scripted:measure", 0);
    double inputRate = 0;
    job.get_video_info(&inputRate, nullptr);
    EXPECT_DOUBLE_EQ(inputRate, 25.0);
    EXPECT_DOUBLE_EQ(job.frame_rate(), 25.0);
    REFERENCE_TIME end = 0;
    const uint8_t* frame = job.next_video_frame(&end);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(test::ScriptedSourceFile::indexOf(frame), 0);
    EXPECT_EQ(end, 400'000);
}

TEST(ConversionJobTest, NoUsableFrameRateIsRefusedUnlessOneIsForced) {
    // Samples of one time unit each: nothing stated, and a measured 10^7 fps is no rate.
    test::ScriptedSourceFile file("scripted:untimed", {5, 1, 0, -1});
    EXPECT_EQ(codeOf([] { ConversionJob().open_input("scripted:untimed", 0); }), 7);
    ConversionJob forced;
    EXPECT_EQ(codeOf([&] { forced.open_input("scripted:untimed", 10.0); }), 0);
    EXPECT_EQ(forced.frame_period(), 1'000'000);
}

TEST(ConversionJobTest, AnOutputNamingTheInputIsRefusedBeforeAnythingIsWritten) {
    TempFolder folder("job_output_is_input");
    const std::string path = SmallClip(folder.file("clip.avi"), 10, 0.4);
    const std::string before = test::FileText(path);
    std::filesystem::create_hard_link(path, folder.file("link.avi"));

    ConversionJob job;
    job.open_input(path, 0);
    job.set_video_output(VideoFormatRecord{}, 64, 48, "<Uncompressed>");
    for (const std::string& name :
         {path, folder.path() + "/./clip.avi",
          folder.path() + "/../" + std::filesystem::path(folder.path()).filename().string() +
              "/clip.avi",
          folder.file("link.avi")}) {
        EXPECT_EQ(codeOf([&] { job.open_output(name, ".avi", std::nullopt); }), 5) << name;
        EXPECT_EQ(codeOf([&] { job.open_output(name, ".wmv", std::nullopt); }), 5) << name;
        EXPECT_FALSE(job.has_writer());
    }
    EXPECT_EQ(test::FileText(path), before);
    EXPECT_TRUE(job.names_input_file(folder.file("link.avi")));
    EXPECT_FALSE(job.names_input_file(folder.file("other.avi")));
}

TEST(ConversionJobTest, OutputFailuresReportCodesOrCloseTheOutput) {
    TempFolder folder("job_output_failures");
    const std::string input = SmallClip(folder.file("in.avi"), 5, 0.2);
    ConversionJob job;
    job.open_input(input, 0);
    AudioFormatRecord sound;
    job.get_audio_info(&sound, nullptr);
    job.set_audio_output(sound, "PCM");

    // A folder that does not exist: the graph cannot start with the first step (code 6),
    // and the output is closed rather than left half-open.
    job.set_video_output(VideoFormatRecord{}, 64, 48, "<Uncompressed>");
    const std::string nowhere = folder.file("missing/b.avi");
    job.open_output(nowhere, ".avi", {});
    REFERENCE_TIME time = 0;
    EXPECT_EQ(codeOf([&] {
                  REFERENCE_TIME end = 0;
                  job.write_step(job.next_video_frame(&end), job.next_audio_block(), false, &time);
              }),
              6);
    EXPECT_FALSE(job.has_writer());
    EXPECT_EQ(time, 0);
    EXPECT_FALSE(std::filesystem::exists(nowhere));

    // A full device: a step fails (the output is then closed), or, when everything fitted
    // in buffers, finishing the file does.
    job.open_output("/dev/full", ".avi", {});
    bool failed = false;
    while (!failed) {
        REFERENCE_TIME end = 0;
        const uint8_t* frame = job.next_video_frame(&end);
        const uint8_t* block = job.next_audio_block();
        if (!frame && !block)
            break;
        failed = !job.write_step(frame, block, false, &time);
    }
    if (!failed)
        failed = !job.close_output();
    EXPECT_TRUE(failed);
    EXPECT_FALSE(job.has_writer());
}

} // namespace
} // namespace zentar

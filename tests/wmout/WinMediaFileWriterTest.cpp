// The conversion job writing WMV through the writer port the front ends hand it: a whole
// conversion read back by ffprobe, and a missing writer library failing with code 9.
#include "wmout/WinMediaFileWriter.h"

#include "engine/CMyException.h"
#include "engine/ConversionJob.h"
#include "tests/asfbridge/WriterLibrary.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zentar::test {
namespace {

std::string makeInput(const TempFolder& folder) {
    ClipSpec spec;
    VideoSpec video;
    video.width = 80;
    video.height = 60;
    video.frames = 25;
    spec.video = video;
    spec.audio = AudioSpec{};
    return writeClip(folder.file("in.avi"), spec);
}

void openJob(ConversionJob& job, const std::string& input) {
    job.open_input(input, 0);
    AudioFormatRecord sound;
    job.get_audio_info(&sound, nullptr);
    job.set_video_output(VideoFormatRecord{}, 80, 60, "<Uncompressed>");
    job.set_audio_output(sound, "PCM");
}

TEST(WinMediaFileWriterTest, AJobWritesAWholeWmvFileThroughThePort) {
    TempFolder folder("job_wmv");
    ConversionJob job(MakeWinMediaWriterFactory(
        std::make_shared<WinMediaLibrary>(std::vector<std::string>{writerLibraryPath()})));
    openJob(job, makeInput(folder));
    const std::string output = folder.file("out.wmv");
    job.open_output(output, "wmv", std::nullopt);
    ASSERT_TRUE(job.has_writer());
    REFERENCE_TIME time = 0;
    int steps = 0;
    for (;;) {
        REFERENCE_TIME end = 0;
        const uint8_t* frame = job.next_video_frame(&end);
        const uint8_t* block = job.next_audio_block();
        if (!frame && !block)
            break;
        ASSERT_TRUE(job.write_step(frame, block, false, &time));
        ASSERT_LT(++steps, 100);
    }
    EXPECT_TRUE(job.close_output());
    EXPECT_EQ(steps, 25);
    EXPECT_EQ(time, 25 * 400'000);

    const auto video = probeStream(output, "v:0", true);
    ASSERT_TRUE(video);
    EXPECT_EQ(video->frames, 25);
    EXPECT_EQ(video->width, 80);
    EXPECT_TRUE(probeStream(output, "a:0"));
}

TEST(WinMediaFileWriterTest, AMissingWriterLibraryFailsWithCode9) {
    TempFolder folder("job_wmv_missing");
    ConversionJob job(MakeWinMediaWriterFactory(std::make_shared<WinMediaLibrary>(
        std::vector<std::string>{"/nonexistent/libasfbridge.so"})));
    openJob(job, makeInput(folder));
    int32_t code = 0;
    try {
        job.open_output(folder.file("out.wmv"), ".WMV", std::nullopt);
    } catch (const CMyException& error) {
        code = error.code();
    }
    EXPECT_EQ(code, 9);
    EXPECT_FALSE(job.has_writer());
    EXPECT_FALSE(std::filesystem::exists(folder.file("out.wmv")));
}

} // namespace
} // namespace zentar::test

// Whole conversions through zentar-convert: parameters kept, frame-rate conversion (frames
// dropped and repeated), sound longer or shorter than the video, custom frame sizes and custom
// sound, each output read back by ffprobe, the ffmpeg tool and our own reader.
#include "tests/e2e/E2eSupport.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace zentar::e2e {
namespace {

using test::AudioSpec;
using test::ClipSpec;
using test::TempFolder;
using test::VideoSpec;

std::string clipWithSound(const std::string& path, int frames, double soundSeconds,
                          AudioSpec audio = {}) {
    audio.seconds = soundSeconds;
    return test::writeClip(path,
                           {"avi", VideoSpec{.frames = frames, .cutFrames = {frames / 2}}, audio});
}

void expectConverted(const test::ChildResult& r) {
    ASSERT_FALSE(r.timedOut);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Frames processed"), std::string::npos) << r.out;
}

TEST(ConversionE2eTest, FrameRateConversionDropsAndRepeatsTheRightFrames) {
    TempFolder folder("e2e_rates");
    // 25 -> 12.5 fps: every other frame is dropped.
    const std::string fast = writeNumberedClip(folder.file("fast.avi"), 24, 25);
    const std::string half = folder.file("half.avi");
    expectConverted(convert({"SrcFileName=" + fast, "DstFileName=" + half, "KeepSettings=0",
                             "KeepFrameRate=0", "FrameRate=12500", "VideoCodec=<Uncompressed>"}));
    std::vector<int> expected;
    for (int i = 0; i < 24; i += 2)
        expected.push_back(i);
    EXPECT_EQ(frameIndices(half, 64, 48, 24), expected);

    // 10 -> 30 fps: the first frame four times (output times 0 to 999,999 lie before its
    // end time 1,000,000), each following frame three times.
    const std::string slow = writeNumberedClip(folder.file("slow.avi"), 10, 10);
    const std::string triple = folder.file("triple.avi");
    expectConverted(convert({"SrcFileName=" + slow, "DstFileName=" + triple, "KeepSettings=0",
                             "KeepFrameRate=0", "FrameRate=30000", "VideoCodec=<Uncompressed>"}));
    expected = {0, 0, 0, 0};
    for (int i = 1; i < 10; ++i)
        expected.insert(expected.end(), {i, i, i});
    EXPECT_EQ(frameIndices(triple, 64, 48, 10), expected);
}

// Kept parameters give the input's frames, size, rate and sound, whichever lasts longer.
TEST(ConversionE2eTest, SoundLongerOrShorterThanTheVideoIsWrittenWhole) {
    TempFolder folder("e2e_lengths");
    // Sound outlasting the video: the remaining sound follows in steps without a frame.
    const std::string longSound = clipWithSound(folder.file("long.avi"), 25, 2.0);
    const std::string out1 = folder.file("out1.avi");
    expectConverted(convert({"SrcFileName=" + longSound, "DstFileName=" + out1}));
    EXPECT_EQ(test::streamFacts(out1, "v:0"), "msvideo1 64x48 25");
    EXPECT_EQ(test::streamFacts(out1, "a:0"), "pcm_s16le 44100 2");
    EXPECT_NEAR(soundSeconds(out1), 2.0, 0.041);

    // Video outlasting the sound: the last steps carry video only.
    const std::string shortSound = clipWithSound(folder.file("short.avi"), 50, 1.0);
    const std::string out2 = folder.file("out2.avi");
    expectConverted(convert({"SrcFileName=" + shortSound, "DstFileName=" + out2}));
    EXPECT_EQ(test::streamFacts(out2, "v:0"), "msvideo1 64x48 50");
    EXPECT_EQ(ffprobe(out2, "-select_streams v:0 -show_entries stream=r_frame_rate"), "25/1");
    EXPECT_EQ(framesReadBack(out2), 50);         // our own reader agrees
    EXPECT_NEAR(soundSeconds(out2), 1.0, 0.041); // the last block padded to a frame period

    // Sound shorter than one frame period: the reader ends while the first block is taken,
    // before the output opens; the output still gets the sound branch for that block.
    const std::string blip = clipWithSound(folder.file("blip.avi"), 10, 0.01);
    for (const char* type : {"avi", "wmv"}) {
        const std::string out3 = folder.file(std::string("out3.") + type);
        expectConverted(convert({"SrcFileName=" + blip, "DstFileName=" + out3,
                                 std::string("DstFileType=") + (type[0] == 'w' ? "1" : "0")}));
        EXPECT_TRUE(test::probeStream(out3, "a:0")) << type;
    }
}

TEST(ConversionE2eTest, CustomSoundConvertsBetween8BitMonoAnd16BitStereo) {
    TempFolder folder("e2e_sound");
    const AudioSpec narrow{.encoder = "pcm_u8", .sampleRate = 22050, .channels = 1};
    struct Case {
        const char* name;
        AudioSpec input;
        std::vector<std::string> settings; // Channels, Bits, SampleRate
        const char* sound;                 // codec, rate, channels
    };
    const Case cases[] = {
        {"mono", narrow, {"Channels=1", "Bits=1", "SampleRate=3"}, "pcm_s16le 44100 2"},
        {"stereo", AudioSpec{}, {"Channels=0", "Bits=0", "SampleRate=1"}, "pcm_u8 22050 1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string input =
            clipWithSound(folder.file(std::string(c.name) + ".avi"), 25, 1.0, c.input);
        const std::string output = folder.file(std::string(c.name) + "-out.avi");
        std::vector<std::string> args{"SrcFileName=" + input, "DstFileName=" + output,
                                      "KeepSettings=0", "KeepSound=0"};
        args.insert(args.end(), c.settings.begin(), c.settings.end());
        expectConverted(convert(args));
        EXPECT_EQ(test::streamFacts(output, "a:0"), c.sound);
        EXPECT_NEAR(soundSeconds(output), 1.0, 0.041);
    }
}

TEST(ConversionE2eTest, SharedMediaConvertsWithEveryFrameReadBack) {
    const std::string input = std::string(ZENTAR_SHARED_MEDIA_DIR) + "/tree.avi";
    TempFolder folder("e2e_tree");
    const std::string output = folder.file("tree.avi");
    expectConverted(convert({"SrcFileName=" + input, "DstFileName=" + output}));
    // The input's nominal 15 fps is kept: one output frame per 66,667 µs over 29.6 s, not a
    // 25 fps stream padded with filler frames.
    EXPECT_EQ(test::streamFacts(output, "v:0"), "msvideo1 320x240 444");
    EXPECT_EQ(framesReadBack(output), 444);
    EXPECT_NEAR(test::probeFormatDuration(output), test::probeFormatDuration(input), 0.2);
}

} // namespace
} // namespace zentar::e2e

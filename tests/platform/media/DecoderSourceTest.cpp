// DecoderSource on real files: the shared Cinepak sample and clips written at test time.
#include "platform/media/DecoderSource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "tests/support/media/InputKinds.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"

namespace zentar {
namespace {

using test::AudioSpec;
using test::ClipSpec;
using test::VideoSpec;

const std::string kTree = std::string(ZENTAR_SHARED_MEDIA_DIR) + "/tree.avi";

struct Decoded {
    std::vector<SampleInfo> samples;
    std::vector<std::vector<uint8_t>> data;
    HRESULT last = S_OK;
};

// Reads a selected stream to its end (bounded), keeping every sample's bytes when asked.
Decoded readAll(DecoderSource& source, int index, bool keepData, size_t limit = 100000) {
    const SourceStreamInfo& info = *source.stream(index);
    const uint32_t capacity =
        info.kind == StreamKind::Video ? info.video.imageBytes() : info.audio.avgBytesPerSecond();
    std::vector<uint8_t> buffer(capacity);
    Decoded out;
    while (out.samples.size() < limit) {
        SampleInfo sample;
        out.last = source.read(index, buffer.data(), capacity, sample);
        if (out.last != S_OK) {
            break;
        }
        out.samples.push_back(sample);
        if (keepData) {
            out.data.emplace_back(buffer.begin(), buffer.begin() + sample.bytes);
        }
    }
    return out;
}

int firstStream(const DecoderSource& source, StreamKind kind) {
    for (const auto& s : source.streams()) {
        if (s.kind == kind) {
            return s.index;
        }
    }
    return -1;
}

TEST(DecoderSourceTest, TreeAviDeliversEveryDecodedFrameWithContiguousTimes) {
    DecoderSource source;
    ASSERT_EQ(source.open(kTree), S_OK) << source.errorText();
    ASSERT_EQ(source.streams().size(), 1u);
    const SourceStreamInfo& info = source.streams()[0];
    EXPECT_EQ(info.kind, StreamKind::Video);
    EXPECT_EQ(info.video.width, 320);
    EXPECT_EQ(info.video.height, 240);
    EXPECT_EQ(info.video.imageBytes(), 320u * 3 * 240);
    EXPECT_EQ(info.video.avgTimePerFrame, 666670); // 15 fps stored as 66,667 us per frame
    EXPECT_EQ(info.durationFrames, 444);
    EXPECT_NEAR(static_cast<double>(info.durationHns), 296001480.0, 1.0);

    ASSERT_EQ(source.selectStream(info.index, true), S_OK);
    const Decoded decoded = readAll(source, info.index, false);
    EXPECT_EQ(decoded.last, S_FALSE);
    const auto probed = test::probeStream(kTree, "v:0", true);
    ASSERT_TRUE(probed);
    ASSERT_EQ(static_cast<int64_t>(decoded.samples.size()), probed->frames);
    ASSERT_GT(decoded.samples.size(), 10u);
    EXPECT_EQ(decoded.samples.front().startHns, 0);
    EXPECT_TRUE(decoded.samples.front().discontinuity);
    for (size_t i = 0; i + 1 < decoded.samples.size(); ++i) {
        ASSERT_EQ(decoded.samples[i].stopHns, decoded.samples[i + 1].startHns) << "frame " << i;
        ASSERT_LT(decoded.samples[i].startHns, decoded.samples[i].stopHns);
        ASSERT_FALSE(decoded.samples[i + 1].discontinuity);
    }
    EXPECT_EQ(decoded.samples.back().stopHns - decoded.samples.back().startHns, 666670);
    // A further read after the end keeps answering "end".
    std::vector<uint8_t> buffer(info.video.imageBytes());
    SampleInfo sample;
    EXPECT_EQ(source.read(info.index, buffer.data(), info.video.imageBytes(), sample), S_FALSE);
}

TEST(DecoderSourceTest, SeekBackToZeroReadsTheFirstFrameAgain) {
    DecoderSource source;
    ASSERT_EQ(source.open(kTree), S_OK) << source.errorText();
    ASSERT_EQ(source.selectStream(0, true), S_OK);
    const Decoded first = readAll(source, 0, true, 20);
    ASSERT_EQ(first.samples.size(), 20u);

    ASSERT_EQ(source.seek(0), S_OK) << source.errorText();
    const Decoded again = readAll(source, 0, true, 20);
    ASSERT_EQ(again.samples.size(), 20u);
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(again.samples[i].startHns, first.samples[i].startHns);
        EXPECT_EQ(again.samples[i].stopHns, first.samples[i].stopHns);
        EXPECT_TRUE(again.data[i] == first.data[i]) << "frame " << i;
    }
    EXPECT_TRUE(again.samples[0].discontinuity);

    // Into the middle: the first frame delivered starts at or after the target.
    const REFERENCE_TIME target = first.samples[10].startHns - 1;
    ASSERT_EQ(source.seek(target), S_OK);
    const Decoded middle = readAll(source, 0, true, 1);
    ASSERT_EQ(middle.samples.size(), 1u);
    EXPECT_EQ(middle.samples[0].startHns, first.samples[10].startHns);
    EXPECT_TRUE(middle.data[0] == first.data[10]);
}

TEST(DecoderSourceTest, RowsComeOutBottomUpWithPaddedStride) {
    test::TempFolder folder("rows");
    ClipSpec spec;
    spec.video = VideoSpec{};
    spec.video->encoder = "ffv1";
    spec.video->pixelFormat = "bgr0";
    spec.video->width = 30; // 90 bytes of pixels, 92 with padding
    spec.video->height = 20;
    spec.video->frames = 3;
    spec.video->topBandRows = 1;
    spec.video->topBandColour = {250, 10, 20};
    spec.video->sceneColours = {{10, 20, 240}};
    const std::string path = test::writeClip(folder.file("rows.avi"), spec);

    DecoderSource source;
    ASSERT_EQ(source.open(path), S_OK) << source.errorText();
    ASSERT_EQ(source.selectStream(0, true), S_OK);
    EXPECT_EQ(source.streams()[0].video.strideBytes(), 92);
    const Decoded decoded = readAll(source, 0, true);
    ASSERT_EQ(decoded.samples.size(), 3u);
    const std::vector<uint8_t>& frame = decoded.data[0];
    ASSERT_EQ(frame.size(), 92u * 20);
    // Buffer row 19 is the picture's top line; bytes are blue, green, red.
    const uint8_t* top = frame.data() + 19 * 92;
    const uint8_t* bottom = frame.data();
    for (int x = 0; x < 30; ++x) {
        EXPECT_EQ(top[3 * x], 20);
        EXPECT_EQ(top[3 * x + 1], 10);
        EXPECT_EQ(top[3 * x + 2], 250);
        EXPECT_EQ(bottom[3 * x], 240);
        EXPECT_EQ(bottom[3 * x + 2], 10);
    }
}

struct ColourCase {
    const char* name;
    test::ColourMatrix matrix;
    test::ColourRange range;
};

class DecoderSourceColourTest : public ::testing::TestWithParam<ColourCase> {};

// Our RGB equals, within one level, what FFmpeg's own scale filter makes of the same file.
TEST_P(DecoderSourceColourTest, SolidColoursMatchFfmpegScale) {
    test::TempFolder folder("colour");
    ClipSpec spec;
    spec.format = "matroska";
    spec.video = VideoSpec{};
    spec.video->encoder = "ffv1";
    spec.video->pixelFormat = "yuv420p";
    spec.video->width = 32;
    spec.video->height = 16;
    spec.video->frames = 8;
    spec.video->cutFrames = {2, 4, 6};
    spec.video->sceneColours = {{200, 30, 30}, {30, 180, 40}, {250, 250, 20}, {16, 16, 16}};
    spec.video->matrix = GetParam().matrix;
    spec.video->range = GetParam().range;
    const std::string path = test::writeClip(folder.file("colours.mkv"), spec);

    DecoderSource source;
    ASSERT_EQ(source.open(path), S_OK) << source.errorText();
    ASSERT_EQ(source.selectStream(0, true), S_OK);
    const Decoded decoded = readAll(source, 0, true);
    ASSERT_EQ(decoded.samples.size(), 8u);
    const std::vector<uint8_t> reference = test::ffmpegDecodeBgr24(path);
    const size_t row = 32 * 3;
    ASSERT_EQ(reference.size(), 8 * row * 16);
    for (size_t f = 0; f < 8; ++f) {
        for (size_t y = 0; y < 16; ++y) {
            const uint8_t* ours = decoded.data[f].data() + (15 - y) * row;
            const uint8_t* theirs = reference.data() + (f * 16 + y) * row;
            for (size_t i = 0; i < row; ++i) {
                ASSERT_LE(std::abs(ours[i] - theirs[i]), 1)
                    << "frame " << f << " line " << y << " byte " << i;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Matrices, DecoderSourceColourTest,
    ::testing::Values(
        ColourCase{"Untagged", test::ColourMatrix::Unspecified, test::ColourRange::Unspecified},
        ColourCase{"Bt709Limited", test::ColourMatrix::Bt709, test::ColourRange::Limited},
        ColourCase{"Bt709Full", test::ColourMatrix::Bt709, test::ColourRange::Full},
        ColourCase{"Bt601Full", test::ColourMatrix::Bt601, test::ColourRange::Full}),
    [](const auto& p) { return std::string(p.param.name); });

class DecoderSourceContainerTest : public ::testing::TestWithParam<test::InputKind> {};

// Both streams of each accepted input kind decode, on two threads at once, to the right
// formats and lengths.
TEST_P(DecoderSourceContainerTest, BothStreamsDecodeWithTheRightFormats) {
    const test::InputKind& c = GetParam();
    test::TempFolder folder("container");
    ClipSpec spec = test::InputKindClip(c, 50, 2.0);
    spec.video->cutFrames = {20};
    const std::string path = test::writeClip(folder.file(c.file), spec);

    DecoderSource source;
    ASSERT_EQ(source.open(path), S_OK) << source.errorText();
    const int video = firstStream(source, StreamKind::Video);
    const int audio = firstStream(source, StreamKind::Audio);
    ASSERT_GE(video, 0);
    ASSERT_GE(audio, 0);
    const SourceStreamInfo& a = *source.stream(audio);
    EXPECT_EQ(a.audio.sampleRate, static_cast<uint32_t>(c.sampleRate));
    EXPECT_EQ(a.audio.channels, c.channelsOut);
    EXPECT_EQ(a.audio.bitsPerSample, c.bitsOut);
    EXPECT_EQ(source.stream(video)->video.width, c.width);
    EXPECT_EQ(source.stream(video)->video.height, c.height);
    ASSERT_EQ(source.selectStream(video, true), S_OK);
    ASSERT_EQ(source.selectStream(audio, true), S_OK);

    Decoded videoOut;
    Decoded audioOut;
    std::thread videoThread([&] { videoOut = readAll(source, video, false); });
    std::thread audioThread([&] { audioOut = readAll(source, audio, false); });
    videoThread.join();
    audioThread.join();
    EXPECT_EQ(videoOut.last, S_FALSE);
    EXPECT_EQ(audioOut.last, S_FALSE);
    EXPECT_EQ(videoOut.samples.size(), 50u);
    int64_t bytes = 0;
    for (const auto& s : audioOut.samples) {
        bytes += s.bytes;
    }
    const double seconds = static_cast<double>(bytes) / a.audio.avgBytesPerSecond();
    EXPECT_NEAR(seconds, 2.0, 0.1);
    ASSERT_FALSE(audioOut.samples.empty());
    for (size_t i = 0; i + 1 < audioOut.samples.size(); ++i) {
        EXPECT_LT(audioOut.samples[i].startHns, audioOut.samples[i + 1].startHns);
    }
    EXPECT_NEAR(static_cast<double>(a.durationSamples),
                static_cast<double>(a.durationHns) * c.sampleRate / 1e7, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Inputs, DecoderSourceContainerTest,
                         ::testing::ValuesIn(test::AcceptedInputKinds()), test::InputKindName);

TEST(DecoderSourceTest, UnreadableInputsFailToOpenWithAClearMessage) {
    test::TempFolder folder("bad");
    DecoderSource source;
    EXPECT_TRUE(FAILED(source.open(folder.file("missing.avi"))));
    EXPECT_NE(source.errorText().find("missing.avi"), std::string::npos);
    EXPECT_TRUE(source.streams().empty());

    const std::string garbage = folder.file("garbage.avi");
    {
        FILE* f = std::fopen(garbage.c_str(), "wb");
        for (int i = 0; i < 5000; ++i) {
            std::fputc((i * 7919) & 0xFF, f);
        }
        std::fclose(f);
    }
    EXPECT_TRUE(FAILED(source.open(garbage)));
    EXPECT_FALSE(source.errorText().empty());
    uint8_t byte = 0;
    SampleInfo info;
    EXPECT_EQ(source.read(0, &byte, 1, info), E_INVALIDARG);
}

TEST(DecoderSourceTest, AudioOnlySelectionSkipsVideoAndKeepsSampleTimes) {
    test::TempFolder folder("audioonly");
    ClipSpec spec;
    spec.video = VideoSpec{};
    spec.audio = AudioSpec{};
    spec.audio->sampleRate = 8000;
    spec.audio->seconds = 1.0;
    const std::string path = test::writeClip(folder.file("a.avi"), spec);
    DecoderSource source;
    ASSERT_EQ(source.open(path), S_OK);
    const int audio = firstStream(source, StreamKind::Audio);
    ASSERT_EQ(source.selectStream(audio, true), S_OK);
    // Small reads split decoded frames; times follow the sample count exactly.
    std::vector<uint8_t> buffer(400);
    SampleInfo info;
    int64_t samples = 0;
    while (source.read(audio, buffer.data(), 401, info) == S_OK) {
        ASSERT_EQ(info.startHns, samples * 10'000'000 / 8000);
        ASSERT_LE(info.bytes, 400u);
        samples += info.bytes / 4;
    }
    EXPECT_EQ(samples, 8000);
    // A seek into the middle trims to the sample.
    ASSERT_EQ(source.seek(5'000'000), S_OK);
    ASSERT_EQ(source.read(audio, buffer.data(), 400, info), S_OK);
    EXPECT_EQ(info.startHns, 5'000'000);
}

// B-frames (MPEG-2 in a program stream, MPEG-4 in AVI): frames come out of the decoder in
// display order with contiguous times, and seeking (in a program stream by timestamp search,
// there is no index) lands on the first frame at or after the target.
struct BFrameCase {
    const char* name;
    const char* format;
    const char* file;
    const char* encoder;
};

class DecoderSourceBFrameTest : public ::testing::TestWithParam<BFrameCase> {};

TEST_P(DecoderSourceBFrameTest, KeepsDisplayOrderAndSeeksExactly) {
    test::TempFolder folder("bframes");
    ClipSpec spec;
    spec.format = GetParam().format;
    spec.video = VideoSpec{};
    spec.video->encoder = GetParam().encoder;
    spec.video->width = 352;
    spec.video->height = 288;
    spec.video->frames = 75;
    spec.video->bFrames = 2;
    spec.video->cutFrames = {10, 20, 30, 40, 50, 60, 70};
    const std::string path = test::writeClip(folder.file(GetParam().file), spec);

    DecoderSource source;
    ASSERT_EQ(source.open(path), S_OK) << source.errorText();
    const int video = firstStream(source, StreamKind::Video);
    EXPECT_EQ(source.stream(video)->video.avgTimePerFrame, 400000);
    ASSERT_EQ(source.selectStream(video, true), S_OK);
    const Decoded all = readAll(source, video, true);
    ASSERT_EQ(all.samples.size(), 75u);
    for (size_t i = 0; i < all.samples.size(); ++i) {
        EXPECT_EQ(all.samples[i].startHns, static_cast<REFERENCE_TIME>(i) * 400000);
        EXPECT_EQ(all.samples[i].stopHns, static_cast<REFERENCE_TIME>(i + 1) * 400000);
    }
    // Scene colours follow the frame order (blue channel of the middle pixel).
    const size_t middle = (144 * ((352 * 3 + 3) & ~3)) + 176 * 3;
    for (size_t i = 0; i < all.samples.size(); ++i) {
        const test::Rgb colour =
            test::sceneColour(*spec.video, test::sceneOf(*spec.video, static_cast<int>(i)));
        EXPECT_NEAR(all.data[i][middle + 2], colour[0], 12) << "frame " << i;
    }

    for (const REFERENCE_TIME target :
         {REFERENCE_TIME{20'000'000}, REFERENCE_TIME{0}, REFERENCE_TIME{10'200'000}}) {
        ASSERT_EQ(source.seek(target), S_OK) << source.errorText();
        const Decoded after = readAll(source, video, true, 1);
        ASSERT_EQ(after.samples.size(), 1u);
        const REFERENCE_TIME expected = (target + 399999) / 400000 * 400000;
        EXPECT_EQ(after.samples[0].startHns, expected) << "target " << target;
        EXPECT_TRUE(after.data[0] == all.data[static_cast<size_t>(expected / 400000)]);
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, DecoderSourceBFrameTest,
                         ::testing::Values(BFrameCase{"Mpeg2ProgramStream", "vob", "b.mpg",
                                                      "mpeg2video"},
                                           BFrameCase{"Mpeg4Avi", "avi", "b.avi", "mpeg4"}),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace zentar

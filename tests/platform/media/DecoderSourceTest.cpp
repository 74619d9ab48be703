// DecoderSource on clips written at test time: row layout, colours against FFmpeg's own
// conversion, sound times, B-frame order and exact seeks, unreadable inputs. Every accepted
// input kind goes through the file source on top (FileSourceFilterFormatsTest); tree.avi is
// read whole by the reading graph tests (tests/engine/ReaderGraphTest).
#include "platform/media/DecoderSource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"

namespace zentar {
namespace {

using test::AudioSpec;
using test::ClipSpec;
using test::VideoSpec;

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

TEST(DecoderSourceTest, RowsComeOutBottomUpWithPaddedStride) {
    test::TempFolder folder("rows");
    // 30 pixels: 90 bytes of pixels, 92 with padding.
    VideoSpec video{.encoder = "ffv1", .width = 30, .height = 20, .frames = 3, .topBandRows = 1};
    video.sceneColours = {{10, 20, 240}};
    video.topBandColour = {250, 10, 20};
    video.pixelFormat = "bgr0";
    const std::string path = test::writeClip(folder.file("rows.avi"), {.video = video});

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

// Our RGB equals, within one level, what FFmpeg's own scale filter makes of the same file.
TEST(DecoderSourceTest, SolidColoursMatchFfmpegScale) {
    test::TempFolder folder("colour");
    // The BT.709 tag must be honoured.
    VideoSpec video{.encoder = "ffv1", .width = 32, .height = 16, .frames = 8};
    video.cutFrames = {2, 4, 6};
    video.sceneColours = {{200, 30, 30}, {30, 180, 40}, {250, 250, 20}, {16, 16, 16}};
    video.pixelFormat = "yuv420p";
    video.matrix = test::ColourMatrix::Bt709;
    video.range = test::ColourRange::Limited;
    const std::string path = test::writeClip(folder.file("colours.mkv"), {"matroska", video});

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

TEST(DecoderSourceTest, AudioOnlySelectionSkipsVideoAndKeepsSampleTimes) {
    test::TempFolder folder("audioonly");
    const ClipSpec spec{"avi", VideoSpec{}, AudioSpec{.sampleRate = 8000}};
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
    ClipSpec spec{GetParam().format, VideoSpec{.encoder = GetParam().encoder, .frames = 75}};
    spec.video->width = 352;
    spec.video->height = 288;
    spec.video->cutFrames = {10, 20, 30, 40, 50, 60, 70};
    spec.video->bFrames = 2;
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

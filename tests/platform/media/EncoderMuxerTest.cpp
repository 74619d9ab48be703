// Encoders and the AVI muxer below the filters: every listed video compressor's packets carry
// their times and a first key frame; frame-size refusals, raw RGB rows read back upright. The
// writer graph tests (tests/engine/AviWriterGraphTest) read every compressor's file back with
// ffprobe and pin the quality and key-frame controls; a full disk is AviMuxFilterTest's.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/com/Guid.h"
#include "platform/media/AviMuxer.h"
#include "platform/media/CompressorCatalog.h"
#include "platform/media/DecoderSource.h"
#include "platform/media/FileByteSink.h"
#include "platform/media/OutputContainer.h"
#include "platform/media/VideoEncoder.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"

namespace zentar {
namespace {

constexpr REFERENCE_TIME kPeriod = 400000; // 25 fps

// A bottom-up BGR picture: a colour per scene with a horizontal gradient and a bright band
// on the picture's top rows, so that flips and colour swaps show.
std::vector<uint8_t> makeFrame(int width, int height, int index) {
    const int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> frame(static_cast<size_t>(stride) * height);
    const uint8_t base = static_cast<uint8_t>(40 + (index / 10) * 60);
    for (int row = 0; row < height; ++row) {
        const int line = height - 1 - row; // picture line of this buffer row
        for (int x = 0; x < width; ++x) {
            uint8_t* p = frame.data() + static_cast<size_t>(row) * stride + 3 * x;
            const bool band = line < height / 8;
            p[0] = band ? 250 : base;
            p[1] = static_cast<uint8_t>(band ? 250 : (x * 200) / width);
            p[2] = static_cast<uint8_t>(band ? 250 : 255 - base);
        }
    }
    return frame;
}

struct WrittenVideo {
    std::vector<EncodedPacket> packets; // data pointers not kept
    std::vector<size_t> sizes;
    HRESULT result = S_OK;
};

// Encodes `frames` generated frames with the encoder and muxes them into `path`.
WrittenVideo writeVideoAvi(VideoEncoder& encoder, const VideoEncoderSettings& settings, int frames,
                           const std::string& path) {
    WrittenVideo out;
    EXPECT_EQ(encoder.open(settings), S_OK) << encoder.errorText();
    const CompressedVideoFormat& f = encoder.format();
    AviMuxer muxer;
    AviVideoStream stream{f.fourcc, f.width, f.height, f.bitCount, f.avgTimePerFrame, f.extraData};
    const int index = muxer.addVideoStream(stream);
    EXPECT_EQ(index, 0) << muxer.errorText();
    FileByteSink file;
    EXPECT_EQ(file.open(path), S_OK);
    EXPECT_EQ(muxer.begin(file), S_OK) << muxer.errorText();
    const PacketSink sink = [&](const EncodedPacket& p) {
        out.packets.push_back(p);
        out.sizes.push_back(p.size);
        return muxer.write(index, p.data, p.size, p.startHns, p.stopHns, p.keyFrame);
    };
    for (int i = 0; i < frames; ++i) {
        const auto frame = makeFrame(settings.width, settings.height, i);
        const REFERENCE_TIME start = i * f.avgTimePerFrame;
        EXPECT_EQ(encoder.encode(frame.data(), start, start + f.avgTimePerFrame, sink), S_OK)
            << encoder.errorText();
    }
    EXPECT_EQ(encoder.finish(sink), S_OK) << encoder.errorText();
    out.result = muxer.finish();
    EXPECT_EQ(file.close(), S_OK);
    return out;
}

TEST(VideoCompressorTest, PacketsKeepTheirTimesAndStartWithAKeyFrame) {
    test::TempFolder folder("vcomp");
    for (const CompressorInfo& info : CompressorCatalog::list(StreamKind::Video)) {
        if (!ContainerTakes(OutputContainer::Avi, StreamKind::Video, info.friendlyName))
            continue; // MP4 and Matroska only: the container tests write it
        SCOPED_TRACE(info.friendlyName);
        const bool dv = info.encoderName == "dvvideo";
        VideoEncoderSettings settings{dv ? 720 : 320, dv ? 576 : 240, kPeriod, -1, 0};
        VideoEncoder encoder(info.encoderName, info.fourcc);
        const std::string path = folder.file(info.encoderName + ".avi");
        const WrittenVideo written = writeVideoAvi(encoder, settings, 30, path);
        ASSERT_EQ(written.result, S_OK);
        ASSERT_EQ(written.packets.size(), 30u);
        EXPECT_TRUE(written.packets[0].keyFrame);
        for (size_t i = 0; i < written.packets.size(); ++i) {
            EXPECT_EQ(written.packets[i].startHns, static_cast<REFERENCE_TIME>(i) * kPeriod);
        }
    }
}

TEST(AviMuxerTest, UncompressedRgbRoundTripsBottomUp) {
    test::TempFolder folder("raw");
    const std::string path = folder.file("raw.avi");
    // 30 pixels make 90 bytes, stored as 92-byte rows.
    AviMuxer muxer;
    ASSERT_EQ(muxer.addVideoStream({0, 30, 20, 24, kPeriod, {}}), 0);
    FileByteSink file;
    ASSERT_EQ(file.open(path), S_OK);
    ASSERT_EQ(muxer.begin(file), S_OK);
    for (int i = 0; i < 10; ++i) {
        const auto frame = makeFrame(30, 20, i * 5);
        ASSERT_EQ(muxer.write(0, frame.data(), frame.size(), i * kPeriod, (i + 1) * kPeriod, true),
                  S_OK);
    }
    ASSERT_EQ(muxer.finish(), S_OK);
    ASSERT_EQ(muxer.finish(), S_OK);
    ASSERT_EQ(file.close(), S_OK);
    const auto probed = test::probeStream(path, "v:0", true);
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->codecName, "rawvideo");
    EXPECT_EQ(probed->frames, 10);
    // The outside reader sees the band at the top of the picture too.
    const std::vector<uint8_t> theirs = test::ffmpegDecodeBgr24(path);
    ASSERT_EQ(theirs.size(), 10u * 90 * 20);
    EXPECT_EQ(theirs[0], 250);
    DecoderSource source;
    ASSERT_EQ(source.open(path), S_OK);
    ASSERT_EQ(source.selectStream(0, true), S_OK);
    std::vector<uint8_t> decoded(92 * 20);
    SampleInfo sample;
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(source.read(0, decoded.data(), decoded.size(), sample), S_OK);
        const auto original = makeFrame(30, 20, i * 5);
        for (int row = 0; row < 20; ++row) {
            EXPECT_EQ(std::memcmp(decoded.data() + row * 92, original.data() + row * 92, 90), 0)
                << "frame " << i << " row " << row;
        }
        EXPECT_EQ(sample.startHns, i * kPeriod);
    }
}

} // namespace
} // namespace zentar

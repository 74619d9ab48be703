// Encoders and the AVI muxer end to end: every listed compressor writes a file through the
// AVI muxer onto a real file, and ffprobe reads it back with the right codec, size, frame
// count and duration.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstring>

#include "platform/com/Guid.h"
#include "platform/media/AudioEncoder.h"
#include "platform/media/AviMuxer.h"
#include "platform/media/CompressorCatalog.h"
#include "platform/media/DecoderSource.h"
#include "platform/media/FileByteSink.h"
#include "platform/media/VideoEncoder.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"

namespace zentar {
namespace {

constexpr REFERENCE_TIME kPeriod = 400000; // 25 fps

// A friendly name as a test name: its letters and digits.
std::string testName(const char* friendlyName) {
    std::string name;
    for (const char* c = friendlyName; *c != 0; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c))) {
            name += *c;
        }
    }
    return name;
}

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

std::vector<uint8_t> makeTone(int sampleRate, int channels, int samples, int bits = 16) {
    const int bytesPerSample = bits / 8;
    std::vector<uint8_t> pcm(static_cast<size_t>(samples) * channels * bytesPerSample);
    for (int i = 0; i < samples; ++i) {
        const double v = std::sin(2.0 * M_PI * 440.0 * i / sampleRate);
        for (int ch = 0; ch < channels; ++ch) {
            const size_t at = (static_cast<size_t>(i) * channels + ch) * bytesPerSample;
            if (bits == 8) {
                pcm[at] = static_cast<uint8_t>(128 + 60 * v);
            } else {
                const auto s = static_cast<int16_t>(9000 * v);
                std::memcpy(&pcm[at], &s, 2);
            }
        }
    }
    return pcm;
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

TEST(CompressorCatalogTest, ListsInstalledEncodersInTheFixedOrder) {
    const std::vector<std::string> videoOrder = {"Microsoft Video 1",     "Cinepak Codec",
                                                 "Motion JPEG",           "MPEG-4 Part 2 (XVID)",
                                                 "MPEG-4 Microsoft V2",   "MPEG-4 Microsoft V3",
                                                 "Windows Media Video 7", "Windows Media Video 8",
                                                 "DV Video Encoder",      "Huffyuv",
                                                 "FFV1 Lossless",         "H.264 (x264)"};
    const std::vector<std::string> audioOrder = {"PCM",         "CCITT A-Law", "CCITT u-Law",
                                                 "GSM 6.10",    "IMA ADPCM",   "Microsoft ADPCM",
                                                 "MPEG Layer-3"};
    for (const auto& [kind, order] :
         {std::pair{StreamKind::Video, videoOrder}, std::pair{StreamKind::Audio, audioOrder}}) {
        const auto& listed = CompressorCatalog::list(kind);
        size_t next = 0;
        for (const CompressorInfo& c : listed) {
            while (next < order.size() && order[next] != c.friendlyName) {
                ++next;
            }
            ASSERT_LT(next, order.size()) << c.friendlyName << " out of order or unknown";
            EXPECT_EQ(CompressorCatalog::find(kind, c.friendlyName), &c);
        }
    }
    // The always-built-in encoders are there; lookups are exact.
    EXPECT_NE(CompressorCatalog::find(StreamKind::Video, "Microsoft Video 1"), nullptr);
    EXPECT_NE(CompressorCatalog::find(StreamKind::Audio, "PCM"), nullptr);
    EXPECT_EQ(CompressorCatalog::find(StreamKind::Video, "microsoft video 1"), nullptr);
    EXPECT_EQ(CompressorCatalog::find(StreamKind::Audio, "Microsoft Video 1"), nullptr);
}

struct VideoCase {
    const char* friendlyName;
    const char* probedCodec;
    bool lossless;
};

class VideoCompressorTest : public ::testing::TestWithParam<VideoCase> {};

TEST_P(VideoCompressorTest, WritesAnAviThatFfprobeReads) {
    const CompressorInfo* info =
        CompressorCatalog::find(StreamKind::Video, GetParam().friendlyName);
    if (info == nullptr) {
        GTEST_SKIP() << GetParam().friendlyName << " is not installed";
    }
    test::TempFolder folder("vcomp");
    const bool dv = info->encoderName == "dvvideo";
    VideoEncoderSettings settings{dv ? 720 : 320, dv ? 576 : 240, kPeriod, -1, 0};
    VideoEncoder encoder(info->encoderName, info->fourcc);
    const std::string path = folder.file("out.avi");
    const WrittenVideo written = writeVideoAvi(encoder, settings, 30, path);
    ASSERT_EQ(written.result, S_OK);
    ASSERT_EQ(written.packets.size(), 30u);
    EXPECT_TRUE(written.packets[0].keyFrame);
    for (size_t i = 0; i < written.packets.size(); ++i) {
        EXPECT_EQ(written.packets[i].startHns, static_cast<REFERENCE_TIME>(i) * kPeriod);
    }

    const auto probed = test::probeStream(path, "v:0", true);
    ASSERT_TRUE(probed) << "ffprobe cannot read " << path;
    EXPECT_EQ(probed->codecName, GetParam().probedCodec);
    EXPECT_EQ(probed->width, settings.width);
    EXPECT_EQ(probed->height, settings.height);
    EXPECT_EQ(probed->frames, 30);
    EXPECT_NEAR(test::probeFormatDuration(path), 1.2, 0.05);

    // Our own decoder reads it back the right way up (exactly, for the lossless ones).
    DecoderSource source;
    ASSERT_EQ(source.open(path), S_OK) << source.errorText();
    ASSERT_EQ(source.selectStream(0, true), S_OK);
    const uint32_t bytes = source.streams()[0].video.imageBytes();
    std::vector<uint8_t> decoded(bytes);
    SampleInfo sample;
    ASSERT_EQ(source.read(0, decoded.data(), bytes, sample), S_OK);
    const auto original = makeFrame(settings.width, settings.height, 0);
    if (GetParam().lossless) {
        EXPECT_TRUE(decoded == original);
    }
    const size_t topRow =
        static_cast<size_t>(settings.height - 1) * ((settings.width * 3 + 3) & ~3);
    EXPECT_GT(decoded[topRow + 3 * 20], 200); // the bright band stays at the top
    EXPECT_LT(decoded[3 * 20 + 2], 240);
}

INSTANTIATE_TEST_SUITE_P(Listed, VideoCompressorTest,
                         ::testing::Values(VideoCase{"Microsoft Video 1", "msvideo1", false},
                                           VideoCase{"Cinepak Codec", "cinepak", false},
                                           VideoCase{"Motion JPEG", "mjpeg", false},
                                           VideoCase{"MPEG-4 Part 2 (XVID)", "mpeg4", false},
                                           VideoCase{"MPEG-4 Microsoft V2", "msmpeg4v2", false},
                                           VideoCase{"MPEG-4 Microsoft V3", "msmpeg4v3", false},
                                           VideoCase{"Windows Media Video 7", "wmv1", false},
                                           VideoCase{"Windows Media Video 8", "wmv2", false},
                                           VideoCase{"DV Video Encoder", "dvvideo", false},
                                           VideoCase{"Huffyuv", "huffyuv", true},
                                           VideoCase{"FFV1 Lossless", "ffv1", true},
                                           VideoCase{"H.264 (x264)", "h264", false}),
                         [](const auto& p) { return testName(p.param.friendlyName); });

TEST(VideoEncoderTest, RefusesFrameSizesTheEncoderCannotTake) {
    struct Case {
        const char* encoder;
        int width;
        int height;
        bool accepted;
    };
    const Case cases[] = {{"msvideo1", 320, 240, true}, {"msvideo1", 322, 240, false},
                          {"cinepak", 320, 242, false}, {"cinepak", 160, 120, true},
                          {"wmv1", 321, 240, false},    {"wmv2", 322, 240, true},
                          {"dvvideo", 720, 576, true},  {"dvvideo", 720, 480, true},
                          {"dvvideo", 640, 480, false}, {"huffyuv", 321, 241, true}};
    for (const Case& c : cases) {
        std::string why;
        EXPECT_EQ(VideoEncoder::acceptsFrameSize(c.encoder, c.width, c.height, &why), c.accepted)
            << c.encoder << " " << c.width << "x" << c.height;
        EXPECT_EQ(why.empty(), c.accepted);
    }
    VideoEncoder encoder("msvideo1", MakeFourCC('M', 'S', 'V', 'C'));
    EXPECT_EQ(encoder.open({322, 240, kPeriod, -1, 0}), E_INVALIDARG);
    EXPECT_NE(encoder.errorText().find("multiple of 4"), std::string::npos);
}

TEST(VideoEncoderTest, QualityAndKeyFrameRateReachTheEncoder) {
    test::TempFolder folder("controls");
    auto totalBytes = [&](double quality, int keyFrameRate, std::vector<bool>* keys) {
        VideoEncoder encoder("mpeg4", MakeFourCC('X', 'V', 'I', 'D'));
        EXPECT_TRUE(encoder.caps().canQuality);
        EXPECT_TRUE(encoder.caps().canKeyFrame);
        const WrittenVideo w = writeVideoAvi(encoder, {320, 240, kPeriod, quality, keyFrameRate},
                                             30, folder.file("q.avi"));
        size_t total = 0;
        for (size_t i = 0; i < w.packets.size(); ++i) {
            total += w.sizes[i];
            if (keys != nullptr) {
                keys->push_back(w.packets[i].keyFrame);
            }
        }
        return total;
    };
    EXPECT_GT(totalBytes(1.0, 0, nullptr), 2 * totalBytes(0.0, 0, nullptr));
    std::vector<bool> keys;
    totalBytes(0.5, 5, &keys);
    ASSERT_EQ(keys.size(), 30u);
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i], i % 5 == 0) << "frame " << i;
    }
    EXPECT_FALSE(VideoEncoder("huffyuv", 0).caps().canQuality);
    EXPECT_FALSE(VideoEncoder("dvvideo", 0).caps().canKeyFrame);
    EXPECT_TRUE(VideoEncoder("msvideo1", 0).caps().canKeyFrame);
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

struct AudioCase {
    const char* friendlyName;
    const char* probedCodec;
    int expectedRate;
    int expectedChannels;
};

class AudioCompressorTest : public ::testing::TestWithParam<AudioCase> {};

// Each audio compressor beside a raw video stream: interleaved, read back whole.
TEST_P(AudioCompressorTest, WritesAnAviThatFfprobeReads) {
    const CompressorInfo* info =
        CompressorCatalog::find(StreamKind::Audio, GetParam().friendlyName);
    if (info == nullptr) {
        GTEST_SKIP() << GetParam().friendlyName << " is not installed";
    }
    test::TempFolder folder("acomp");
    const std::string path = folder.file("out.avi");
    AudioEncoder encoder(info->encoderName);
    const PcmAudioFormat input{44100, 2, 16};
    ASSERT_EQ(encoder.open(input), S_OK) << encoder.errorText();
    const std::vector<uint8_t>& wf = encoder.waveFormat();
    ASSERT_GE(wf.size(), 18u);
    uint16_t tag = 0;
    std::memcpy(&tag, wf.data(), 2);
    EXPECT_EQ(tag, info->formatTag);

    AviMuxer muxer;
    ASSERT_EQ(muxer.addVideoStream({0, 32, 24, 24, kPeriod, {}}), 0);
    ASSERT_EQ(muxer.addAudioStream(wf.data(), wf.size()), 1) << muxer.errorText();
    FileByteSink file;
    ASSERT_EQ(file.open(path), S_OK);
    ASSERT_EQ(muxer.begin(file), S_OK) << muxer.errorText();
    const PacketSink sink = [&](const EncodedPacket& p) {
        return muxer.write(1, p.data, p.size, p.startHns, p.stopHns, true);
    };
    // 2 s in blocks of one frame period, video and audio alternating as a graph would.
    const auto tone = makeTone(44100, 2, 88200);
    const size_t block = 1764 * 4;
    for (int i = 0; i < 50; ++i) {
        const auto frame = makeFrame(32, 24, i);
        ASSERT_EQ(muxer.write(0, frame.data(), frame.size(), i * kPeriod, (i + 1) * kPeriod, true),
                  S_OK);
        ASSERT_EQ(encoder.encode(tone.data() + i * block, block, i * kPeriod, sink), S_OK)
            << encoder.errorText();
    }
    ASSERT_EQ(encoder.finish(sink), S_OK);
    ASSERT_EQ(muxer.finish(), S_OK) << muxer.errorText();
    ASSERT_EQ(file.close(), S_OK);

    const auto audio = test::probeStream(path, "a:0", true);
    ASSERT_TRUE(audio) << "ffprobe cannot read " << path;
    EXPECT_EQ(audio->codecName, GetParam().probedCodec);
    EXPECT_EQ(audio->sampleRate, GetParam().expectedRate);
    EXPECT_EQ(audio->channels, GetParam().expectedChannels);
    EXPECT_NEAR(test::probeStreamEnd(path, "a:0"), 2.0, 0.1);
    const auto video = test::probeStream(path, "v:0", true);
    ASSERT_TRUE(video);
    EXPECT_EQ(video->frames, 50);

    // Our decoder gets about 2 s of sound out of it again.
    DecoderSource source;
    ASSERT_EQ(source.open(path), S_OK) << source.errorText();
    ASSERT_EQ(source.selectStream(1, true), S_OK);
    std::vector<uint8_t> buffer(1 << 16);
    SampleInfo sample;
    uint64_t bytes = 0;
    while (source.read(1, buffer.data(), buffer.size(), sample) == S_OK) {
        bytes += sample.bytes;
    }
    const auto& format = source.stream(1)->audio;
    EXPECT_NEAR(static_cast<double>(bytes) / format.avgBytesPerSecond(), 2.0, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Listed, AudioCompressorTest,
                         ::testing::Values(AudioCase{"PCM", "pcm_s16le", 44100, 2},
                                           AudioCase{"CCITT A-Law", "pcm_alaw", 44100, 2},
                                           AudioCase{"CCITT u-Law", "pcm_mulaw", 44100, 2},
                                           AudioCase{"GSM 6.10", "gsm_ms", 8000, 1},
                                           AudioCase{"IMA ADPCM", "adpcm_ima_wav", 44100, 2},
                                           AudioCase{"Microsoft ADPCM", "adpcm_ms", 44100, 2},
                                           AudioCase{"MPEG Layer-3", "mp3", 44100, 2}),
                         [](const auto& p) { return testName(p.param.friendlyName); });

TEST(AviMuxerTest, DvWithPcmAudioIsReadWithItsAudio) {
    test::TempFolder folder("dv");
    const std::string path = folder.file("dv.avi");
    VideoEncoder encoder("dvvideo", MakeFourCC('d', 'v', 's', 'd'));
    ASSERT_EQ(encoder.open({720, 576, kPeriod, -1, 0}), S_OK) << encoder.errorText();
    AudioEncoder pcm("pcm_s16le");
    ASSERT_EQ(pcm.open({48000, 2, 16}), S_OK);
    const CompressedVideoFormat& f = encoder.format();
    AviMuxer muxer;
    ASSERT_EQ(muxer.addVideoStream(
                  {f.fourcc, f.width, f.height, f.bitCount, f.avgTimePerFrame, f.extraData}),
              0);
    ASSERT_EQ(muxer.addAudioStream(pcm.waveFormat().data(), pcm.waveFormat().size()), 1);
    FileByteSink file;
    ASSERT_EQ(file.open(path), S_OK);
    ASSERT_EQ(muxer.begin(file), S_OK);
    const PacketSink videoSink = [&](const EncodedPacket& p) {
        return muxer.write(0, p.data, p.size, p.startHns, p.stopHns, p.keyFrame);
    };
    const PacketSink audioSink = [&](const EncodedPacket& p) {
        return muxer.write(1, p.data, p.size, p.startHns, p.stopHns, true);
    };
    const auto tone = makeTone(48000, 2, 48000);
    for (int i = 0; i < 25; ++i) {
        const auto frame = makeFrame(720, 576, i);
        ASSERT_EQ(encoder.encode(frame.data(), i * kPeriod, (i + 1) * kPeriod, videoSink), S_OK);
        ASSERT_EQ(pcm.encode(tone.data() + i * 7680, 7680, i * kPeriod, audioSink), S_OK);
    }
    ASSERT_EQ(encoder.finish(videoSink), S_OK);
    ASSERT_EQ(pcm.finish(audioSink), S_OK);
    ASSERT_EQ(muxer.finish(), S_OK);
    ASSERT_EQ(file.close(), S_OK);
    const auto video = test::probeStream(path, "v:0", true);
    const auto audio = test::probeStream(path, "a:0", true);
    ASSERT_TRUE(video && audio);
    EXPECT_EQ(video->codecName, "dvvideo");
    EXPECT_EQ(video->codecTag, "dvsd");
    EXPECT_EQ(video->frames, 25);
    EXPECT_EQ(audio->codecName, "pcm_s16le");
    EXPECT_EQ(audio->sampleRate, 48000);
    EXPECT_NEAR(test::probeStreamEnd(path, "a:0"), 1.0, 0.05);
}

TEST(AviMuxerTest, FullDiskIsReportedNotLost) {
    AviMuxer muxer;
    ASSERT_EQ(muxer.addVideoStream({0, 320, 240, 24, kPeriod, {}}), 0);
    FileByteSink file;
    ASSERT_EQ(file.open("/dev/full"), S_OK);
    HRESULT first = muxer.begin(file);
    const auto frame = makeFrame(320, 240, 0);
    for (int i = 0; i < 20 && SUCCEEDED(first); ++i) {
        first = muxer.write(0, frame.data(), frame.size(), i * kPeriod, (i + 1) * kPeriod, true);
    }
    const HRESULT last = muxer.finish();
    EXPECT_EQ(last, STG_E_MEDIUMFULL);
    EXPECT_NE(muxer.errorText().find("full"), std::string::npos) << muxer.errorText();
    EXPECT_EQ(muxer.finish(), STG_E_MEDIUMFULL);
}

TEST(AviMuxerTest, RefusesFormatsAviCannotCarry) {
    AviMuxer muxer;
    EXPECT_EQ(muxer.addVideoStream({MakeFourCC('?', '?', '?', '?'), 320, 240, 24, kPeriod, {}}),
              -1);
    EXPECT_FALSE(muxer.errorText().empty());
    const uint8_t tooShort[10] = {};
    EXPECT_EQ(muxer.addAudioStream(tooShort, sizeof(tooShort)), -1);
    FileByteSink file;
    EXPECT_EQ(muxer.begin(file), E_UNEXPECTED); // no stream
}

} // namespace
} // namespace zentar

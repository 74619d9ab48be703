// AviWriterGraph writing real AVI files through the platform's compressors, AVI Mux and file
// writer, read back by ffprobe: "<Uncompressed>" with and without sound (at 29.97 fps, where
// the sound blocks carry partial sample frames), every listed video and audio compressor, DV
// through the DV muxer; binding and size failures before any frame is written.
#include "engine/AviWriterGraph.h"
#include "engine/CMyException.h"
#include "platform/media/CompressorCatalog.h"
#include "platform/media/OutputContainer.h"
#include "tests/engine/FailureCode.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"
#include "tests/support/streaming/TestMediaTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <tuple>
#include <vector>

namespace zentar {
namespace {

using test::codeOf;
using test::PcmFormat;
using test::TempFolder;

struct Output {
    std::string videoCodec = "<Uncompressed>";
    std::optional<std::string> audioCodec; // none: no audio branch
    int width = 64;
    int height = 48;
    int frames = 10;
    double rate = 25.0;
    WAVEFORMATEX sound = PcmFormat(2, 44'100, 16);
};

std::vector<uint8_t> frameBytes(const Output& out, int index) {
    const size_t stride = (static_cast<size_t>(out.width) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> frame(stride * static_cast<size_t>(out.height));
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width * 3; ++x)
            frame[static_cast<size_t>(y) * stride + static_cast<size_t>(x)] =
                static_cast<uint8_t>(x * 2 + y * 3 + index * 20);
    return frame;
}

// One frame period of a 440 Hz tone; at 29.97 fps a block ends inside a sample frame.
std::vector<uint8_t> toneBlock(const Output& out, int index) {
    const WAVEFORMATEX& format = out.sound;
    const size_t bytes = static_cast<size_t>(format.nAvgBytesPerSec / out.rate);
    std::vector<uint8_t> block(bytes);
    const size_t frames = bytes / format.nBlockAlign;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(index * frames + i) / format.nSamplesPerSec;
        const auto sample = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * t));
        for (int c = 0; c < format.nChannels; ++c) {
            block[i * format.nBlockAlign + c * 2] = static_cast<uint8_t>(sample & 0xFF);
            block[i * format.nBlockAlign + c * 2 + 1] = static_cast<uint8_t>(sample >> 8);
        }
    }
    return block;
}

AVICOMPRESSOPTIONS defaultOptions() {
    AVICOMPRESSOPTIONS options;
    options.dwQuality = 7500;
    options.dwKeyFrameEvery = 5;
    options.dwFlags = AVICOMPRESSF_KEYFRAMES;
    return options;
}

void build(AviWriterGraph& graph, const Output& out, const std::string& path,
           const AVICOMPRESSOPTIONS& options = defaultOptions()) {
    graph.SetVideoParameters(options, out.rate, out.width, out.height, out.videoCodec);
    graph.BuildVideoBranch(path);
    if (out.audioCodec)
        graph.BuildAudioBranch(out.sound, out.rate, *out.audioCodec);
}

// Writes the whole file; false when a send failed.
bool writeAvi(const Output& out, const std::string& path,
              const AVICOMPRESSOPTIONS& options = defaultOptions()) {
    AviWriterGraph graph;
    build(graph, out, path, options);
    bool sent = true;
    for (int i = 0; i < out.frames && sent; ++i) {
        sent = graph.SendVideo(frameBytes(out, i).data());
        if (sent && out.audioCodec)
            sent = graph.SendAudio(toneBlock(out, i).data());
    }
    graph.SendVideo(nullptr);
    graph.SendAudio(nullptr);
    return sent;
}

std::string decoderOf(const std::string& encoder) {
    static const std::map<std::string, std::string> renamed = {{"libx264", "h264"},
                                                               {"msmpeg4", "msmpeg4v3"},
                                                               {"libgsm_ms", "gsm_ms"},
                                                               {"libmp3lame", "mp3"}};
    const auto it = renamed.find(encoder);
    return it == renamed.end() ? encoder : it->second;
}

void expectVideo(const std::string& path, const std::string& codec, const Output& out) {
    const auto video = test::probeStream(path, "v:0", true);
    ASSERT_TRUE(video) << path;
    EXPECT_EQ(std::tuple(video->codecName, video->width, video->height, video->frames),
              std::tuple(codec, out.width, out.height, int64_t{out.frames}))
        << path;
    EXPECT_NEAR(video->durationSeconds, out.frames / out.rate, 0.01) << path;
}

void expectAudio(const std::string& path, const std::string& codec, const Output& out,
                 double seconds, double tolerance) {
    const auto audio = test::probeStream(path, "a:0");
    ASSERT_TRUE(audio) << path;
    EXPECT_EQ(std::tuple(audio->codecName, audio->sampleRate, audio->channels),
              std::tuple(codec, static_cast<int>(out.sound.nSamplesPerSec),
                         static_cast<int>(out.sound.nChannels)))
        << path;
    EXPECT_NEAR(test::probeStreamEnd(path, "a:0"), seconds, tolerance) << path;
}

TEST(AviWriterGraphTest, UncompressedVideoWithAndWithoutPcmSoundAt2997Fps) {
    TempFolder folder("avi_writer_uncompressed");
    Output out;
    out.rate = 29.97;
    out.frames = 60;
    ASSERT_TRUE(writeAvi(out, folder.file("video.avi")));
    expectVideo(folder.file("video.avi"), "rawvideo", out);
    EXPECT_FALSE(test::probeStream(folder.file("video.avi"), "a:0"));

    for (const std::string name : {"PCM", "pcm", ""}) {
        out.audioCodec = name;
        const std::string path = folder.file("sound" + std::to_string(name.size()) + ".avi");
        ASSERT_TRUE(writeAvi(out, path));
        expectVideo(path, "rawvideo", out);
        // 60 blocks of 5,885 bytes: the partial sample frames are carried, so all 353,100
        // bytes arrive, in whole sample frames.
        expectAudio(path, "pcm_s16le", out, 353'100.0 / 176'400, 0.0001);
    }
}

TEST(AviWriterGraphTest, EveryListedVideoCompressorWithSound) {
    TempFolder folder("avi_writer_video_codecs");
    for (const CompressorInfo& info : CompressorCatalog::list(StreamKind::Video)) {
        if (!ContainerTakes(OutputContainer::Avi, StreamKind::Video, info.friendlyName))
            continue; // MP4 and Matroska only: the container tests write it
        if (info.encoderName == "dvvideo")
            continue; // 720 x 576 only: its own case
        SCOPED_TRACE(info.friendlyName);
        Output out;
        out.videoCodec = info.friendlyName;
        out.audioCodec = "PCM";
        const std::string path = folder.file(info.encoderName + ".avi");
        ASSERT_TRUE(writeAvi(out, path));
        expectVideo(path, decoderOf(info.encoderName), out);
        expectAudio(path, "pcm_s16le", out, out.frames / out.rate, 0.001);
    }
}

// The video stream's packets as ffprobe flags them: 'K' for a key frame.
std::string keyFlags(const std::string& path) {
    std::string out;
    test::runCommand("ffprobe -v error -select_streams v:0 -show_entries packet=flags -of "
                     "csv=p=0 '" +
                         path + "'",
                     out);
    std::string flags;
    for (size_t line = 0; line < out.size(); line = out.find('\n', line) + 1) {
        flags += out[line];
        if (out.find('\n', line) == std::string::npos)
            break;
    }
    return flags;
}

TEST(AviWriterGraphTest, QualityAndKeyFrameIntervalReachTheCompressor) {
    TempFolder folder("avi_writer_options");
    Output out;
    out.videoCodec = "Motion JPEG";
    AVICOMPRESSOPTIONS options = defaultOptions();
    options.dwQuality = 500;
    ASSERT_TRUE(writeAvi(out, folder.file("low.avi"), options));
    options.dwQuality = 9500;
    ASSERT_TRUE(writeAvi(out, folder.file("high.avi"), options));
    EXPECT_LT(std::filesystem::file_size(folder.file("low.avi")),
              std::filesystem::file_size(folder.file("high.avi")));

    out.videoCodec = "MPEG-4 Part 2 (XVID)";
    options.dwKeyFrameEvery = 1;
    ASSERT_TRUE(writeAvi(out, folder.file("every.avi"), options));
    EXPECT_EQ(keyFlags(folder.file("every.avi")), std::string(10, 'K'));
    // Without the key-frame flag the interval is not applied.
    options.dwFlags = 0;
    ASSERT_TRUE(writeAvi(out, folder.file("default.avi"), options));
    const std::string flags = keyFlags(folder.file("default.avi"));
    ASSERT_EQ(flags.size(), 10u);
    EXPECT_LT(std::count(flags.begin(), flags.end(), 'K'), 10);
}

TEST(AviWriterGraphTest, EveryListedAudioCompressor) {
    TempFolder folder("avi_writer_audio_codecs");
    for (const CompressorInfo& info : CompressorCatalog::list(StreamKind::Audio)) {
        if (!ContainerTakes(OutputContainer::Avi, StreamKind::Audio, info.friendlyName))
            continue; // MP4 and Matroska only: the container tests write it
        SCOPED_TRACE(info.friendlyName);
        Output out;
        out.frames = 25;
        out.audioCodec = info.friendlyName;
        if (info.encoderName == "libgsm_ms")
            out.sound = PcmFormat(1, 8'000, 16); // the codec's only format
        const std::string path = folder.file(info.encoderName + ".avi");
        ASSERT_TRUE(writeAvi(out, path));
        expectVideo(path, "rawvideo", out);
        // Coded frames round the end up to whole codec blocks.
        expectAudio(path, decoderOf(info.encoderName), out, out.frames / out.rate, 0.1);
    }
}

TEST(AviWriterGraphTest, DvVideoGoesThroughTheDvMuxerWithItsSound) {
    TempFolder folder("avi_writer_dv");
    Output out;
    out.videoCodec = "DV Video Encoder";
    out.width = 720;
    out.height = 576;
    out.audioCodec = "MPEG Layer-3"; // not used: the DV muxer carries the sound as PCM
    out.sound = PcmFormat(2, 48'000, 16);
    const std::string path = folder.file("dv.avi");
    AviWriterGraph graph;
    build(graph, out, path);
    for (int i = 0; i < out.frames; ++i) {
        ASSERT_TRUE(graph.SendVideo(frameBytes(out, i).data()));
        ASSERT_TRUE(graph.SendAudio(toneBlock(out, i).data()));
    }
    graph.SendVideo(nullptr);
    graph.SendAudio(nullptr);
    expectVideo(path, "dvvideo", out);
    EXPECT_EQ(test::streamFacts(path, "a:0"), "pcm_s16le 48000 2");

    // Every DV output of the program shares one encoder instance.
    ComPtr<IBaseFilter> first, again;
    AviWriterGraph().BindVideoCompressor("DV Video Encoder", first);
    AviWriterGraph().BindVideoCompressor("DV Video Encoder", again);
    ASSERT_TRUE(first);
    EXPECT_EQ(first.Get(), again.Get());
}

TEST(AviWriterGraphTest, BindingAndSizeFailuresComeBeforeAnyFrameIsWritten) {
    TempFolder folder("avi_writer_refused");
    // An unknown video compressor is the end-to-end failure tests'.
    Output audioUnknown;
    audioUnknown.audioCodec = "No Such Sound";
    EXPECT_EQ(codeOf([&] { writeAvi(audioUnknown, folder.file("sound.avi")); }), 5);

    // Microsoft Video 1 takes only multiples of 4; DV only its two frame sizes.
    for (const std::string codec : {"Microsoft Video 1", "DV Video Encoder"}) {
        Output odd;
        odd.videoCodec = codec;
        odd.width = 62;
        odd.height = 46;
        const std::string path = folder.file("odd.avi");
        EXPECT_EQ(codeOf([&] { writeAvi(odd, path); }), 5) << codec;
        EXPECT_TRUE(!std::filesystem::exists(path) || std::filesystem::file_size(path) == 0)
            << codec;
    }
}

TEST(AviWriterGraphTest, SoundWithoutAnAudioBranchIsNotTakenAndTheEndStillCloses) {
    TempFolder folder("avi_writer_no_branch");
    const std::string path = folder.file("video.avi");
    Output out;
    AviWriterGraph graph;
    build(graph, out, path);
    EXPECT_FALSE(graph.SendAudio(toneBlock(out, 0).data()));
    EXPECT_TRUE(graph.SendVideo(frameBytes(out, 0).data()));
    EXPECT_TRUE(graph.SendVideo(nullptr));
    EXPECT_TRUE(graph.SendAudio(nullptr)); // the second end finds the graph stopped
    out.frames = 1;
    expectVideo(path, "rawvideo", out);
}

} // namespace
} // namespace zentar

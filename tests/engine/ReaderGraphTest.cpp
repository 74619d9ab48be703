// ReaderGraph against real files: tree.avi and clips generated with known frame rates, sizes
// and sound. Checks the stream facts, the sample sequence with its times, the end of the
// stream, rewinding, and that inputs without the requested stream or unreadable ones fail
// with the reading graph's code.
#include "engine/ReaderGraph.h"
#include "engine/CMyException.h"
#include "platform/streaming/MediaGuids.h"
#include "tests/engine/FailureCode.h"
#include "tests/engine/ScriptedSourceFile.h"
#include "tests/support/media/MediaFixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace zentar {
namespace {

using test::AudioSpec;
using test::ClipSpec;
using test::codeOf;
using test::TempFolder;
using test::VideoSpec;

std::string makeClip(const TempFolder& folder, const std::string& name, bool video, bool audio,
                     int frames = 10) {
    ClipSpec spec;
    if (video) {
        VideoSpec v;
        v.width = 64;
        v.height = 48;
        v.frames = frames;
        v.cutFrames = {frames / 2};
        spec.video = v;
    }
    if (audio) {
        AudioSpec a;
        a.seconds = frames / 25.0;
        spec.audio = a;
    }
    return test::writeClip(folder.file(name), spec);
}

TEST(ReaderGraphTest, FrameRateFromAverageTimePerFrameAndSamplesInOrder) {
    TempFolder folder("reader_graph_video");
    const std::string path = makeClip(folder, "clip.avi", true, true);
    ReaderGraph reader(path, ReaderGraph::VideoTemplate(), true);

    EXPECT_DOUBLE_EQ(reader.frameRate(), 25.0);
    double rate = 0;
    reader.GetStreamInfo(static_cast<int>(StreamInfoKind::FrameRate), &rate);
    EXPECT_DOUBLE_EQ(rate, 25.0);
    EXPECT_EQ(reader.duration(), 4'000'000);

    MediaType type;
    reader.GetConnectedType(&type);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_RGB24);
    ASSERT_EQ(type.formattype, FORMAT_VideoInfo);
    const auto* header = type.FormatAs<VIDEOINFOHEADER>();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->AvgTimePerFrame, 400'000);
    EXPECT_EQ(header->bmiHeader.biWidth, 64);
    EXPECT_EQ(header->bmiHeader.biHeight, 48);
    EXPECT_GE(reader.GetBufferSize(), 64u * 48u * 3u);

    int frames = 0;
    for (;;) {
        uint32_t length = 0;
        REFERENCE_TIME start = -1;
        REFERENCE_TIME stop = -1;
        reader.NextSample(&length, &start, &stop);
        if (length == 0)
            break;
        EXPECT_EQ(length, 64u * 48u * 3u);
        EXPECT_EQ(start, frames * 400'000LL);
        EXPECT_EQ(stop, (frames + 1) * 400'000LL);
        ++frames;
        ASSERT_LE(frames, 10);
    }
    EXPECT_EQ(frames, 10);
    // The end of the stream is final: every further call reports it again.
    for (int i = 0; i < 3; ++i) {
        uint32_t length = 99;
        reader.NextSample(&length, nullptr, nullptr);
        EXPECT_EQ(length, 0u);
    }
}

TEST(ReaderGraphTest, RewindReadsTheFirstFrameAgainMidStreamAndAfterTheEnd) {
    TempFolder folder("reader_graph_rewind");
    const std::string path = makeClip(folder, "clip.avi", true, false);
    ReaderGraph reader(path, ReaderGraph::VideoTemplate(), true);

    uint32_t length = 0;
    REFERENCE_TIME start = -1;
    REFERENCE_TIME stop = -1;
    const uint8_t* data = reader.NextSample(&length, &start, &stop);
    ASSERT_GT(length, 0u);
    const std::vector<uint8_t> first(data, data + length);
    for (int i = 0; i < 6; ++i)
        reader.NextSample(&length, &start, &stop);
    ASSERT_GT(length, 0u);
    EXPECT_NE(std::vector<uint8_t>(data, data + length), first); // a later scene

    reader.Rewind();
    data = reader.NextSample(&length, &start, &stop);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(std::vector<uint8_t>(data, data + length), first);

    // Read to the end, then rewind a stopped graph: reading starts over in order.
    int rest = 0;
    do {
        reader.NextSample(&length, &start, &stop);
        rest += length ? 1 : 0;
    } while (length != 0 && rest < 20);
    EXPECT_EQ(rest, 9);
    reader.Rewind();
    data = reader.NextSample(&length, &start, &stop);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(std::vector<uint8_t>(data, data + length), first);
    reader.NextSample(&length, &start, &stop);
    EXPECT_EQ(start, 400'000);
}

TEST(ReaderGraphTest, SampleRateFromTheFormatAndTheWholeSound) {
    TempFolder folder("reader_graph_audio");
    const std::string path = makeClip(folder, "clip.avi", true, true, 25);
    ReaderGraph reader(path, ReaderGraph::AudioTemplate(), true);
    EXPECT_DOUBLE_EQ(reader.sampleRate(), 44100.0);
    double rate = 0;
    reader.GetStreamInfo(static_cast<int>(StreamInfoKind::SampleRate), &rate);
    EXPECT_DOUBLE_EQ(rate, 44100.0);

    MediaType type;
    reader.GetConnectedType(&type);
    const auto* wave = type.FormatAs<WAVEFORMATEX>();
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(wave->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(wave->nChannels, 2);
    EXPECT_EQ(wave->wBitsPerSample, 16);

    uint64_t bytes = 0;
    for (int i = 0; i < 10'000; ++i) {
        uint32_t length = 0;
        reader.NextSample(&length, nullptr, nullptr);
        if (length == 0)
            break;
        bytes += length;
    }
    EXPECT_EQ(bytes, 176'400u); // one second, every sample frame once
}

TEST(ReaderGraphTest, RealAviWithDroppedFramesCoversItsWholeDurationWithoutGaps) {
    // tree.avi holds 68 coded frames spread over 444 nominal frame periods (29.6 s): each
    // sample lasts until the next one starts, so the samples tile the stream.
    ReaderGraph reader(ZENTAR_SHARED_MEDIA_DIR "/tree.avi", ReaderGraph::VideoTemplate(), true);
    EXPECT_NEAR(reader.frameRate(), 15.0, 0.001);
    MediaType type;
    reader.GetConnectedType(&type);
    EXPECT_EQ(type.FormatAs<VIDEOINFOHEADER>()->bmiHeader.biWidth, 320);
    int frames = 0;
    REFERENCE_TIME previousStop = 0;
    for (;;) {
        uint32_t length = 0;
        REFERENCE_TIME start = 0;
        REFERENCE_TIME stop = 0;
        reader.NextSample(&length, &start, &stop);
        if (length == 0)
            break;
        EXPECT_EQ(start, previousStop) << "frame " << frames;
        EXPECT_GT(stop, start);
        previousStop = stop;
        ASSERT_LT(++frames, 1000);
    }
    EXPECT_EQ(frames, 68);
    EXPECT_NEAR(previousStop / 1e7, 29.6, 0.01);
}

TEST(ReaderGraphTest, FrameRateEstimateFromDurationRoundsToWholeSeconds) {
    EXPECT_DOUBLE_EQ(ReaderGraph::EstimateFrameRate(237, 95'000'000), 23.8);
    EXPECT_DOUBLE_EQ(ReaderGraph::EstimateFrameRate(99, 100'000'000), 10.0);
    // Shorter than half a second: no divisor, the rate stays unknown.
    EXPECT_EQ(ReaderGraph::EstimateFrameRate(10, 4'999'999), 0.0);
    EXPECT_EQ(ReaderGraph::EstimateFrameRate(10, 0), 0.0);
    EXPECT_EQ(ReaderGraph::EstimateFrameRate(0, 10'000'000), 0.0); // frames unknown
    EXPECT_DOUBLE_EQ(ReaderGraph::EstimateFrameRate(10, 5'000'000), 11.0);
}

TEST(ReaderGraphTest, InputsWithoutTheStreamOrUnreadableFailWithCode7) {
    TempFolder folder("reader_graph_fail");
    const std::string audioOnly = makeClip(folder, "sound.avi", false, true);
    EXPECT_EQ(codeOf([&] { ReaderGraph(audioOnly, ReaderGraph::VideoTemplate(), true); }), 7);
    EXPECT_EQ(codeOf([&] { ReaderGraph(audioOnly, ReaderGraph::AudioTemplate(), true); }), 0);

    const std::string silent = makeClip(folder, "silent.avi", true, false);
    EXPECT_EQ(codeOf([&] { ReaderGraph(silent, ReaderGraph::AudioTemplate(), true); }), 7);

    EXPECT_EQ(codeOf([&] {
                  ReaderGraph(folder.file("missing.avi"), ReaderGraph::VideoTemplate(), true);
              }),
              7);
    const std::string garbage = folder.file("garbage.avi");
    {
        std::ofstream out(garbage, std::ios::binary);
        for (int i = 0; i < 5000; ++i)
            out.put(static_cast<char>((i * 7919) & 0xFF));
    }
    EXPECT_EQ(codeOf([&] { ReaderGraph(garbage, ReaderGraph::VideoTemplate(), true); }), 7);
}

TEST(ReaderGraphTest, DamagedInputsEndEarlyOrFailWithCode7) {
    TempFolder folder("reader_graph_damaged");
    const std::string path = makeClip(folder, "clip.avi", true, true, 50);
    std::vector<char> bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ASSERT_GT(bytes.size(), 4000u);
    auto write = [&](const std::string& name, const std::vector<char>& data) {
        std::ofstream(folder.file(name), std::ios::binary)
            .write(data.data(), static_cast<std::streamsize>(data.size()));
        return folder.file(name);
    };
    std::vector<char> scrambled = bytes;
    for (size_t i = scrambled.size() / 3; i < scrambled.size() * 2 / 3; ++i)
        scrambled[i] = static_cast<char>(i * 31 + 7);
    const std::vector<std::string> damaged = {
        write("truncated.avi", std::vector<char>(bytes.begin(), bytes.begin() + bytes.size() / 2)),
        write("scrambled.avi", scrambled)};
    for (const std::string& file : damaged) {
        for (const MediaType& type : {ReaderGraph::VideoTemplate(), ReaderGraph::AudioTemplate()}) {
            // Whatever the damage, reading ends (at the end or with code 7) and never hangs.
            const int32_t code = codeOf([&] {
                ReaderGraph reader(file, type, true);
                uint32_t length = 0;
                int samples = 0;
                do {
                    reader.NextSample(&length, nullptr, nullptr);
                } while (length != 0 && ++samples < 10'000);
                EXPECT_LT(samples, 10'000);
            });
            EXPECT_TRUE(code == 0 || code == 7) << file << " " << code;
        }
    }
}

TEST(ReaderGraphTest, WithoutAFrameTimeTheRateIsEstimatedFromTheDuration) {
    // 190 frames over 9.5 s (rounded to 10 s): (190 + 1) / 10.
    test::ScriptedSourceFile file("scripted:estimate", {190, 500'000, 0, -1});
    ReaderGraph reader("scripted:estimate", ReaderGraph::VideoTemplate(), true);
    EXPECT_EQ(reader.duration(), 95'000'000);
    EXPECT_EQ(reader.durationFrames(), 190);
    EXPECT_DOUBLE_EQ(reader.frameRate(), 19.1);

    // Shorter than half a second: no estimate rather than a division by zero.
    test::ScriptedSourceFile shortFile("scripted:short", {10, 400'000, 0, -1});
    ReaderGraph shortReader("scripted:short", ReaderGraph::VideoTemplate(), true);
    EXPECT_EQ(shortReader.frameRate(), 0.0);
}

TEST(ReaderGraphTest, RewindOfAFastSourceLosesNoSampleOfTheNewPosition) {
    // A source that pushes instantly would race a discard switch left on after the seek.
    test::ScriptedSourceFile file("scripted:fast", {6, 400'000, 400'000, -1});
    ReaderGraph reader("scripted:fast", ReaderGraph::VideoTemplate(), true);
    for (int round = 0; round < 20; ++round) {
        const int readBefore = round % 8; // 6 and 7 reach the end first
        uint32_t length = 0;
        for (int i = 0; i < readBefore; ++i)
            reader.NextSample(&length, nullptr, nullptr);
        reader.Rewind();
        for (int expected = 0; expected < 2; ++expected) {
            const uint8_t* data = reader.NextSample(&length, nullptr, nullptr);
            ASSERT_GT(length, 0u) << "round " << round;
            EXPECT_EQ(test::ScriptedSourceFile::indexOf(data), expected) << "round " << round;
        }
        reader.Rewind();
    }
}

TEST(ReaderGraphTest, AStreamFailingHalfWayEndsTheWaitWithCode7) {
    test::ScriptedSourceFile file("scripted:failing", {10, 400'000, 400'000, 4});
    ReaderGraph reader("scripted:failing", ReaderGraph::VideoTemplate(), true);
    for (int i = 0; i < 4; ++i) {
        uint32_t length = 0;
        const uint8_t* data = reader.NextSample(&length, nullptr, nullptr);
        ASSERT_GT(length, 0u);
        EXPECT_EQ(test::ScriptedSourceFile::indexOf(data), i);
    }
    EXPECT_EQ(codeOf([&] { reader.NextSample(nullptr, nullptr, nullptr); }), 7);
}

} // namespace
} // namespace zentar

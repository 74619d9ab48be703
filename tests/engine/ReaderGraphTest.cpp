// ReaderGraph against real files and scripted streams: the stream facts, the sample sequence
// with its times, the end of the stream, rewinding (also racing a fast source), the frame rate
// estimate, and inputs without the requested stream or failing half-way (the reading graph's
// code 7). Damaged and unreadable files are the bad-input tests' (whole conversions).
#include "engine/ReaderGraph.h"
#include "engine/CMyException.h"
#include "platform/streaming/MediaGuids.h"
#include "tests/engine/FailureCode.h"
#include "tests/engine/ScriptedSourceFile.h"
#include "tests/engine/SmallClip.h"

#include <gtest/gtest.h>

#include <vector>

namespace zentar {
namespace {

using test::codeOf;
using test::TempFolder;

TEST(ReaderGraphTest, SamplesInOrderWithTheStatedRateAFinalEndAndRewinds) {
    TempFolder folder("reader_graph_video");
    const std::string path = test::SmallClip(folder.file("clip.avi"), 10, 0.4);
    ReaderGraph reader(path, ReaderGraph::VideoTemplate(), true);
    EXPECT_DOUBLE_EQ(reader.frameRate(), 25.0);
    EXPECT_EQ(reader.duration(), 4'000'000);
    MediaType type;
    reader.GetConnectedType(&type);
    EXPECT_EQ(type.subtype, MEDIASUBTYPE_RGB24);
    const auto* header = type.FormatAs<VIDEOINFOHEADER>();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->AvgTimePerFrame, 400'000);
    EXPECT_EQ(header->bmiHeader.biWidth, 64);
    EXPECT_EQ(header->bmiHeader.biHeight, 48);
    EXPECT_GE(reader.GetBufferSize(), 64u * 48u * 3u);

    // Reads up to `count` samples checking their times; returns the first one's bytes.
    auto readFrames = [&](int count) {
        std::vector<uint8_t> first;
        for (int frame = 0; frame < count; ++frame) {
            uint32_t length = 0;
            REFERENCE_TIME start = -1;
            REFERENCE_TIME stop = -1;
            const uint8_t* data = reader.NextSample(&length, &start, &stop);
            if (length == 0)
                return first;
            EXPECT_EQ(length, 64u * 48u * 3u);
            EXPECT_EQ(start, frame * 400'000LL);
            EXPECT_EQ(stop, (frame + 1) * 400'000LL);
            if (frame == 0)
                first.assign(data, data + length);
        }
        return first;
    };
    const std::vector<uint8_t> first = readFrames(10);
    ASSERT_FALSE(first.empty());
    // The end of the stream is final: every further call reports it again.
    for (int i = 0; i < 3; ++i) {
        uint32_t length = 99;
        reader.NextSample(&length, nullptr, nullptr);
        EXPECT_EQ(length, 0u);
    }
    // Rewinding a stopped graph and one mid-stream both start over in order.
    reader.Rewind();
    EXPECT_EQ(readFrames(7), first);
    reader.Rewind();
    EXPECT_EQ(readFrames(10), first);
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

TEST(ReaderGraphTest, InputsWithoutTheRequestedStreamFailWithCode7) {
    TempFolder folder("reader_graph_fail");
    test::ClipSpec soundOnly;
    soundOnly.audio = test::AudioSpec{};
    const std::string sound = test::writeClip(folder.file("sound.avi"), soundOnly);
    EXPECT_EQ(codeOf([&] { ReaderGraph(sound, ReaderGraph::VideoTemplate(), true); }), 7);
    EXPECT_EQ(codeOf([&] { ReaderGraph(sound, ReaderGraph::AudioTemplate(), true); }), 0);
    const std::string silent = test::SmallClip(folder.file("silent.avi"), 10, 0);
    EXPECT_EQ(codeOf([&] { ReaderGraph(silent, ReaderGraph::AudioTemplate(), true); }), 7);
}

TEST(ReaderGraphTest, WithoutAFrameTimeTheRateIsEstimatedFromTheDuration) {
    // 190 frames over 9.5 s (rounded to 10 s): (190 + 1) / 10.
    test::ScriptedSourceFile file("scripted:estimate", {190, 500'000, 0, -1});
    ReaderGraph reader("scripted:estimate", ReaderGraph::VideoTemplate(), true);
    EXPECT_EQ(reader.duration(), 95'000'000);
    EXPECT_EQ(reader.durationFrames(), 190);
    EXPECT_DOUBLE_EQ(reader.frameRate(), 19.1);
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

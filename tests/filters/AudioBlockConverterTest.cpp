// Audio format conversion of a run's blocks: exact chunk sizes, partial sample frames
// carried between blocks over an hour of 29.97 fps blocks, continuity of the sound
// across block boundaries, and refused misuse. (A run with identical formats does not
// convert.)
#include "filters/AudioBlockConverter.h"
#include "filters/ConvertAudio.h"
#include "tests/support/streaming/TestMediaTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <utility>

namespace zentar {
namespace {

// 16-bit stereo as one byte stream: a sine on the left, its negation on the right. The
// frequency divides the rate, so one period of frames is computed once and repeated.
class StereoSine {
public:
    StereoSine(int hz, int rate) : period_(4 * static_cast<size_t>(rate / hz)) {
        const double step = 2 * std::numbers::pi * hz / rate;
        for (size_t frame = 0; frame < period_.size() / 4; ++frame) {
            const auto value = static_cast<int16_t>(10000 * std::sin(step * frame));
            const int16_t pair[2] = {value, static_cast<int16_t>(-value)};
            std::memcpy(period_.data() + 4 * frame, pair, 4);
        }
    }
    void fill(std::vector<BYTE>& block) {
        for (size_t done = 0; done < block.size();) {
            const size_t n = std::min(block.size() - done, period_.size() - position_);
            std::memcpy(block.data() + done, period_.data() + position_, n);
            done += n;
            position_ = (position_ + n) % period_.size();
        }
    }

private:
    std::vector<BYTE> period_;
    size_t position_ = 0;
};

// A chirp in any PCM format (16-bit: the left channel, the others its negation; 8-bit:
// unsigned, every channel alike): no two stretches alike, so a delay can be found by
// matching.
void FillChirp(std::vector<BYTE>& block, long& frame, const WAVEFORMATEX& format) {
    const size_t align = format.nBlockAlign;
    for (size_t i = 0; i + align <= block.size(); i += align, ++frame) {
        const double t = static_cast<double>(frame);
        const double value = std::sin(0.02 * t + 2e-6 * t * t);
        for (size_t c = 0; c < format.nChannels; ++c) {
            if (format.wBitsPerSample == 8) {
                block[i + c] = static_cast<BYTE>(128 + 100 * value);
            } else {
                const auto sample = static_cast<int16_t>((c == 0 ? 9000 : -9000) * value);
                std::memcpy(block.data() + i + 2 * c, &sample, 2);
            }
        }
    }
}

std::vector<int16_t> Samples(const std::vector<BYTE>& bytes) {
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// One conversion of the whole stream in a single call: what a converter that keeps
// its history across blocks must give (after its start-up delay).
std::vector<int16_t> ConvertWhole(const std::vector<BYTE>& input, const WAVEFORMATEX& in,
                                  const WAVEFORMATEX& out) {
    DWORD size = 0;
    ConvertAudio(nullptr, &in, static_cast<DWORD>(input.size()), nullptr, &out, &size);
    std::vector<BYTE> converted(size + 64);
    size = static_cast<DWORD>(converted.size());
    ConvertAudio(input.data(), &in, static_cast<DWORD>(input.size()), converted.data(), &out,
                 &size);
    converted.resize(size);
    return Samples(converted);
}

TEST(AudioConversion, BlocksAt25FramesPerSecondGiveExactChunksOfOneContinuousConversion) {
    const WAVEFORMATEX cd = test::PcmFormat(2, 44100, 16);
    DWORD size = 0;
    const WAVEFORMATEX half = test::PcmFormat(2, 22050, 16);
    ConvertAudio(nullptr, &cd, 7056, nullptr, &half, &size);
    EXPECT_EQ(size, 3528u); // 1,764 sample frames become 882

    const std::pair<WAVEFORMATEX, WAVEFORMATEX> cases[] = {
        {cd, half}, {cd, test::PcmFormat(2, 48000, 16)}, {test::PcmFormat(1, 22050, 8), cd}};
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(testing::Message() << +in.nSamplesPerSec << " Hz to " << +out.nSamplesPerSec);
        AudioBlockConverter converter;
        ASSERT_EQ(converter.open(in, out, 25.0), MMSYSERR_NOERROR);
        const DWORD blockBytes = in.nAvgBytesPerSec / 25;
        const DWORD chunkBytes = out.nAvgBytesPerSec / 25;
        EXPECT_EQ(converter.chunkBytes(), chunkBytes);
        EXPECT_EQ(converter.bufferBytesFor(blockBytes), chunkBytes);
        long frame = 0;
        std::vector<BYTE> block(blockBytes);
        std::vector<BYTE> chunk(converter.bufferBytesFor(blockBytes));
        std::vector<BYTE> input;
        std::vector<BYTE> output;
        for (int i = 0; i < 40; ++i) {
            FillChirp(block, frame, in);
            input.insert(input.end(), block.begin(), block.end());
            ASSERT_EQ(converter.convert(block.data(), blockBytes, chunk.data(), chunkBytes),
                      MMSYSERR_NOERROR);
            output.insert(output.end(), chunk.begin(), chunk.end());
        }
        ASSERT_EQ(output.size(), 40u * chunkBytes);
        // The chunks are the continuous conversion, delayed by the converter's
        // start-up: no block boundary restarts the resampler.
        const auto reference = ConvertWhole(input, in, out);
        const auto samples = Samples(output);
        size_t delay = 0;
        while (delay < 4000 && !std::equal(reference.begin() + 2000, reference.begin() + 2400,
                                           samples.begin() + 2000 + delay))
            delay += 2;
        ASSERT_LT(delay, 4000u) << "no match";
        for (size_t k = 0; k + delay < samples.size(); ++k)
            ASSERT_NEAR(samples[k + delay], reference[k], 1) << "sample " << k;
    }
}

TEST(AudioConversion, PartialFramesStayAlignedForAnHourOfBlocks) {
    const WAVEFORMATEX in = test::PcmFormat(2, 44100, 16);
    const WAVEFORMATEX out = test::PcmFormat(2, 22050, 16);
    AudioBlockConverter converter;
    ASSERT_EQ(converter.open(in, out, 29.97), MMSYSERR_NOERROR);
    const DWORD blockBytes = 176400 / 29.97; // 5,885: not whole sample frames
    ASSERT_EQ(blockBytes, 5885u);
    EXPECT_EQ(converter.chunkBytes(), 2942u);
    std::vector<BYTE> block(blockBytes);
    std::vector<BYTE> chunk(converter.bufferBytesFor(blockBytes) + 8, 0xAB);
    const DWORD capacity = static_cast<DWORD>(chunk.size()) - 8;
    ASSERT_GE(capacity, 2942u);
    StereoSine sine(50, 44100);
    const int blocks = 107892; // one hour at 29.97 frames per second
    uint64_t total = 0;
    size_t maxQueued = 0;
    std::vector<BYTE> tail;
    for (int i = 0; i < blocks; ++i) {
        sine.fill(block);
        ASSERT_EQ(converter.convert(block.data(), blockBytes, chunk.data(), capacity),
                  MMSYSERR_NOERROR);
        total += converter.chunkBytes();
        ASSERT_LT(converter.carriedSourceBytes(), 4u);
        maxQueued = std::max(maxQueued, converter.queuedBytes());
        if (i >= blocks - 3)
            tail.insert(tail.end(), chunk.begin(), chunk.begin() + 2942);
    }
    EXPECT_EQ(total, uint64_t(blocks) * 2942);
    EXPECT_LT(maxQueued, 40u * 4);    // no backlog builds up: the output keeps in step
    EXPECT_EQ(chunk[capacity], 0xAB); // nothing written past the chunk
    // Still whole frames an hour later: left and right mirror each other.
    const auto samples = Samples(tail);
    const size_t start = (tail.size() / 2) % 2 == 0 ? 0 : 1;
    for (size_t i = start + 2; i + 1 < samples.size(); i += 2)
        ASSERT_NEAR(samples[i], -samples[i + 1], 2) << "sample " << i;
}

TEST(AudioConversion, MisuseAndImpossibleConversionsAreRefused) {
    const WAVEFORMATEX in = test::PcmFormat(2, 44100, 16);
    const WAVEFORMATEX out = test::PcmFormat(1, 22050, 8);
    AudioBlockConverter converter;
    ASSERT_EQ(converter.open(in, out, 29.97), MMSYSERR_NOERROR);
    EXPECT_EQ(converter.chunkBytes(), 735u);
    std::vector<BYTE> block(5885);
    std::vector<BYTE> chunk(735, 0x11);
    EXPECT_EQ(converter.convert(block.data(), 5885, chunk.data(), 734), MMSYSERR_INVALPARAM);
    EXPECT_EQ(chunk[0], 0x11);
    EXPECT_EQ(converter.convert(nullptr, 5885, chunk.data(), 735), MMSYSERR_INVALPARAM);
    EXPECT_EQ(converter.convert(block.data(), 5885, chunk.data(), 735), MMSYSERR_NOERROR);
    EXPECT_EQ(chunk[0], 0x80); // 8-bit silence: the stream starts from silence

    WAVEFORMATEX adpcm = in;
    adpcm.wFormatTag = 2;
    DWORD size = 0;
    EXPECT_NE(ConvertAudio(nullptr, &in, 5885, nullptr, &adpcm, &size), MMSYSERR_NOERROR);
    EXPECT_EQ(size, 0u);
    EXPECT_NE(converter.open(in, out, 0.0), MMSYSERR_NOERROR);
}

} // namespace
} // namespace zentar

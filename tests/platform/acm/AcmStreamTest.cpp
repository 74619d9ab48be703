// The ACM stream functions converting real PCM: sizes, honest byte counts, sound that
// survives a rate change whole, and refusals of what they cannot do. Channel, sample-size
// and upward rate changes are tests/filters/AudioBlockConverterTest's and the end-to-end
// custom-sound conversion's.
#include "platform/acm/Acm.h"
#include "tests/support/streaming/TestMediaTypes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace zentar {
namespace {

std::vector<uint8_t> sine16(DWORD rate, int channels, int frames, double hz, double amplitude) {
    std::vector<uint8_t> out(static_cast<size_t>(frames) * channels * 2);
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<int16_t>(amplitude * std::sin(2 * M_PI * hz * i / rate));
        for (int ch = 0; ch < channels; ++ch) {
            std::memcpy(&out[(static_cast<size_t>(i) * channels + ch) * 2], &v, 2);
        }
    }
    return out;
}

// Opens, sizes (when dstBytes is 0) and converts one block as the run does.
struct Converted {
    MMRESULT result = MMSYSERR_ERROR;
    DWORD srcUsed = 0;
    DWORD dstUsed = 0;
};

Converted convertBlock(const WAVEFORMATEX& from, const WAVEFORMATEX& to, std::vector<uint8_t>& src,
                       std::vector<uint8_t>& dst) {
    HACMSTREAM stream = nullptr;
    Converted c;
    c.result =
        acmStreamOpen(&stream, nullptr, &from, &to, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME);
    if (c.result != MMSYSERR_NOERROR) {
        return c;
    }
    ACMSTREAMHEADER header;
    header.cbStruct = sizeof(header);
    header.pbSrc = src.data();
    header.cbSrcLength = static_cast<DWORD>(src.size());
    header.pbDst = dst.data();
    header.cbDstLength = static_cast<DWORD>(dst.size());
    EXPECT_EQ(acmStreamPrepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    c.result = acmStreamConvert(stream, &header, 0);
    EXPECT_NE(header.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE, 0u);
    EXPECT_EQ(acmStreamUnprepareHeader(stream, &header, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
    c.srcUsed = header.cbSrcLengthUsed;
    c.dstUsed = header.cbDstLengthUsed;
    return c;
}

DWORD sizeFor(const WAVEFORMATEX& from, const WAVEFORMATEX& to, DWORD bytes, DWORD flags) {
    HACMSTREAM stream = nullptr;
    EXPECT_EQ(
        acmStreamOpen(&stream, nullptr, &from, &to, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME),
        MMSYSERR_NOERROR);
    DWORD result = 0;
    EXPECT_EQ(acmStreamSize(stream, bytes, &result, flags), MMSYSERR_NOERROR);
    EXPECT_EQ(acmStreamClose(stream, 0), MMSYSERR_NOERROR);
    return result;
}

TEST(AcmStreamTest, HalvingTheRateKeepsTheWholeBlockOfSound) {
    const WAVEFORMATEX from = test::PcmFormat(2, 44100, 16);
    const WAVEFORMATEX to = test::PcmFormat(2, 22050, 16);
    // One frame period at 25 fps: 1,764 sample frames, 7,056 bytes.
    EXPECT_EQ(sizeFor(from, to, 7056, ACM_STREAMSIZEF_SOURCE), 3528u);
    EXPECT_EQ(sizeFor(from, to, 3528, ACM_STREAMSIZEF_DESTINATION), 7056u);

    auto src = sine16(44100, 2, 1764, 441.0, 10000.0);
    std::vector<uint8_t> dst(3528);
    const Converted c = convertBlock(from, to, src, dst);
    ASSERT_EQ(c.result, MMSYSERR_NOERROR);
    EXPECT_EQ(c.srcUsed, 7056u);
    EXPECT_EQ(c.dstUsed, 3528u);
    // The output is the same tone at the new rate, to its very end (no resampler delay lost).
    const auto expected = sine16(22050, 2, 882, 441.0, 10000.0);
    double worst = 0;
    for (size_t i = 0; i < 882 * 2; ++i) {
        int16_t got = 0;
        int16_t want = 0;
        std::memcpy(&got, &dst[i * 2], 2);
        std::memcpy(&want, &expected[i * 2], 2);
        // The block's edges see silence beyond them; judge the inside closely.
        if (i >= 2 * 20 && i < 2 * 862) {
            worst = std::max(worst, std::abs(double(got) - want));
        }
    }
    EXPECT_LT(worst, 300.0);
    int16_t last = 0;
    std::memcpy(&last, &dst[3528 - 2], 2);
    EXPECT_NE(last, 0);
}

TEST(AcmStreamTest, ReportsWhatWasReallyUsedAndProduced) {
    const WAVEFORMATEX from = test::PcmFormat(2, 44100, 16);
    const WAVEFORMATEX to = test::PcmFormat(2, 22050, 16);
    // A block that ends inside a sample frame: the partial frame stays unused.
    auto src = sine16(44100, 2, 1472, 300.0, 5000.0);
    src.resize(5885);
    std::vector<uint8_t> dst(sizeFor(from, to, 5885, ACM_STREAMSIZEF_SOURCE));
    EXPECT_EQ(dst.size(), 736u * 4); // 1,471 whole frames, rounded up to 736
    Converted c = convertBlock(from, to, src, dst);
    ASSERT_EQ(c.result, MMSYSERR_NOERROR);
    EXPECT_EQ(c.srcUsed, 5884u);
    EXPECT_LE(c.dstUsed, dst.size());
    EXPECT_GE(c.dstUsed, 735u * 4);
    EXPECT_EQ(c.dstUsed % 4, 0u);

    // A destination too small: only the source that fits is taken.
    std::vector<uint8_t> small(1000);
    c = convertBlock(from, to, src, small);
    ASSERT_EQ(c.result, MMSYSERR_NOERROR);
    EXPECT_EQ(c.srcUsed, 500u * 4);
    EXPECT_EQ(c.dstUsed, 250u * 4);
}

} // namespace
} // namespace zentar

#include "platform/media/Rgb555Ditherer.h"

#include "platform/media/MediaFormats.h"

#include <cstddef>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define ZENTAR_HAVE_SSSE3 1
#endif

namespace zentar::ffmpeg {
namespace {

// The offset added to an 8-bit value before it drops to 5 bits, by row and column parity.
// Red reads the pattern as it stands, green with the columns swapped, blue with the rows
// swapped, so no two channels of a pixel take the same offset.
constexpr uint8_t kPattern[2][2] = {{6, 2}, {0, 4}};

inline unsigned level(unsigned value, unsigned offset) {
    const unsigned sum = value + offset;
    return (sum > 255 ? 255 : sum) >> 3;
}

} // namespace

Rgb555Ditherer::Rgb555Ditherer() {
#ifdef ZENTAR_HAVE_SSSE3
    ssse3_ = __builtin_cpu_supports("ssse3") != 0;
#endif
}

void Rgb555Ditherer::convertRow(const uint8_t* bgr, int from, int width, int row, uint16_t* out) {
    for (int x = from; x < width; ++x, bgr += 3) {
        const int column = x & 1;
        out[x] = static_cast<uint16_t>(level(bgr[2], kPattern[row][column]) << 10 |
                                       level(bgr[1], kPattern[row][column ^ 1]) << 5 |
                                       level(bgr[0], kPattern[row ^ 1][column]));
    }
}

#ifdef ZENTAR_HAVE_SSSE3
// Only reached when the processor reports SSSE3; every helper carries the target itself.
#define ZENTAR_SSSE3 __attribute__((target("ssse3")))
namespace {

// The shuffle that takes channel c's bytes from the part-th 16 of 48 bytes of pixels: byte k
// of the 48 goes to lane k / 3 of channel k % 3, and the lanes this part lacks stay zero.
ZENTAR_SSSE3 __m128i channelShuffle(int channel, int part) {
    alignas(16) int8_t index[16];
    for (int lane = 0; lane < 16; ++lane) {
        const int source = lane * 3 + channel - part * 16;
        index[lane] = static_cast<int8_t>(source >= 0 && source < 16 ? source : -1);
    }
    return _mm_load_si128(reinterpret_cast<const __m128i*>(index));
}

ZENTAR_SSSE3 __m128i alternating(uint8_t even, uint8_t odd) {
    return _mm_set1_epi16(static_cast<short>(even | odd << 8));
}

// The 5-bit levels of one channel of sixteen pixels, one a byte.
ZENTAR_SSSE3 __m128i channelLevels(const __m128i* in, const __m128i* shuffle, __m128i offset) {
    const __m128i packed = _mm_or_si128(
        _mm_or_si128(_mm_shuffle_epi8(in[0], shuffle[0]), _mm_shuffle_epi8(in[1], shuffle[1])),
        _mm_shuffle_epi8(in[2], shuffle[2]));
    return _mm_and_si128(_mm_srli_epi16(_mm_adds_epu8(packed, offset), 3), _mm_set1_epi8(0x1f));
}

ZENTAR_SSSE3 __m128i words(__m128i red, __m128i green, __m128i blue) {
    return _mm_or_si128(_mm_or_si128(_mm_slli_epi16(red, 10), _mm_slli_epi16(green, 5)), blue);
}

} // namespace

ZENTAR_SSSE3 int Rgb555Ditherer::convertRowSsse3(const uint8_t* bgr, int width, int row,
                                                 uint16_t* out) {
    const __m128i shuffle[3][3] = {
        {channelShuffle(0, 0), channelShuffle(0, 1), channelShuffle(0, 2)},
        {channelShuffle(1, 0), channelShuffle(1, 1), channelShuffle(1, 2)},
        {channelShuffle(2, 0), channelShuffle(2, 1), channelShuffle(2, 2)}};
    const __m128i blueOffset = alternating(kPattern[row ^ 1][0], kPattern[row ^ 1][1]);
    const __m128i greenOffset = alternating(kPattern[row][1], kPattern[row][0]);
    const __m128i redOffset = alternating(kPattern[row][0], kPattern[row][1]);
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x + 16 <= width; x += 16, bgr += 48) {
        const __m128i in[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr)),
                               _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 16)),
                               _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 32))};
        const __m128i b = channelLevels(in, shuffle[0], blueOffset);
        const __m128i g = channelLevels(in, shuffle[1], greenOffset);
        const __m128i r = channelLevels(in, shuffle[2], redOffset);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         words(_mm_unpacklo_epi8(r, zero), _mm_unpacklo_epi8(g, zero),
                               _mm_unpacklo_epi8(b, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 8),
                         words(_mm_unpackhi_epi8(r, zero), _mm_unpackhi_epi8(g, zero),
                               _mm_unpackhi_epi8(b, zero)));
    }
    return x;
}
#else
int Rgb555Ditherer::convertRowSsse3(const uint8_t*, int, int, uint16_t*) {
    return 0;
}
#endif

void Rgb555Ditherer::convert(const uint8_t* src, int width, int height, uint8_t* dst,
                             int dstStride) const {
    const int stride = Rgb24Stride(width);
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = src + static_cast<ptrdiff_t>(height - 1 - y) * stride;
        auto* out = reinterpret_cast<uint16_t*>(dst + static_cast<ptrdiff_t>(y) * dstStride);
        const int done = ssse3_ ? convertRowSsse3(in, width, y & 1, out) : 0;
        convertRow(in + static_cast<ptrdiff_t>(done) * 3, done, width, y & 1, out);
    }
}

} // namespace zentar::ffmpeg

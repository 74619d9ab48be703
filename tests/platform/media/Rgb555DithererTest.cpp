// The 24-to-15-bit converter in front of the 15-bit encoders: the sixteen-pixel path and the
// pixel-by-pixel tail must give the same words, upright, in the encoder's channel order.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/media/Rgb555Ditherer.h"

namespace zentar::ffmpeg {
namespace {

TEST(Rgb555DithererTest, EveryPixelIsItsDitheredLevelInPlace) {
    // 37 pixels: two groups of sixteen and a tail of five; rows padded from 111 to 112 bytes.
    constexpr int kWidth = 37;
    constexpr int kHeight = 4;
    constexpr int kStride = 112;
    std::mt19937 random(7);
    std::vector<uint8_t> bgr(kStride * kHeight);
    for (uint8_t& byte : bgr)
        byte = static_cast<uint8_t>(random());
    std::fill_n(bgr.begin(), 48, 255); // the last picture row: saturation, never a wrap to 0
    std::vector<uint16_t> words(kWidth * kHeight + 3, 0xdead);
    Rgb555Ditherer().convert(bgr.data(), kWidth, kHeight, reinterpret_cast<uint8_t*>(words.data()),
                             kWidth * 2);
    const int pattern[2][2] = {{6, 2}, {0, 4}};
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = &bgr[(kHeight - 1 - y) * kStride + x * 3];
            const auto level = [](int v, int offset) { return std::min(31, (v + offset) >> 3); };
            const int expected = level(p[2], pattern[y & 1][x & 1]) << 10 |
                                 level(p[1], pattern[y & 1][(x & 1) ^ 1]) << 5 |
                                 level(p[0], pattern[(y & 1) ^ 1][x & 1]);
            ASSERT_EQ(words[y * kWidth + x], expected) << "pixel " << x << ", line " << y;
        }
    }
    EXPECT_EQ(words[3 * kWidth], 0x7fff);
    EXPECT_EQ(words[kWidth * kHeight], 0xdead); // nothing written past the picture
}

} // namespace
} // namespace zentar::ffmpeg

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

#include "engine/DivisionTable.h"
#include "engine/FrameResampler.h"
#include "tests/engine/GuardedBuffer.h"

namespace zentar {
namespace {

// The four-tap filter written out literally, one division per position and one table lookup per
// byte; the neighbour beyond the last column or row is that column or row again.
std::vector<std::uint8_t> ReferenceResample(const std::vector<std::uint8_t>& src, int srcW,
                                            int srcH, int dstW, int dstH) {
    if (srcW == dstW && srcH == dstH) {
        return src; // equal sizes are copied, not filtered
    }
    std::vector<std::uint8_t> dst(RgbFrameBytes(dstW, dstH), 0);
    const int srcStride = static_cast<int>(RgbFrameStride(srcW));
    const int dstStride = static_cast<int>(RgbFrameStride(dstW));
    const DivisionTable& table = divisionTable();
    for (int i = 0; i < dstH; ++i) {
        const int y = i * srcH * 16 / dstH;
        const int row = std::max(0, std::min(y / 16, srcH - 2));
        const int nextRow = std::min(row + 1, srcH - 1);
        const int fy = y % 16, gy = 15 - fy;
        for (int j = 0; j < dstW; ++j) {
            const int x = j * srcW * 16 / dstW;
            const int col = x / 16, nextCol = std::min(col + 1, srcW - 1);
            const int fx = x % 16, gx = 15 - fx;
            for (int c = 0; c < 3; ++c) {
                const int a = src[row * srcStride + 3 * col + c];
                const int b = src[row * srcStride + 3 * nextCol + c];
                const int d = src[nextRow * srcStride + 3 * col + c];
                const int e = src[nextRow * srcStride + 3 * nextCol + c];
                dst[i * dstStride + 3 * j + c] =
                    table[gy * gx * a + gy * fx * b + fy * gx * d + fy * fx * e];
            }
        }
    }
    return dst;
}

std::vector<std::uint8_t> RandomFrame(int width, int height, std::mt19937& random) {
    std::vector<std::uint8_t> frame(RgbFrameBytes(width, height));
    for (auto& byte : frame) {
        byte = static_cast<std::uint8_t>(random());
    }
    return frame;
}

std::vector<std::uint8_t> Resample(FrameResampler& resampler, const std::vector<std::uint8_t>& src,
                                   int srcW, int srcH, int dstW, int dstH) {
    std::vector<std::uint8_t> dst(RgbFrameBytes(dstW, dstH), 0);
    resampler.ResampleFrame(src.data(), srcW, srcH, dst.data(), dstW, dstH);
    return dst;
}

TEST(DivisionTable, RoundsSumsOfWeight225BackToBytes) {
    const DivisionTable& table = divisionTable();
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[112], 0);
    EXPECT_EQ(table[113], 1);
    EXPECT_EQ(table[225 * 255], 255);
    EXPECT_EQ(table[DivisionTable::kSize - 1], 255);
}

TEST(FrameResampler, MatchesTheLiteralFilterForEverySizePair) {
    std::mt19937 random(11);
    FrameResampler resampler;
    // Up, down, mixed, odd widths (row padding, vector tails) and one-pixel sources; the pairs
    // switch sizes back and forth so that stale per-size tables would show.
    const int pairs[][4] = {{2, 2, 4, 4},         {4, 4, 2, 2},     {7, 5, 13, 11}, {13, 11, 7, 5},
                            {720, 576, 352, 288}, {35, 29, 72, 57}, {1, 1, 5, 3},   {1, 6, 9, 2},
                            {6, 1, 3, 8},         {2, 2, 4, 4},     {5, 3, 5, 9},   {9, 7, 9, 3}};
    for (const auto& p : pairs) {
        const auto src = RandomFrame(p[0], p[1], random);
        EXPECT_EQ(Resample(resampler, src, p[0], p[1], p[2], p[3]),
                  ReferenceResample(src, p[0], p[1], p[2], p[3]))
            << p[0] << "x" << p[1] << " -> " << p[2] << "x" << p[3];
    }
}

TEST(FrameResampler, ReadsAndWritesNothingOutsideTheFrames) {
    // Widths without row padding put the last source pixel at the very end of the buffer; the
    // upscale samples that last column with fx > 0 and, for a one-row source, row -1 + 1.
    const int cases[][4] = {{4, 4, 8, 8}, {8, 3, 20, 7}, {4, 1, 12, 4}, {4, 2, 4, 2}};
    std::mt19937 random(9);
    FrameResampler resampler;
    for (const auto& c : cases) {
        test::GuardedBuffer src(RgbFrameBytes(c[0], c[1]));
        test::GuardedBuffer dst(RgbFrameBytes(c[2], c[3]));
        std::vector<std::uint8_t> copy(src.size());
        for (auto& byte : copy) {
            byte = static_cast<std::uint8_t>(random());
        }
        std::memcpy(src.data(), copy.data(), copy.size());
        resampler.ResampleFrame(src.data(), c[0], c[1], dst.data(), c[2], c[3]);
        EXPECT_EQ(std::vector<std::uint8_t>(dst.data(), dst.data() + dst.size()),
                  ReferenceResample(copy, c[0], c[1], c[2], c[3]));
    }
}

TEST(FrameResampler, RefusesSizesWhosePositionSumsOverflow) {
    EXPECT_TRUE(ResampleSizeSupported(720, 576, 352, 288));
    EXPECT_TRUE(ResampleSizeSupported(1, 1, 134217727, 1)); // 16 x 134,217,727 < 2^31
    EXPECT_FALSE(ResampleSizeSupported(1, 1, 134217728, 1));
    EXPECT_FALSE(ResampleSizeSupported(46341, 1, 2900, 1));
    EXPECT_FALSE(ResampleSizeSupported(8, 8, 8, 0));
    EXPECT_FALSE(ResampleSizeSupported(-2, 8, 8, 8));
    FrameResampler resampler;
    std::uint8_t byte[4] = {};
    EXPECT_THROW(resampler.ResampleFrame(byte, 0, 1, byte, 1, 1), std::invalid_argument);
    EXPECT_THROW(resampler.SetRunSizes(100000, 2, 100000, 3), std::invalid_argument);
}

} // namespace
} // namespace zentar

#include "engine/FrameStats.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zentar {
namespace {

using ChannelSums = std::array<std::uint64_t, 3>;

// Adds bytes [begin, end) of a row segment that starts on a blue byte, by channel. end is a
// whole number of pixels.
void AddBytesScalar(const std::uint8_t* p, std::size_t begin, std::size_t end, ChannelSums& sums) {
    std::size_t k = begin;
    for (; k < end && k % 3 != 0; ++k) {
        sums[k % 3] += p[k];
    }
    for (; k + 3 <= end; k += 3) {
        sums[0] += p[k];
        sums[1] += p[k + 1];
        sums[2] += p[k + 2];
    }
}

#if defined(__SSE2__)
// Sums interleaved BGR bytes in 48 16-bit lanes: 48 bytes are 16 whole pixels, so lane k always
// holds channel k mod 3. Lanes are folded into the 64-bit sums before any can overflow, which
// keeps the per-byte work at two widenings and two additions per 16 bytes.
class LaneSums {
public:
    LaneSums() {
        for (auto& a : acc_) {
            a = _mm_setzero_si128();
        }
    }

    // Adds one row segment of count bytes (whole pixels, starting on a blue byte). Loads never
    // reach past the segment.
    void AddRow(const std::uint8_t* p, std::size_t count, ChannelSums& sums) {
        std::size_t k = 0;
        for (; k + 48 <= count; k += 48) {
            Reserve(sums);
            AddVector(p + k, 0);
            AddVector(p + k + 16, 1);
            AddVector(p + k + 32, 2);
        }
        if (k + 16 <= count) {
            Reserve(sums);
            for (int v = 0; k + 16 <= count; ++v, k += 16) {
                AddVector(p + k, v);
            }
        }
        AddBytesScalar(p, k, count, sums);
    }

    void Flush(ChannelSums& sums) {
        alignas(16) std::uint16_t lanes[48];
        for (int i = 0; i < 6; ++i) {
            _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 8 * i), acc_[i]);
            acc_[i] = _mm_setzero_si128();
        }
        for (int k = 0; k < 48; k += 3) {
            sums[0] += lanes[k];
            sums[1] += lanes[k + 1];
            sums[2] += lanes[k + 2];
        }
        additions_ = 0;
    }

private:
    // 256 additions of at most 255 stay below 65536.
    static constexpr int kMaxAdditions = 256;

    void Reserve(ChannelSums& sums) {
        if (additions_ == kMaxAdditions) {
            Flush(sums);
        }
        ++additions_;
    }

    void AddVector(const std::uint8_t* p, int v) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i zero = _mm_setzero_si128();
        acc_[2 * v] = _mm_add_epi16(acc_[2 * v], _mm_unpacklo_epi8(bytes, zero));
        acc_[2 * v + 1] = _mm_add_epi16(acc_[2 * v + 1], _mm_unpackhi_epi8(bytes, zero));
    }

    __m128i acc_[6];
    int additions_ = 0;
};
#endif

} // namespace

RegionStats HsvFromMeans(std::uint16_t red, std::uint16_t green, std::uint16_t blue) {
    const std::int32_t r = red;
    const std::int32_t g = green;
    const std::int32_t b = blue;
    const std::int32_t max = std::max({r, g, b});
    const std::int32_t min = std::min({r, g, b});
    RegionStats stats;
    stats.val = max;
    stats.sat = max == 0 ? 0 : ((max - min) * 256) / max;
    if (stats.sat == 0) {
        return stats;
    }
    const std::int32_t d = max - min;
    const std::int32_t rc = ((max - r) * 256) / d;
    const std::int32_t gc = ((max - g) * 256) / d;
    const std::int32_t bc = ((max - b) * 256) / d;
    std::int32_t hue;
    if (r == max) {
        hue = bc - gc;
    } else if (g == max) {
        hue = rc - bc + 512;
    } else {
        hue = gc - rc + 1024;
    }
    stats.hue = hue < 0 ? hue + 1536 : hue;
    return stats;
}

RegionStats MeasureRegion(const RgbFrameView& frame, const RegionRect& rect) {
    const std::int64_t width = rect.right - rect.left;
    const std::int64_t height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return {};
    }
    const std::uint64_t n = static_cast<std::uint64_t>(width * height);
    const std::size_t stride = frame.stride();
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    const std::uint8_t* row =
        frame.data + static_cast<std::size_t>(rect.top) * stride + 3 * std::size_t(rect.left);
    ChannelSums sums{};
#if defined(__SSE2__)
    LaneSums lanes;
    for (std::int64_t y = 0; y < height; ++y, row += stride) {
        lanes.AddRow(row, rowBytes, sums);
    }
    lanes.Flush(sums);
#else
    for (std::int64_t y = 0; y < height; ++y, row += stride) {
        AddBytesScalar(row, 0, rowBytes, sums);
    }
#endif
    std::uint16_t means[3];
    for (int c = 0; c < 3; ++c) {
        means[c] = static_cast<std::uint16_t>((sums[c] + n / 2) / n);
    }
    return HsvFromMeans(means[2], means[1], means[0]);
}

std::array<RegionRect, 4> FrameRegions(int width, int height) {
    const int halfW = width / 2;
    const int halfH = height / 2;
    return {{{0, 0, halfW, halfH},
             {halfW, 0, width, halfH},
             {0, halfH, halfW, height},
             {halfW, halfH, width, height}}};
}

} // namespace zentar

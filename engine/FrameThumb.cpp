#include "engine/FrameThumb.h"

#include <algorithm>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zentar {
namespace {

// Sum of |a[i] - b[i]| over n bytes.
std::uint64_t SumAbsDiff(const std::uint8_t* a, const std::uint8_t* b, std::size_t n) {
    std::uint64_t sum = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    __m128i acc = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        acc = _mm_add_epi64(acc, _mm_sad_epu8(x, y));
    }
    alignas(16) std::uint64_t lanes[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
    sum = lanes[0] + lanes[1];
#endif
    for (; i < n; ++i) {
        sum += static_cast<std::uint64_t>(std::abs(a[i] - b[i]));
    }
    return sum;
}

// Column sums of `rows` rows of n bytes (at most 256 rows, so 16 bits hold them), a register
// of columns at a time down all the rows, so the sums are written once.
void SumRows(const std::uint8_t* first, std::size_t stride, int rows, std::uint16_t* sums,
             std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        __m128i lo = zero;
        __m128i hi = zero;
        const std::uint8_t* p = first + i;
        for (int k = 0; k < rows; ++k, p += stride) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(bytes, zero));
            hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(bytes, zero));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i + 8), hi);
    }
#endif
    for (; i < n; ++i) {
        unsigned sum = 0;
        for (int k = 0; k < rows; ++k) {
            sum += first[static_cast<std::size_t>(k) * stride + i];
        }
        sums[i] = static_cast<std::uint16_t>(sum);
    }
}

std::uint8_t ClampByte(int v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

} // namespace

void FrameThumb::Build(const RgbFrameView& frame) {
    // Blocks of at most 256 rows keep the 16-bit column sums from overflowing.
    const int block = std::clamp(frame.width / kTargetWidth, 1, 256);
    width_ = frame.width / block;
    height_ = frame.height / block;
    const std::size_t n = cells();
    planes_.resize(4 * n);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width_) * block;
    rowSums_.resize(rowBytes);
    const int divisor = block * block;
    std::uint8_t* yPlane = planes_.data();
    std::uint8_t* uPlane = yPlane + n;
    std::uint8_t* vPlane = uPlane + n;
    std::uint8_t* ePlane = vPlane + n;
    std::uint64_t lumaSum = 0;
    int lumaMax = 0;
    std::fill(std::begin(histogram_), std::end(histogram_), 0u);
    for (int ty = 0; ty < height_; ++ty) {
        SumRows(frame.data + static_cast<std::size_t>(ty) * block * frame.stride(), frame.stride(),
                block, rowSums_.data(), rowBytes);
        const std::uint16_t* s = rowSums_.data();
        for (int tx = 0; tx < width_; ++tx) {
            int sum[3] = {0, 0, 0};
            for (int k = 0; k < block; ++k, s += 3) {
                sum[0] += s[0];
                sum[1] += s[1];
                sum[2] += s[2];
            }
            const int b = (sum[0] + divisor / 2) / divisor;
            const int g = (sum[1] + divisor / 2) / divisor;
            const int r = (sum[2] + divisor / 2) / divisor;
            const int y = (29 * b + 150 * g + 77 * r + 128) >> 8;
            const std::size_t i = static_cast<std::size_t>(ty) * width_ + tx;
            yPlane[i] = static_cast<std::uint8_t>(y);
            uPlane[i] = ClampByte((b - y) / 2 + 128);
            vPlane[i] = ClampByte((r - y) / 2 + 128);
            ++histogram_[y];
            ++histogram_[256 + uPlane[i]];
            ++histogram_[512 + vPlane[i]];
            lumaSum += static_cast<std::uint64_t>(y);
            lumaMax = std::max(lumaMax, y);
        }
    }
    for (int ty = 0; ty < height_; ++ty) {
        for (int tx = 0; tx < width_; ++tx) {
            const std::size_t i = static_cast<std::size_t>(ty) * width_ + tx;
            const int right = tx + 1 < width_ ? yPlane[i + 1] : yPlane[i];
            const int down = ty + 1 < height_ ? yPlane[i + width_] : yPlane[i];
            ePlane[i] = ClampByte(std::abs(right - yPlane[i]) + std::abs(down - yPlane[i]));
        }
    }
    meanLuma_ = n ? static_cast<double>(lumaSum) / static_cast<double>(n) : 0.0;
    maxLuma_ = lumaMax;
}

double FrameThumb::Difference(const FrameThumb& a, const FrameThumb& b) {
    const std::size_t n = a.cells();
    if (n == 0 || n != b.cells()) {
        return 0.0;
    }
    return static_cast<double>(SumAbsDiff(a.planes_.data(), b.planes_.data(), 4 * n)) /
           static_cast<double>(4 * n);
}

double FrameThumb::HistogramDistance(const FrameThumb& a, const FrameThumb& b) {
    const std::size_t n = a.cells();
    if (n == 0 || n != b.cells()) {
        return 0.0;
    }
    // The area between the two cumulative histograms of each plane.
    std::uint64_t sum = 0;
    for (int plane = 0; plane < 3; ++plane) {
        std::int64_t ahead = 0;
        for (int level = 256 * plane; level < 256 * (plane + 1); ++level) {
            ahead += static_cast<std::int64_t>(a.histogram_[level]) - b.histogram_[level];
            sum += static_cast<std::uint64_t>(ahead < 0 ? -ahead : ahead);
        }
    }
    return static_cast<double>(sum) / static_cast<double>(3 * n);
}

double FrameThumb::ColourDistance(const FrameThumb& a, const FrameThumb& b) {
    const std::size_t n = a.cells();
    if (n == 0 || n != b.cells()) {
        return 0.0;
    }
    return static_cast<double>(SumAbsDiff(a.planes_.data(), b.planes_.data(), 3 * n)) /
           static_cast<double>(3 * n);
}

double FrameThumb::BlendResidual(const FrameThumb& a, const FrameThumb& mid, const FrameThumb& b) {
    const std::size_t n = a.cells();
    if (n == 0 || n != b.cells() || n != mid.cells()) {
        return 0.0;
    }
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < 3 * n; ++i) {
        const int blend = a.planes_[i] + b.planes_[i];
        sum += static_cast<std::uint64_t>(std::abs(2 * mid.planes_[i] - blend));
    }
    return static_cast<double>(sum) / static_cast<double>(6 * n);
}

} // namespace zentar

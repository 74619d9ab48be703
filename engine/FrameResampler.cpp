#include "engine/FrameResampler.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zentar {
namespace {

// (v + 112) / 225 as a multiply and shift, so that sixteen sums can be rounded at once: for
// every sum a bilinear filter of bytes can produce it equals the table entry (checked below at
// compile time).
constexpr std::uint32_t kReciprocal225 = 37283; // ceil(2^23 / 225)
constexpr int kReciprocalShift = 23;

constexpr bool ReciprocalMatchesTable() {
    for (std::uint32_t v = 0; v <= DivisionTable::kLastReachable; ++v) {
        if (((v + 112) * kReciprocal225) >> kReciprocalShift != DivisionTable::Entry(v)) {
            return false;
        }
    }
    return true;
}
static_assert(ReciprocalMatchesTable());

bool FitsPositionSum(int src, int dst) {
    return static_cast<std::int64_t>(src) * 16 * dst <= std::numeric_limits<std::int32_t>::max();
}

} // namespace

bool ResampleSizeSupported(int srcW, int srcH, int dstW, int dstH) {
    return srcW > 0 && srcH > 0 && dstW > 0 && dstH > 0 && FitsPositionSum(srcW, dstW) &&
           FitsPositionSum(srcH, dstH);
}

void FrameResampler::ResampleFrame(const std::uint8_t* src, int srcW, int srcH, std::uint8_t* dst,
                                   int dstW, int dstH) {
    if (!ResampleSizeSupported(srcW, srcH, dstW, dstH)) {
        throw std::invalid_argument("ResampleFrame: unsupported frame size");
    }
    if (srcW == dstW && srcH == dstH) {
        std::memcpy(dst, src, RgbFrameBytes(srcW, srcH));
        return;
    }
    PrepareColumns(srcW, dstW);
    PrepareRows(srcH, dstH);
    lineRows_[0] = lineRows_[1] = -1; // a new source frame
    const std::size_t srcStride = RgbFrameStride(srcW);
    const std::size_t dstStride = RgbFrameStride(dstW);
    std::uint8_t* out = dst;
    for (const RowTap& tap : rows_) {
        const std::uint16_t* line0 =
            FilteredLine(tap.row0, tap.fy == 0 ? -1 : tap.row1, src, srcStride);
        // With fy = 0 the second row has no weight: it is neither filtered nor read.
        const std::uint16_t* line1 =
            tap.fy == 0 ? line0 : FilteredLine(tap.row1, tap.row0, src, srcStride);
        BlendRows(line0, line1, tap, out);
        out += dstStride;
    }
}

void FrameResampler::SetRunSizes(int inputWidth, int inputHeight, int outputWidth,
                                 int outputHeight) {
    if (!ResampleSizeSupported(inputWidth, inputHeight, outputWidth, outputHeight)) {
        throw std::invalid_argument("FrameResampler: unsupported frame size");
    }
    inputWidth_ = inputWidth;
    inputHeight_ = inputHeight;
    if (inputWidth == outputWidth && inputHeight == outputHeight) {
        resizedFrame_ = RgbFrame();
        return;
    }
    resizedFrame_ = RgbFrame(outputWidth, outputHeight);
    PrepareColumns(inputWidth, outputWidth);
    PrepareRows(inputHeight, outputHeight);
}

const std::uint8_t* FrameResampler::ResizeHeldFrame(const std::uint8_t* frame) {
    if (resizedFrame_.size() == 0) {
        return frame;
    }
    ResampleFrame(frame, inputWidth_, inputHeight_, resizedFrame_.data(), resizedFrame_.width(),
                  resizedFrame_.height());
    return resizedFrame_.data();
}

void FrameResampler::EndRun() {
    resizedFrame_ = RgbFrame();
    inputWidth_ = inputHeight_ = 0;
}

void FrameResampler::PrepareColumns(int srcW, int dstW) {
    if (srcW == columnsSrcW_ && dstW == columnsDstW_) {
        return;
    }
    columns_.resize(static_cast<std::size_t>(dstW));
    std::int64_t sum = 0; // j x srcW x 16, kept as a running sum
    for (ColumnTap& tap : columns_) {
        const std::int64_t position = sum / dstW;
        const auto x = static_cast<std::uint32_t>(position / 16);
        const auto fx = static_cast<std::uint16_t>(position % 16);
        const std::uint32_t right = std::min<std::uint32_t>(x + 1, srcW - 1);
        tap = {3 * x, 3 * right, fx, static_cast<std::uint16_t>(15 - fx)};
        sum += static_cast<std::int64_t>(srcW) * 16;
    }
    for (auto& line : lines_) {
        line.resize(3 * static_cast<std::size_t>(dstW));
    }
    columnsSrcW_ = srcW;
    columnsDstW_ = dstW;
}

void FrameResampler::PrepareRows(int srcH, int dstH) {
    if (srcH == rowsSrcH_ && dstH == rowsDstH_) {
        return;
    }
    rows_.resize(static_cast<std::size_t>(dstH));
    std::int64_t sum = 0;
    for (RowTap& tap : rows_) {
        const std::int64_t position = sum / dstH;
        // The last sample rows pair srcH - 2 with srcH - 1, keeping their fraction; a source of
        // one row pairs that row with itself.
        const int row0 =
            std::max(0, static_cast<int>(std::min<std::int64_t>(position / 16, srcH - 2)));
        const auto fy = static_cast<std::uint16_t>(position % 16);
        tap = {row0, std::min(row0 + 1, srcH - 1), fy, static_cast<std::uint16_t>(15 - fy)};
        sum += static_cast<std::int64_t>(srcH) * 16;
    }
    rowsSrcH_ = srcH;
    rowsDstH_ = dstH;
}

// The filtered line of a source row, computed at most once per frame while it stays in one of
// the two slots; keepRow names the row the caller still needs, whose slot is not reused.
const std::uint16_t* FrameResampler::FilteredLine(int row, int keepRow, const std::uint8_t* src,
                                                  std::size_t srcStride) {
    for (int slot = 0; slot < 2; ++slot) {
        if (lineRows_[slot] == row) {
            return lines_[slot].data();
        }
    }
    const int slot = lineRows_[0] == keepRow && keepRow >= 0 ? 1 : 0;
    FilterRow(src + static_cast<std::size_t>(row) * srcStride, lines_[slot].data());
    lineRows_[slot] = row;
    return lines_[slot].data();
}

void FrameResampler::FilterRow(const std::uint8_t* srcRow, std::uint16_t* out) const {
    for (const ColumnTap& tap : columns_) {
        const std::uint8_t* left = srcRow + tap.left;
        const std::uint8_t* right = srcRow + tap.right;
        out[0] = static_cast<std::uint16_t>(tap.gx * left[0] + tap.fx * right[0]);
        out[1] = static_cast<std::uint16_t>(tap.gx * left[1] + tap.fx * right[1]);
        out[2] = static_cast<std::uint16_t>(tap.gx * left[2] + tap.fx * right[2]);
        out += 3;
    }
}

// gy x line0 + fy x line1 is exactly the four-tap sum w00 a + w01 b + w10 c + w11 d (at most
// 57,375, so 16-bit lanes hold it), rounded to a byte.
void FrameResampler::BlendRows(const std::uint16_t* line0, const std::uint16_t* line1,
                               const RowTap& tap, std::uint8_t* out) const {
    const std::size_t count = 3 * static_cast<std::size_t>(columnsDstW_);
    std::size_t k = 0;
#if defined(__SSE2__)
    const __m128i gy = _mm_set1_epi16(static_cast<short>(tap.gy));
    const __m128i fy = _mm_set1_epi16(static_cast<short>(tap.fy));
    const __m128i bias = _mm_set1_epi16(112);
    const __m128i reciprocal = _mm_set1_epi16(static_cast<short>(kReciprocal225));
    auto blend8 = [&](std::size_t at) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line0 + at));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line1 + at));
        const __m128i sum =
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(a, gy), _mm_mullo_epi16(b, fy)), bias);
        return _mm_srli_epi16(_mm_mulhi_epu16(sum, reciprocal), kReciprocalShift - 16);
    };
    for (; k + 16 <= count; k += 16) {
        const __m128i bytes = _mm_packus_epi16(blend8(k), blend8(k + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), bytes);
    }
    if (k + 8 <= count) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k),
                         _mm_packus_epi16(blend8(k), blend8(k)));
        k += 8;
    }
#endif
    for (; k < count; ++k) {
        out[k] = table_[static_cast<std::size_t>(tap.gy * line0[k] + tap.fy * line1[k])];
    }
}

} // namespace zentar

// Fixed-point bilinear resampling of RgbFrame buffers: sixteenth-pixel sample positions, four
// taps per channel with weights in fifteenths (sum 225), rounded back to a byte as
// divisionTable does. The resampler owns its per-size tables (column taps per source/destination
// width, row taps per source/destination height, two filtered source lines), rebuilt only when
// a size changes, and for a run the output buffer resizedFrame. Used on the run's thread only.
//
// Two departures from the literal filter keep reads inside the source: the right-hand
// neighbour of the last column is that column again, and a source one row high uses its row
// twice. Sizes whose position sums overflow 32-bit arithmetic are refused
// (ResampleSizeSupported); the run checks that when it sets up the output size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/DivisionTable.h"
#include "engine/RgbFrame.h"

namespace zentar {

// True when all sizes are positive and srcW x 16 x dstW and srcH x 16 x dstH fit in a 32-bit
// signed integer.
bool ResampleSizeSupported(int srcW, int srcH, int dstW, int dstH);

class FrameResampler {
public:
    FrameResampler() : FrameResampler(divisionTable()) {}
    explicit FrameResampler(const DivisionTable& table) : table_(table) {}

    // Resamples the srcW x srcH frame at src into the dstW x dstH frame at dst (row padding of
    // dst is not written). Equal sizes copy the frame. Throws std::invalid_argument for sizes
    // that ResampleSizeSupported refuses.
    void ResampleFrame(const std::uint8_t* src, int srcW, int srcH, std::uint8_t* dst, int dstW,
                       int dstH);

    // Sets the run's input and output sizes, allocates resizedFrame when they differ and
    // prepares the tables. Throws std::invalid_argument for unsupported sizes.
    void SetRunSizes(int inputWidth, int inputHeight, int outputWidth, int outputHeight);
    // The held frame at the output size: the frame itself when the sizes are equal, otherwise
    // resizedFrame after resampling into it.
    const std::uint8_t* ResizeHeldFrame(const std::uint8_t* frame);
    // Frees the run's buffer (the run has stopped).
    void EndRun();

private:
    struct ColumnTap {
        std::uint32_t left;  // byte offset of the sample column in a row
        std::uint32_t right; // byte offset of its right-hand neighbour (itself at the last column)
        std::uint16_t fx;
        std::uint16_t gx;
    };
    struct RowTap {
        int row0;
        int row1;
        std::uint16_t fy;
        std::uint16_t gy;
    };

    void PrepareColumns(int srcW, int dstW);
    void PrepareRows(int srcH, int dstH);
    const std::uint16_t* FilteredLine(int row, int keepRow, const std::uint8_t* src,
                                      std::size_t srcStride);
    void FilterRow(const std::uint8_t* srcRow, std::uint16_t* out) const;
    void BlendRows(const std::uint16_t* line0, const std::uint16_t* line1, const RowTap& tap,
                   std::uint8_t* out) const;

    const DivisionTable& table_;
    std::vector<ColumnTap> columns_;
    int columnsSrcW_ = -1;
    int columnsDstW_ = -1;
    std::vector<RowTap> rows_;
    int rowsSrcH_ = -1;
    int rowsDstH_ = -1;
    // Horizontally filtered source rows (gx x left + fx x right per byte, at most 3825), and the
    // source row each holds within the current frame (-1: none).
    std::vector<std::uint16_t> lines_[2];
    int lineRows_[2] = {-1, -1};

    RgbFrame resizedFrame_;
    int inputWidth_ = 0;
    int inputHeight_ = 0;
};

} // namespace zentar

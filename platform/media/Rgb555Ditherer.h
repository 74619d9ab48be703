// Turns the bottom-up, row-padded BGR24 pictures of the stream into the top-down RGB555
// pictures a 15-bit encoder takes, with a 2x2 ordered dither (each channel on its own phase
// of the pattern) so that gradients do not band. A general scaler takes a 24-bit picture
// through YUV and back on this path at several times the cost; this is a saturating add and
// a shift a channel, sixteen pixels at a time where the processor has SSSE3. Private to
// platform/media.
#pragma once

#include <cstdint>

namespace zentar::ffmpeg {

class Rgb555Ditherer {
public:
    Rgb555Ditherer();

    // src: width x height BGR24, bottom row first, rows padded to 4 bytes; dst: top row
    // first, dstStride bytes a row.
    void convert(const uint8_t* src, int width, int height, uint8_t* dst, int dstStride) const;

private:
    // Converts pixels [from, width) of one row; from is even.
    static void convertRow(const uint8_t* bgr, int from, int width, int row, uint16_t* out);
    // Converts a whole number of 16-pixel groups and returns how many pixels it did.
    static int convertRowSsse3(const uint8_t* bgr, int width, int row, uint16_t* out);

    bool ssse3_ = false;
};

} // namespace zentar::ffmpeg

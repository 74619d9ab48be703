// The scaler of the decoder source: converts one decoded picture of any pixel format into a
// bottom-up RGB24 buffer (BGR byte order, rows padded to 4 bytes) of a fixed size, in one
// libswscale call straight into the caller's buffer. YUV is read with the frame's declared
// colour matrix and range, BT.601 limited range when none is declared, the way FFmpeg's own
// scale filter reads it. Private to platform/media; used by one decoding thread at a time.
#pragma once

#include <cstdint>

#include "platform/media/FFmpegPtr.h"

namespace zentar::ffmpeg {

class RgbFrameConverter {
public:
    RgbFrameConverter(int width, int height) : width_(width), height_(height) {}

    // Writes the picture into dst (stride = (width * 3 + 3) & ~3, height rows, bottom row
    // first). Returns a negative AVERROR when libswscale cannot convert the frame.
    int convert(const AVFrame& frame, uint8_t* dst);

private:
    int prepare(const AVFrame& frame);

    int width_;
    int height_;
    SwsPtr sws_;
    // What the cached context was made for: size, pixel format, matrix and range.
    int srcWidth_ = 0;
    int srcHeight_ = 0;
    int srcFormat_ = -1;
    int colorspace_ = -1;
    int range_ = -1;
};

} // namespace zentar::ffmpeg

// The scaler of the decoder source: converts one decoded picture of any pixel format into a
// bottom-up RGB24 buffer (BGR byte order, rows padded to 4 bytes) of a fixed size, in one
// libswscale call straight into the caller's buffer. YUV is read with the frame's declared
// colour matrix and range, BT.601 limited range when none is declared, the way FFmpeg's own
// scale filter reads it. A picture stored on its side (a phone's portrait video, whose
// display matrix turns it by 90, 180 or 270 degrees) is turned upright on the way.
// Private to platform/media; used by one decoding thread at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/media/FFmpegPtr.h"

namespace zentar::ffmpeg {

class RgbFrameConverter {
public:
    // width x height: the upright output; clockwise: 0, 90, 180 or 270 degrees to turn the
    // stored picture (with 90 and 270 the stored picture is height x width).
    RgbFrameConverter(int width, int height, int clockwise = 0)
        : width_(width), height_(height), clockwise_(clockwise) {}

    // The clockwise turn in degrees (0, 90, 180, 270) that a stream's display matrix asks
    // for, or 0 without one.
    static int StreamRotation(const AVStream& stream);

    // Writes the picture into dst (stride = (width * 3 + 3) & ~3, height rows, bottom row
    // first). Returns a negative AVERROR when libswscale cannot convert the frame.
    int convert(const AVFrame& frame, uint8_t* dst);

private:
    int prepare(const AVFrame& frame);
    void turn(uint8_t* dst) const;

    int width_;
    int height_;
    int clockwise_;
    std::vector<uint8_t> stored_; // the picture as stored, top-down, before it is turned
    SwsPtr sws_;
    // What the cached context was made for: size, pixel format, matrix and range.
    int srcWidth_ = 0;
    int srcHeight_ = 0;
    int srcFormat_ = -1;
    int colorspace_ = -1;
    int range_ = -1;
};

} // namespace zentar::ffmpeg

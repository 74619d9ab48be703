#include "platform/media/RgbFrameConverter.h"

#include "platform/media/MediaFormats.h"

#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
}

namespace zentar::ffmpeg {

int RgbFrameConverter::prepare(const AVFrame& frame) {
    if (sws_ && frame.width == srcWidth_ && frame.height == srcHeight_ &&
        frame.format == srcFormat_ && frame.colorspace == colorspace_ &&
        frame.color_range == range_) {
        return 0;
    }
    // Bicubic is what the command-line tool's scale filter uses; it matters only when the
    // frame size differs from the declared one, or for chroma upsampling in scaled paths.
    const bool sideways = clockwise_ == 90 || clockwise_ == 270;
    sws_.reset(sws_getContext(frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
                              sideways ? height_ : width_, sideways ? width_ : height_,
                              AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!sws_) {
        return AVERROR(EINVAL);
    }
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    const bool isYuv =
        desc != nullptr && (desc->flags & AV_PIX_FMT_FLAG_RGB) == 0 && desc->nb_components >= 3;
    if (isYuv) {
        // As the scale filter does: start from the context's own defaults (which already
        // know that the yuvj formats are full range), then apply the frame's declared matrix
        // (only BT.709, FCC, BT.601 and SMPTE 240M are honoured; anything else reads as
        // BT.601) and its declared range.
        int* invTable = nullptr;
        int* table = nullptr;
        int srcFull = 0;
        int dstFull = 0;
        int brightness = 0;
        int contrast = 0;
        int saturation = 0;
        sws_getColorspaceDetails(sws_.get(), &invTable, &srcFull, &table, &dstFull, &brightness,
                                 &contrast, &saturation);
        int colorspace = frame.colorspace;
        if (colorspace < AVCOL_SPC_BT709 || colorspace > AVCOL_SPC_SMPTE240M) {
            colorspace = AVCOL_SPC_BT470BG;
        }
        const int* matrix = sws_getCoefficients(colorspace);
        if (frame.color_range != AVCOL_RANGE_UNSPECIFIED) {
            srcFull = frame.color_range == AVCOL_RANGE_JPEG ? 1 : 0;
        }
        sws_setColorspaceDetails(sws_.get(), matrix, srcFull, matrix, dstFull, brightness, contrast,
                                 saturation);
    }
    srcWidth_ = frame.width;
    srcHeight_ = frame.height;
    srcFormat_ = frame.format;
    colorspace_ = frame.colorspace;
    range_ = frame.color_range;
    return 0;
}

int RgbFrameConverter::StreamRotation(const AVStream& stream) {
    const uint8_t* matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (matrix == nullptr) {
        return 0;
    }
    // The matrix turns counter-clockwise; only whole quarter turns are honoured.
    const double angle = -av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    if (std::isnan(angle)) {
        return 0;
    }
    const int quarter = static_cast<int>(std::lround(angle / 90.0));
    return ((quarter % 4 + 4) % 4) * 90;
}

// Turns the stored picture (top-down, unpadded) into dst, bottom-up and padded.
void RgbFrameConverter::turn(uint8_t* dst) const {
    const int stride = Rgb24Stride(width_);
    const int storedWidth = clockwise_ == 180 ? width_ : height_;
    const int storedHeight = clockwise_ == 180 ? height_ : width_;
    for (int y = 0; y < height_; ++y) {
        uint8_t* row = dst + static_cast<ptrdiff_t>(height_ - 1 - y) * stride;
        for (int x = 0; x < width_; ++x) {
            int sx = 0;
            int sy = 0;
            if (clockwise_ == 90) {
                sx = y;
                sy = storedHeight - 1 - x;
            } else if (clockwise_ == 180) {
                sx = storedWidth - 1 - x;
                sy = storedHeight - 1 - y;
            } else {
                sx = storedWidth - 1 - y;
                sy = x;
            }
            std::memcpy(row + x * 3, &stored_[(static_cast<size_t>(sy) * storedWidth + sx) * 3], 3);
        }
    }
}

int RgbFrameConverter::convert(const AVFrame& frame, uint8_t* dst) {
    if (const int err = prepare(frame); err < 0) {
        return err;
    }
    if (clockwise_ != 0) {
        const bool sideways = clockwise_ != 180;
        const int storedWidth = sideways ? height_ : width_;
        const int storedHeight = sideways ? width_ : height_;
        stored_.resize(static_cast<size_t>(storedWidth) * storedHeight * 3);
        uint8_t* planes[4] = {stored_.data(), nullptr, nullptr, nullptr};
        const int strides[4] = {storedWidth * 3, 0, 0, 0};
        const int rows =
            sws_scale(sws_.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
        if (rows != storedHeight) {
            return AVERROR(EINVAL);
        }
        turn(dst);
        return 0;
    }
    // A negative stride starting at the last row writes the picture bottom-up in one pass.
    const int stride = Rgb24Stride(width_);
    uint8_t* planes[4] = {dst + static_cast<ptrdiff_t>(height_ - 1) * stride, nullptr, nullptr,
                          nullptr};
    const int strides[4] = {-stride, 0, 0, 0};
    const int rows =
        sws_scale(sws_.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
    return rows == height_ ? 0 : AVERROR(EINVAL);
}

} // namespace zentar::ffmpeg

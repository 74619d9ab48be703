// The video half of an ASF file being written: takes the program's frames (bottom-up
// BGR24, rows padded to 4 bytes), converts them to the encoder's YUV 4:2:0 (scaling to
// the profile's frame size when it fixes one, otherwise padding an odd width or height
// by one repeated column or row, since the encoders need even sizes), encodes them with
// WMV 7 or 8 and hands the packets to the muxer. Frame n is stamped n / frame rate with
// an exact rational rate, so long files do not drift. Owned by AsfFileWriter.
#pragma once

#include "asfbridge/FfmpegHandles.h"
#include "asfbridge/WmProfile.h"

#include <cstdint>
#include <memory>

namespace zentar::asfbridge {

class VideoEncoderStage {
public:
    // Adds the video stream to output and opens its encoder; negative AVERROR on failure.
    static int create(AVFormatContext* output, const WmProfile& profile, int width, int height,
                      AVRational frameRate, std::unique_ptr<VideoEncoderStage>& stage);

    // Bytes of one input frame.
    uint32_t frameBytes() const { return static_cast<uint32_t>(stride_) * height_; }
    int64_t framesWritten() const { return frames_; }

    int write(const uint8_t* frame);
    // Drains the encoder at the end of the stream.
    int finish();

private:
    VideoEncoderStage() = default;
    void padEdges();

    AVFormatContext* output_ = nullptr; // borrowed from AsfFileWriter
    AVStream* stream_ = nullptr;        // owned by output_
    CodecContextPtr encoder_;
    SwsPtr scaler_;
    FramePtr picture_;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    // The part of picture_ the scaler fills (smaller than the picture when padding).
    int scaledWidth_ = 0;
    int scaledHeight_ = 0;
    int64_t frames_ = 0;
};

} // namespace zentar::asfbridge

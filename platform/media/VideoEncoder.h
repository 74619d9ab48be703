// VideoEncoder: one libavcodec video encoder behind the platform's video compressors. It
// takes bottom-up RGB24 frames (BGR, rows padded to 4 bytes), converts them inside to the
// encoder's pixel format, and hands out compressed packets with their key-frame flags, in
// input order (encoders run without B-frames, so AVI needs no reordering). Quality (0..1)
// maps onto the encoder's own quality control, the key-frame rate onto its key-frame
// interval. Frame sizes an encoder cannot take are refused when it is opened.
// One thread at a time (the compressor's streaming thread); owns its FFmpeg objects.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/HResult.h"
#include "platform/media/EncodedPacket.h"

namespace zentar {

// What the encoder can be told, and its defaults (IAMVideoCompression::GetInfo).
struct VideoEncoderCaps {
    bool canQuality = false;
    bool canKeyFrame = false;
    int defaultKeyFrameRate = 0; // 0: every frame is a key frame
    double defaultQuality = -1;  // -1: the encoder has no quality control
};

struct VideoEncoderSettings {
    int width = 0;
    int height = 0;
    REFERENCE_TIME avgTimePerFrame = 0; // 0: 25 frames per second is assumed
    double quality = -1;                // 0..1; negative: the encoder's default
    int keyFrameRate = 0;               // frames per key frame; 0: the encoder's default
    std::string preset;                 // x264, x265, SVT-AV1: the encoder's preset; empty: default
    bool globalHeader = false;          // parameter sets as extra data, not in the stream
};

// The compressed stream as an AVI's BITMAPINFOHEADER describes it.
struct CompressedVideoFormat {
    uint32_t fourcc = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 24;
    REFERENCE_TIME avgTimePerFrame = 0;
    uint32_t maxFrameBytes = 0;     // a safe output buffer size for one frame
    std::vector<uint8_t> extraData; // bytes that follow the BITMAPINFOHEADER
};

class VideoEncoder {
public:
    // encoderName: FFmpeg's encoder name (CompressorInfo::encoderName); fourcc: the tag the
    // stream is written with.
    VideoEncoder(std::string encoderName, uint32_t fourcc);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    VideoEncoderCaps caps() const;

    // The presets the encoder offers, fastest first (x264, x265, SVT-AV1); empty for others.
    static std::vector<std::string> presets(const std::string& encoderName);

    // Whether the encoder takes frames of this size; `why` says why not.
    static bool acceptsFrameSize(const std::string& encoderName, int width, int height,
                                 std::string* why);

    // Opens the encoder; a refused size or a failing encoder gives a failure code and
    // errorText(). May be called again after finish() to start a new stream.
    HRESULT open(const VideoEncoderSettings& settings);
    const std::string& errorText() const;
    const CompressedVideoFormat& format() const;

    // Encodes one frame of format().width x height (stride (width * 3 + 3) & ~3, bottom
    // row first); packets that are ready go to `sink` before the call returns.
    HRESULT encode(const uint8_t* bottomUpBgr, REFERENCE_TIME startHns, REFERENCE_TIME stopHns,
                   const PacketSink& sink);
    // Drains the encoder at the end of the stream.
    HRESULT finish(const PacketSink& sink);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace zentar

// Plain descriptions of what the media layer's role classes take and give: decoded RGB24
// and PCM formats, stream facts and the times of one sample. Callers of the decoder source,
// encoders and muxer see only these, never FFmpeg's types. All times are 100-ns units.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com/HResult.h"

namespace zentar {

enum class StreamKind { Video, Audio };

// Bytes of one row of a bottom-up RGB24 frame `width` pixels wide: rows are padded to 4.
constexpr int32_t Rgb24Stride(int32_t width) {
    return (width * 3 + 3) & ~3;
}

// Bottom-up RGB24 frames, bytes in the order blue, green, red, rows padded to 4 bytes
// (the layout of a VIDEOINFOHEADER with biBitCount 24, BI_RGB).
struct RgbVideoFormat {
    int32_t width = 0;
    int32_t height = 0;
    REFERENCE_TIME avgTimePerFrame = 0; // 0 when the stream states no nominal rate

    int32_t strideBytes() const { return Rgb24Stride(width); }
    uint32_t imageBytes() const { return static_cast<uint32_t>(strideBytes()) * height; }
};

// Interleaved integer PCM: 8-bit unsigned or 16-bit signed little-endian.
struct PcmAudioFormat {
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    uint16_t bitsPerSample = 0;

    uint16_t blockAlign() const { return static_cast<uint16_t>(channels * bitsPerSample / 8); }
    uint32_t avgBytesPerSecond() const { return sampleRate * blockAlign(); }
};

// One audio or video stream of an opened input file and what it decodes to.
struct SourceStreamInfo {
    int index = -1; // the file's own stream index
    StreamKind kind = StreamKind::Video;
    std::string codecName;          // FFmpeg's short decoder name, for messages
    RgbVideoFormat video;           // valid for video streams
    PcmAudioFormat audio;           // valid for audio streams
    REFERENCE_TIME durationHns = 0; // 0 when unknown
    int64_t durationFrames = 0;     // video: frames; 0 when unknown
    int64_t durationSamples = 0;    // audio: sample frames; 0 when unknown
};

// Size and times of one delivered sample.
struct SampleInfo {
    uint32_t bytes = 0;
    REFERENCE_TIME startHns = 0;
    REFERENCE_TIME stopHns = 0;
    bool discontinuity = false; // first sample after open or seek
};

} // namespace zentar

// The resampler of the decoder source: converts decoded audio frames of any sample format,
// layout and rate into interleaved integer PCM of one fixed format (8-bit unsigned or 16-bit
// signed, mono or stereo, the stream's declared rate) with libswresample. More than two
// channels are mixed down to stereo with libswresample's standard matrix. Private to
// platform/media; used by one decoding thread at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/media/FFmpegPtr.h"
#include "platform/media/MediaFormats.h"

namespace zentar::ffmpeg {

class PcmConverter {
public:
    explicit PcmConverter(const PcmAudioFormat& out) : out_(out) {}
    ~PcmConverter() { av_channel_layout_uninit(&inLayout_); }
    PcmConverter(const PcmConverter&) = delete;
    PcmConverter& operator=(const PcmConverter&) = delete;

    // Converts the frame; the converted bytes replace the content of `pcm` (whose capacity
    // is kept between calls). Returns a negative AVERROR on failure.
    int convert(const AVFrame& frame, std::vector<uint8_t>& pcm);

private:
    int prepare(const AVFrame& frame);

    PcmAudioFormat out_;
    SwrPtr swr_;
    int inFormat_ = -1;
    int inRate_ = 0;
    AVChannelLayout inLayout_{};
};

} // namespace zentar::ffmpeg

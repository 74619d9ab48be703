// The audio half of an ASF file being written: takes the program's PCM (8-bit unsigned
// or 16-bit signed, one or two channels, any rate) as a byte stream cut anywhere, keeps a
// partial sample frame for the next call, resamples with libswresample to the profile's
// rate, channels and the encoder's sample format, buffers to the encoder's frame size and
// encodes WMA 1 or 2. Time stamps count the samples encoded. Owned by AsfFileWriter.
#pragma once

#include "asfbridge/FfmpegHandles.h"
#include "asfbridge/WinMediaWriter.h"
#include "asfbridge/WmProfile.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace zentar::asfbridge {

class AudioEncoderStage {
public:
    // Adds the audio stream to output and opens its encoder; negative AVERROR on failure.
    static int create(AVFormatContext* output, const WmProfile& profile, const WmWaveFormat& input,
                      std::unique_ptr<AudioEncoderStage>& stage);

    int64_t bytesWritten() const { return bytesIn_; }

    int write(const uint8_t* data, size_t size);
    // Flushes the resampler, pads the last frame with silence and drains the encoder.
    int finish();

private:
    AudioEncoderStage() = default;
    int resample(const uint8_t* data, int samples);
    int encodeFrames(bool final);

    AVFormatContext* output_ = nullptr; // borrowed from AsfFileWriter
    AVStream* stream_ = nullptr;        // owned by output_
    CodecContextPtr encoder_;
    SwrPtr resampler_;
    AudioFifoPtr fifo_;
    FramePtr frame_;
    std::vector<uint8_t*> planes_; // resampler output, planes of planeSamples_ samples
    std::vector<uint8_t> planeStore_;
    int planeSamples_ = 0;
    int blockAlign_ = 0;
    uint8_t partial_[4] = {}; // bytes of an incomplete sample frame
    int partialBytes_ = 0;
    int64_t bytesIn_ = 0;
    int64_t samplesOut_ = 0;
};

} // namespace zentar::asfbridge

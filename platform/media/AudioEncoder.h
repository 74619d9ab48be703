// AudioEncoder: one libavcodec audio encoder behind the platform's audio compressors. It
// takes interleaved PCM in any amount per call, converts it inside to what the encoder
// takes (sample format, and for GSM 8,000 Hz mono), buffers it to the encoder's frame size,
// and hands out packets; finish() flushes the tail (padded with silence where the encoder
// needs whole frames). waveFormat() is the WAVEFORMATEX, with its extra bytes, that an AVI
// stream of the output needs. One thread at a time; owns its FFmpeg objects.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/HResult.h"
#include "platform/media/EncodedPacket.h"
#include "platform/media/MediaFormats.h"

namespace zentar {

class AudioEncoder {
public:
    // encoderName: FFmpeg's encoder name (CompressorInfo::encoderName). "pcm_s16le" passes
    // PCM through in its own format (8-bit stays 8-bit).
    explicit AudioEncoder(std::string encoderName);
    ~AudioEncoder();
    AudioEncoder(const AudioEncoder&) = delete;
    AudioEncoder& operator=(const AudioEncoder&) = delete;

    // Opens the encoder for PCM input of this format; failure codes come with errorText().
    HRESULT open(const PcmAudioFormat& input);
    const std::string& errorText() const;

    // WAVEFORMATEX (18 bytes, packed) followed by cbSize extra bytes.
    const std::vector<uint8_t>& waveFormat() const;
    // A safe output buffer size for one packet.
    uint32_t maxPacketBytes() const;

    // Encodes `bytes` of input PCM (whole sample frames); `startHns` is used for the first
    // call only, later packets follow on by their sample counts.
    HRESULT encode(const uint8_t* pcm, uint32_t bytes, REFERENCE_TIME startHns,
                   const PacketSink& sink);
    HRESULT finish(const PacketSink& sink);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace zentar

// AudioCompressorFilter: an audio compressor of the system device enumerator's audio
// category, a transform over one AudioEncoder. Its input takes 8- or 16-bit PCM in a
// WaveFormatEx format; its output offers the encoded stream with the WAVEFORMATEX (and
// extra bytes) an AVI stream of it needs. Input of any length is buffered inside the
// encoder to its frame size; what is left at end of stream is flushed before the end goes
// downstream. "PCM" passes the samples through unchanged.
//
// Control calls come from the control thread under filterLock_; Receive and end of stream
// run on the upstream streaming thread under the transform's receive lock, which alone
// touches the encoder while streaming.
#pragma once

#include "platform/media/AudioEncoder.h"
#include "platform/media/CompressorCatalog.h"
#include "platform/media/EncoderTransformFilter.h"

#include <optional>

namespace zentar {

inline constexpr CLSID CLSID_ZentarAudioCompressor =
    MakeGuid("{9B2F4C72-3E8A-4D15-8C60-1A7E5D2B9F31}");

class AudioCompressorFilter : public EncoderTransformFilter {
public:
    explicit AudioCompressorFilter(CompressorInfo info);

    HRESULT CheckInputType(const MediaType* input) override;
    HRESULT CheckTransform(const MediaType* input, const MediaType* output) override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const MediaType* type) override;
    HRESULT BreakConnect(PIN_DIRECTION direction) override;
    HRESULT StartStreaming() override;
    HRESULT Receive(IMediaSample* input) override;
    HRESULT OnEndOfStream() override;
    void OnFlush() override;

    const CompressorInfo& compressor() const { return info_; }

protected:
    ~AudioCompressorFilter() override;

private:
    const CompressorInfo info_;
    AudioEncoder encoder_;                // filterLock_ while stopped; receive lock while streaming
    std::optional<PcmAudioFormat> input_; // filterLock_; set while the input is connected
    MediaType outputType_;                // filterLock_; the type offered for that input
    REFERENCE_TIME nextStart_ = 0;        // streaming thread: where untimed input starts
};

} // namespace zentar

#include "platform/media/AudioCompressorFilter.h"

#include "platform/media/BufferSizing.h"
#include "platform/media/MediaTypeFactory.h"

#include <algorithm>
#include <cstring>

namespace zentar {

AudioCompressorFilter::AudioCompressorFilter(CompressorInfo info)
    : EncoderTransformFilter(CLSID_ZentarAudioCompressor), info_(std::move(info)),
      encoder_(info_.encoderName) {}

AudioCompressorFilter::~AudioCompressorFilter() = default;

HRESULT AudioCompressorFilter::CheckInputType(const MediaType* input) {
    const std::optional<PcmAudioFormat> pcm = ReadPcmAudioType(*input);
    if (!pcm)
        return VFW_E_TYPE_NOT_ACCEPTED;
    // An encoder that cannot take this input (rate, channels) refuses the connection.
    AudioEncoder probe(info_.encoderName);
    return SUCCEEDED(probe.open(*pcm)) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AudioCompressorFilter::SetMediaType(PIN_DIRECTION direction, const MediaType* type) {
    if (direction == PINDIR_OUTPUT)
        return S_OK;
    input_ = ReadPcmAudioType(*type);
    if (!input_)
        return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = encoder_.open(*input_);
    if (FAILED(hr)) {
        input_.reset();
        return hr;
    }
    outputType_ = MakeWaveAudioType(encoder_.waveFormat());
    return S_OK;
}

HRESULT AudioCompressorFilter::BreakConnect(PIN_DIRECTION direction) {
    if (direction == PINDIR_INPUT) {
        input_.reset();
        outputType_ = MediaType();
    }
    return S_OK;
}

HRESULT AudioCompressorFilter::GetMediaType(int position, MediaType* type) {
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0 || !input_)
        return VFW_S_NO_MORE_ITEMS;
    *type = outputType_;
    return S_OK;
}

HRESULT AudioCompressorFilter::CheckTransform(const MediaType* input, const MediaType* output) {
    if (!ReadPcmAudioType(*input) || !input_)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return *output == outputType_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AudioCompressorFilter::DecideBufferSize(IMemAllocator* allocator,
                                                ALLOCATOR_PROPERTIES* request) {
    if (!input_)
        return VFW_E_NOT_CONNECTED;
    return RequestBuffers(allocator, request, 4, static_cast<LONG>(encoder_.maxPacketBytes()));
}

HRESULT AudioCompressorFilter::StartStreaming() {
    if (!input_)
        return VFW_E_NOT_CONNECTED;
    nextStart_ = 0;
    return encoder_.open(*input_);
}

HRESULT AudioCompressorFilter::Receive(IMediaSample* input) {
    HRESULT hr = receiveCheck(input);
    if (hr != S_OK)
        return hr;
    BYTE* data = nullptr;
    input->GetPointer(&data);
    const LONG length = input->GetActualDataLength();
    if (!data || length < 0)
        return E_INVALIDARG;
    const uint32_t blockAlign = input_->blockAlign();
    const uint32_t bytes =
        static_cast<uint32_t>(length) - static_cast<uint32_t>(length) % blockAlign;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    if (input->GetTime(&start, &stop) != S_OK)
        start = nextStart_;
    nextStart_ =
        start + static_cast<REFERENCE_TIME>(bytes / blockAlign) * 10'000'000 / input_->sampleRate;
    if (bytes == 0)
        return S_OK;
    return encoder_.encode(data, bytes, start, packetSink());
}

HRESULT AudioCompressorFilter::OnEndOfStream() {
    return encoder_.finish(packetSink());
}

void AudioCompressorFilter::OnFlush() {
    // Samples buffered inside the encoder belong to the flushed stream.
    nextStart_ = 0;
    if (input_)
        encoder_.open(*input_);
}

} // namespace zentar

// The pins of the DV Muxer: two inputs, "Video" (DV frames, 'dvsd') and "Audio" (16-bit
// stereo PCM at a DV rate), and the output "Out" (the interleaved DV stream of
// DvStreamFormat.h). They forward negotiation and streaming to the filter; samples and end
// of stream arrive on the upstream streaming threads. The filter owns its pins.
#pragma once

#include "platform/streaming/BaseInputPin.h"
#include "platform/streaming/BaseOutputPin.h"

namespace zentar {

class DvMuxerFilter;

enum class DvMuxInput { Video, Audio };

class DvMuxInputPin : public BaseInputPin {
public:
    DvMuxInputPin(DvMuxerFilter* filter, DvMuxInput kind, std::u16string_view name);

    HRESULT CheckMediaType(const MediaType* type) override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

    DvMuxInput kind() const { return kind_; }

private:
    DvMuxerFilter* const mux_;
    const DvMuxInput kind_;
};

class DvMuxOutputPin : public BaseOutputPin {
public:
    DvMuxOutputPin(DvMuxerFilter* filter, std::u16string_view name);

    HRESULT CheckMediaType(const MediaType* type) override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    // Replaces the agreed type while stopped (the audio input connected or left).
    void UpdateMediaType(const MediaType& type) { BasePin::SetMediaType(&type); }

private:
    DvMuxerFilter* const mux_;
};

} // namespace zentar

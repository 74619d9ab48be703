// The pins of the AVI Mux. AviMuxInputPin ("Input 01", "Input 02" ...): one stream each;
// the filter adds a fresh unconnected one whenever the last free one connects, so there
// is always one to connect to. Samples and end of stream pass to the filter on the
// upstream streaming thread. AviMuxOutputPin ("AVI Out"): a byte stream
// (MEDIATYPE_Stream, MEDIASUBTYPE_Avi) that connects only to a filter offering
// IFileWriterStream (the File writer), through which the filter writes the file. The
// filter owns its pins; connection fields change on the control thread while stopped.
#pragma once

#include "platform/media/MediaFilterInterfaces.h"
#include "platform/streaming/BaseInputPin.h"
#include "platform/streaming/BaseOutputPin.h"

namespace zentar {

class AviMuxFilter;

class AviMuxInputPin : public BaseInputPin {
public:
    AviMuxInputPin(AviMuxFilter* filter, std::u16string_view name);

    HRESULT CheckMediaType(const MediaType* type) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;

    // The streams this input writes, set when streaming starts (control thread, under the
    // filter's stream lock); then `frames` is this input's streaming thread's and `ended`
    // is under the stream lock.
    struct Streams {
        int video = -1;
        int audio = -1;
        uint32_t dvFrameBytes = 0;      // interleaved DV: bytes of the frame part
        REFERENCE_TIME framePeriod = 0; // video: for samples without times
        int64_t frames = 0;             // video samples written
        bool ended = false;
    };
    Streams& streams() { return streams_; }

private:
    AviMuxFilter* const mux_;
    Streams streams_;
};

class AviMuxOutputPin : public BaseOutputPin {
public:
    AviMuxOutputPin(AviMuxFilter* filter, std::u16string_view name);

    HRESULT CheckMediaType(const MediaType* type) override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    // The connected file writer's stream side (borrowed), or nullptr.
    IFileWriterStream* writer() const { return writer_.Get(); }

private:
    ComPtr<IFileWriterStream> writer_; // set while connected (control thread, stopped)
};

} // namespace zentar

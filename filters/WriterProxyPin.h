// WriterProxyPin: the streaming side that both writer proxy pins share (VideoProxyPin,
// AudioProxyPin). On its streaming thread it opens the hand-over's gate at start, waits
// for each push, ends the stream on the end push, and hands every pushed item to the
// subclass to copy into one sample under the pin's lock; the push is released once the
// copy is done. It asks for a single sample buffer of the size the subclass names. A
// failed delivery reaches the graph as EC_ERRORABORT through the stream loop of
// SourceStream, which ends a waiting push. Owned by its WriterProxyFilter.
#pragma once

#include "platform/streaming/SourceStream.h"
#include "platform/sync/CriticalSection.h"

namespace zentar {

class WriterProxyFilter;

class WriterProxyPin : public SourceStream {
public:
    WriterProxyPin(WriterProxyFilter* filter, std::u16string_view name);

    // The one offered type (position 0), built by the subclass under filterLock_.
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadCreate() override;
    HRESULT SetMediaType(const MediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

protected:
    virtual HRESULT buildMediaType(MediaType* type) = 0;
    // Bytes of the single sample buffer; 0 refuses the connection. Under filterLock_.
    virtual uint64_t sampleBufferBytes() = 0;
    // A streaming thread starts: time stamps begin again at 0. Under pinLock_.
    virtual void startTimesLocked() = 0;
    // Copies one pushed item into `sample` and stamps it. Under pinLock_.
    virtual HRESULT fillSampleLocked(const BYTE* data, IMediaSample* sample) = 0;

    CriticalSection pinLock_; // the copy, the time stamps and the subclass's stream state

private:
    WriterProxyFilter* const proxyFilter_;
};

} // namespace zentar

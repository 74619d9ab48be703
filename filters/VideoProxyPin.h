// VideoProxyPin: the output pin "VideoWriterProxy" of VideoWriterProxy. It offers one
// uncompressed RGB type built from the filter's configuration, asks for a single
// buffer of twice the image, and on its streaming thread turns each pushed frame into
// one sample stamped at a fixed step of trunc(10,000,000 / frame rate) (or the pushed
// explicit times), starting at 0 whenever a streaming thread starts. A failed delivery
// reaches the graph as EC_ERRORABORT through the stream loop of SourceStream, which
// ends a waiting PushFrame. Owned by the filter; see the header of VideoWriterProxy.
#pragma once

#include "platform/streaming/SourceStream.h"
#include "platform/sync/CriticalSection.h"

namespace zentar {

class VideoWriterProxy;

class VideoProxyPin : public SourceStream {
public:
    explicit VideoProxyPin(VideoWriterProxy* proxy);

    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadCreate() override;
    HRESULT CheckMediaType(const MediaType* type) override;
    HRESULT SetMediaType(const MediaType* type) override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    // Bytes of one frame in the connected format; 0 before connection.
    DWORD ConnectedImageBytes() const;

private:
    VideoWriterProxy* const proxy_;
    CriticalSection pinLock_;        // the copy and the time stamps
    REFERENCE_TIME runningTime_ = 0; // pinLock_; end of the last sample sent
};

// One frame period in 100-ns units, truncated; 0 for a rate that is not positive.
REFERENCE_TIME FramePeriod(double framesPerSecond);

} // namespace zentar

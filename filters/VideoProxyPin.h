// VideoProxyPin: the output pin "VideoWriterProxy" of VideoWriterProxy. It offers one
// uncompressed RGB type built from the filter's configuration, asks for a single
// buffer of twice the image, and on its streaming thread turns each pushed frame into
// one sample stamped at a fixed step of trunc(10,000,000 / frame rate) (or the pushed
// explicit times), starting at 0 whenever a streaming thread starts. Owned by the
// filter; see the headers of VideoWriterProxy and WriterProxyPin.
#pragma once

#include "filters/WriterProxyPin.h"

namespace zentar {

class VideoWriterProxy;

class VideoProxyPin : public WriterProxyPin {
public:
    explicit VideoProxyPin(VideoWriterProxy* proxy);

    HRESULT CheckMediaType(const MediaType* type) override;

    // Bytes of one frame in the connected format; 0 before connection.
    DWORD ConnectedImageBytes() const;

private:
    HRESULT buildMediaType(MediaType* type) override;
    uint64_t sampleBufferBytes() override; // twice the image
    void startTimesLocked() override;
    HRESULT fillSampleLocked(const BYTE* frame, IMediaSample* sample) override;

    VideoWriterProxy* const proxy_;
    REFERENCE_TIME runningTime_ = 0; // pinLock_; end of the last sample sent
};

// One frame period in 100-ns units, truncated; 0 for a rate that is not positive.
REFERENCE_TIME FramePeriod(double framesPerSecond);

} // namespace zentar

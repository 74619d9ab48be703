// AudioProxyPin: the output pin "AudioWriterProxy" of AudioWriterProxy. It offers PCM
// in the configured channels, rate and sample size, and fixes the chunk geometry when a
// type is accepted: a chunk is trunc(average bytes per second / frame rate) bytes,
// which need not be whole sample frames. Each chunk becomes one sample of whole sample
// frames: the bytes of a partial frame at the end of a chunk are carried to the front of
// the next sample, which is then one frame longer. Times follow the bytes sent, from 0
// at the start of every streaming thread. Owned by the filter; see the headers of
// AudioWriterProxy and WriterProxyPin.
#pragma once

#include "filters/WriterProxyPin.h"

#include <vector>

namespace zentar {

class AudioWriterProxy;

class AudioProxyPin : public WriterProxyPin {
public:
    explicit AudioProxyPin(AudioWriterProxy* proxy);

    HRESULT CheckMediaType(const MediaType* type) override;

    // The chunk geometry of the last accepted type.
    struct Geometry {
        LONG chunkBytes = 0;     // bytes read from every chunk
        LONG blockAlign = 0;     // bytes of one sample frame
        LONG tailBytes = 0;      // chunkBytes mod blockAlign
        LONG wholeBytes = 0;     // chunkBytes - tailBytes
        LONG maxSampleBytes = 0; // blockAlign + wholeBytes: the sample buffer
    };
    Geometry geometry();
    LONG carryLength();

private:
    HRESULT buildMediaType(MediaType* type) override;
    uint64_t sampleBufferBytes() override; // maxSampleBytes
    void startTimesLocked() override;
    // Copies one chunk into the sample (carried bytes first) and stamps it.
    HRESULT fillSampleLocked(const BYTE* chunk, IMediaSample* sample) override;

    AudioWriterProxy* const proxy_;
    // pinLock_ (of WriterProxyPin) guards the geometry, the carry and the times.
    Geometry geometry_;              // pinLock_; set by type checks while stopped
    DWORD avgBytesPerSec_ = 0;       // pinLock_; of the accepted type
    std::vector<BYTE> carry_;        // pinLock_; blockAlign bytes
    LONG carryLength_ = 0;           // pinLock_; 0 .. blockAlign - 1
    REFERENCE_TIME runningTime_ = 0; // pinLock_; end of the last sample sent
};

} // namespace zentar

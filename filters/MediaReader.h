// MediaReader: the sink at the end of a reading graph. It accepts the stream type the
// engine requests (partially: GUID_NULL fields match anything), and hands samples out
// one per request: the upstream streaming thread waits in DoRenderSample until the
// engine calls RequestSample, then the sample is copied into the engine's buffer (cut
// to its capacity), its length and times are recorded and the engine's notify event
// is set. A manual-reset discard switch drops every sample at once instead, also one
// that is already waiting; the renderer's Stop and flushing wake a waiting sample too.
//
// Ownership: the engine's buffer and notify event are borrowed. Created directly with
// Create (never registered). Threads: the engine's thread calls IMediaReader and the
// graph's control calls; DoRenderSample runs on the upstream streaming thread while
// the base renderer holds interfaceLock(), which therefore also guards the request,
// the buffer and the notify event (their setters wait while a sample waits). The
// results of the last copy have their own mutex, so the engine can read them while the
// next sample waits.
#pragma once

#include "filters/IMediaReader.h"
#include "platform/streaming/BaseRenderer.h"

#include <mutex>

namespace zentar {

class MediaReader : public BaseRenderer, public IMediaReader {
public:
    // The filter with one reference, or null (and E_OUTOFMEMORY in *result).
    static ComPtr<IBaseFilter> Create(HRESULT* result = nullptr);

    ZENTAR_FORWARD_IUNKNOWN(BaseRenderer)

    // IMediaReader
    HRESULT SetRequestedType(const MediaType* type, const GUID* requiredFormatType) override;
    HRESULT GetConnectedType(MediaType* type) override;
    HRESULT GetBufferSize(ULONG* size) override;
    HRESULT SetDiscard(BOOL discard) override;
    HRESULT RequestSample() override;
    HRESULT SetBuffer(ULONG capacity, BYTE* buffer) override;
    HRESULT GetDataLength(BOOL reset, ULONG* length) override;
    HRESULT GetSampleTimes(BOOL reset, REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT SetNotifyEvent(HANDLE event) override;
    HRESULT GetInputPin(IPin** pin) override;

    // BaseRenderer
    HRESULT CheckMediaType(const MediaType* type) override;
    HRESULT SetMediaType(const MediaType* type) override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;

    MediaReader();
    ~MediaReader() override;

private:
    void* QueryInterfaceExtra(REFIID iid) override;
    // Copies the sample into the engine's buffer; interfaceLock() is held.
    void copySampleLocked(IMediaSample* sample);

    Event discardEvent_{Event::ResetMode::Manual};
    Event requestEvent_{Event::ResetMode::Auto};

    // interfaceLock()
    bool hasRequest_ = false; // nothing is accepted before SetRequestedType
    MediaType requestedType_;
    GUID requiredFormatType_ = GUID_NULL;
    BYTE* buffer_ = nullptr; // the engine's
    ULONG capacity_ = 0;
    HANDLE notifyEvent_ = nullptr; // the engine's

    std::mutex resultMutex_;
    MediaType connectedType_;        // resultMutex_
    ULONG dataLength_ = 0;           // resultMutex_
    REFERENCE_TIME sampleStart_ = 0; // resultMutex_
    REFERENCE_TIME sampleStop_ = 0;  // resultMutex_
};

} // namespace zentar

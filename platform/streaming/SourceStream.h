// SourceStream: an output pin that owns one streaming thread. The thread starts when
// the filter leaves Stopped: it calls OnThreadCreate once, OnThreadStartPlay, then
// loops GetDeliveryBuffer -> FillBuffer -> Deliver until FillBuffer returns S_FALSE
// (end of stream: EndOfStream is delivered downstream), a failure (sent to the graph
// as EC_ERRORABORT), downstream refuses (S_FALSE from Receive) or Stop. Then
// OnThreadDestroy runs on the thread and StreamEndedHandle() is set.
//
// Stop (Inactive, on the control thread) sets the stop flag and StopEvent(), calls
// OnStopWake(), decommits the allocator and joins the thread. A FillBuffer that waits
// for something must also wait on StopEvent() (or be woken by OnStopWake) and then
// return S_FALSE. Subclasses implement FillBuffer, GetMediaType, CheckMediaType and
// DecideBufferSize; everything else has working defaults.
#pragma once

#include "platform/streaming/BaseOutputPin.h"
#include "platform/sync/Event.h"

#include <atomic>
#include <future>
#include <thread>

namespace zentar {

class SourceFilter;

class SourceStream : public BaseOutputPin {
public:
    SourceStream(SourceFilter* filter, std::u16string_view name);
    ~SourceStream() override;

    // Hooks run on the streaming thread; none may take filterLock_ (OnThreadCreate runs
    // while the control thread holds it, waiting for the result; Stop holds it while
    // it joins the thread).
    // Fills an empty sample (data, length, times). S_OK: deliver it; S_FALSE: end of
    // stream; a failure: the stream failed.
    virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
    virtual HRESULT OnThreadCreate() { return S_OK; }
    virtual HRESULT OnThreadStartPlay() { return S_OK; }
    virtual HRESULT OnThreadDestroy() { return S_OK; }
    // Called on the control thread at Stop, after StopEvent() is set and before the
    // join: wake whatever FillBuffer waits for.
    virtual void OnStopWake() {}

    // The default accepts exactly the types GetMediaType offers.
    HRESULT CheckMediaType(const MediaType* type) override;

    HRESULT Active() override;
    HRESULT Inactive() override;
    // For seeking sources, on the control thread while the filter runs: ends the
    // streaming thread (flushing downstream so that nothing blocks there), then starts
    // a new one, which calls OnThreadCreate again. Does nothing while Stopped.
    HRESULT Restart();

    // Set from Stop until the next start; for waits inside FillBuffer.
    HANDLE StopEvent() { return &stopEvent_; }
    // Set when the streaming loop has ended (or before it ever ran); reset at start.
    HANDLE StreamEndedHandle() { return &streamEnded_; }
    bool StopRequested() const { return stopRequested_.load(std::memory_order_acquire); }

protected:
    SourceFilter* sourceFilter() const { return sourceFilter_; }

private:
    friend class SourceFilter;
    HRESULT startThread();
    // Stop phase 1 (wake) and phase 2 (join); SourceFilter runs phase 1 on every pin
    // before joining any.
    void requestStop();
    void joinThread();
    void threadMain(std::promise<HRESULT>* started);
    HRESULT bufferLoop();
    // Treats marks of a shutdown as quiet ends, anything else as a stream failure.
    void reportFailure(HRESULT hr);
    void reportEndOfStreamFailure(HRESULT hr);

    SourceFilter* const sourceFilter_;
    std::thread thread_;                     // control thread only (start, join)
    std::atomic<bool> stopRequested_{false}; // control thread writes, streaming reads
    Event stopEvent_{Event::ResetMode::Manual};
    Event streamEnded_{Event::ResetMode::Manual, true};
};

} // namespace zentar

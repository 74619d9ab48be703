// BaseRenderer: a sink filter with one input pin that hands every sample to
// DoRenderSample as soon as it arrives (there is no clock), in Paused and Running
// alike. End of stream sends EC_COMPLETE to the graph once it has arrived and the
// filter runs (at once when running, at Run when it came while paused).
//
// interfaceLock_ is held around DoRenderSample; Stop and flushing take it too, after
// waking the renderer: they first set the stop-wake event (StopWakeHandle) and call
// OnStopWake. A DoRenderSample that waits for anything must also wait on
// StopWakeHandle() (or on an event its OnStopWake sets) and return promptly once it is
// set; otherwise Stop cannot return. The event is reset when the filter leaves Stopped
// and when a flush ends. Subclasses guard their own setters with interfaceLock().
#pragma once

#include "platform/streaming/BaseFilter.h"
#include "platform/streaming/RendererInputPin.h"
#include "platform/sync/Event.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace zentar {

class BaseRenderer : public BaseFilter {
public:
    HRESULT Stop() override;

    int GetPinCount() override { return 1; }
    BasePin* GetPin(int index) override;

    // Hooks. CheckMediaType: S_OK accepts. DoRenderSample runs on the upstream
    // streaming thread under interfaceLock_.
    virtual HRESULT CheckMediaType(const MediaType* type) = 0;
    virtual HRESULT DoRenderSample(IMediaSample* sample) = 0;
    virtual HRESULT SetMediaType(const MediaType* /*type*/) { return S_OK; }
    // Types the pin offers; by default none.
    virtual HRESULT GetMediaType(int position, MediaType* type);
    virtual HRESULT BreakConnect() { return S_OK; }
    virtual HRESULT CompleteConnect(IPin* /*receivePin*/) { return S_OK; }
    // Called at Stop and BeginFlush, on the control thread, without locks, after the
    // stop-wake event is set.
    virtual void OnStopWake() {}

    // The pin's protocol, overridable to observe it (for example in tests); overrides
    // call the base.
    virtual HRESULT Receive(IMediaSample* sample);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();

    HANDLE StopWakeHandle() { return &stopWake_; }
    RendererInputPin* InputPin() { return inputPin_.get(); }

protected:
    BaseRenderer(const CLSID& clsid, std::u16string_view pinName = u"In");
    ~BaseRenderer() override;

    CriticalSection& interfaceLock() { return interfaceLock_; }
    HRESULT OnLeavingStopped() override;
    void OnRunning() override;

private:
    void wakeRenderer();
    // Sends EC_COMPLETE once both the end of stream has come and the filter runs.
    void sendCompleteIfDueLocked();

    std::unique_ptr<RendererInputPin> inputPin_;
    CriticalSection interfaceLock_;
    Event stopWake_{Event::ResetMode::Manual};
    // End of stream has arrived / EC_COMPLETE has been sent for this stream. Atomics:
    // set on the streaming thread, tested by Run on the control thread, reset by Stop,
    // Pause from Stopped and flushing.
    // The end of stream (streaming thread) and Run (control thread) each set their half of
    // the condition and then test both. Under one mutex, whichever comes second sees the
    // other's half; with separate atomics a processor may let each test run ahead of its
    // own store, and neither sends (a reader then waited for ever at the end of a stream).
    std::mutex completeMutex_;
    std::atomic<bool> endOfStream_{false};
    std::atomic<bool> completeSent_{false};
};

} // namespace zentar

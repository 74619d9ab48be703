// BaseFilter: the state machine and identity every filter shares (Stopped, Paused,
// Running; the graph it has joined and its name there; its pins; the reference clock).
// Subclasses list their pins through GetPinCount/GetPin and add streaming behaviour
// (SourceFilter, BaseRenderer, TransformFilter). Pins share the filter's reference
// count and filterLock_. Control calls come from the graph's control thread; streaming
// threads read state() and call NotifyEvent only. See StreamingInterfaces.h for the
// threading and shutdown protocol.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/streaming/StreamingInterfaces.h"
#include "platform/sync/CriticalSection.h"

#include <atomic>
#include <mutex>
#include <string>

namespace zentar {

class BasePin;

class BaseFilter : public ComObject<IBaseFilter> {
public:
    // IPersist / IMediaFilter
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD timeoutMs, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;

    // IBaseFilter
    HRESULT EnumPins(IEnumPins** pins) override;
    HRESULT FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;

    // The pins, in a fixed order; GetPin returns nullptr outside 0 .. count-1.
    virtual int GetPinCount() = 0;
    virtual BasePin* GetPin(int index) = 0;

    // Sends an event to the graph's IMediaEventSink; any thread. E_UNEXPECTED when the
    // filter is in no graph.
    HRESULT NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2);

    FILTER_STATE state() const { return state_.load(std::memory_order_acquire); }
    CriticalSection& filterLock() { return filterLock_; }

protected:
    explicit BaseFilter(const CLSID& clsid) : clsid_(clsid) {}
    ~BaseFilter() override = default;

    // IMediaFilter and IPersist (bases of IBaseFilter); subclasses add their interfaces
    // by overriding this and calling it for the rest.
    void* QueryInterfaceExtra(REFIID iid) override;

    // Called under filterLock_ when the filter leaves Stopped, before its pins activate;
    // a failure fails Pause.
    virtual HRESULT OnLeavingStopped() { return S_OK; }
    // Called under filterLock_ each time Run has set the state to Running.
    virtual void OnRunning() {}

    // Activates every connected pin (leaving Stopped); undoes them all on a failure.
    HRESULT activatePinsLocked();
    // Deactivates every pin; returns the first failure.
    HRESULT deactivatePinsLocked();

    CriticalSection filterLock_;
    std::atomic<FILTER_STATE> state_{State_Stopped}; // written under filterLock_
    REFERENCE_TIME startTime_ = 0;                   // filterLock_
    ComPtr<IReferenceClock> clock_;                  // filterLock_

private:
    const CLSID clsid_;
    // Guards the graph fields; held by NotifyEvent across the graph's Notify (which
    // takes only the event queue's lock), never across other calls.
    std::mutex infoMutex_;
    IFilterGraph* graph_ = nullptr;        // infoMutex_; not referenced: the graph owns us
    std::u16string name_;                  // infoMutex_
    IMediaEventSink* eventSink_ = nullptr; // infoMutex_; the graph's, not referenced
};

} // namespace zentar

// FilterGraph: the filter graph manager. It owns the filters added to it (one reference
// each), connects pins (directly, else through registered intermediate filters),
// creates source filters for files, changes the state of all filters (downstream
// first), keeps the event queue that filters report to, and forwards seeking to the
// filter or pin that can seek.
//
// All calls except IMediaEventSink::Notify, GetEvent and GetEventHandle come from the
// control thread and are serialised by graphLock_. Notify comes from any thread and
// only touches the event queue. The last Release stops the graph and detaches every
// filter; while that runs the object is kept alive, so a streaming thread that still
// takes and drops a reference to the graph (QueryFilterInfo) cannot free it twice.
#pragma once

#include "platform/streaming/GraphEventQueue.h"
#include "platform/streaming/StreamingInterfaces.h"
#include "platform/sync/CriticalSection.h"

#include <atomic>
#include <string>
#include <vector>

namespace zentar {

class FilterGraph final : public IGraphBuilder,
                          public IMediaControl,
                          public IMediaEvent,
                          public IMediaEventSink,
                          public IMediaFilter,
                          public IMediaSeeking {
public:
    FilterGraph() = default;

    // IUnknown
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IFilterGraph / IGraphBuilder
    HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(IEnumFilters** filters) override;
    HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
    HRESULT ConnectDirect(IPin* output, IPin* input, const MediaType* type) override;
    HRESULT Disconnect(IPin* pin) override;
    HRESULT Connect(IPin* output, IPin* input) override;
    HRESULT AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName, IBaseFilter** filter) override;

    // IMediaControl (and IMediaFilter's Stop/Pause, which are the same)
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(LONG timeoutMs, OAFilterState* state) override;

    // IMediaEvent / IMediaEventSink
    HRESULT GetEventHandle(HANDLE* handle) override;
    HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG timeoutMs) override;
    HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2) override;

    // IMediaFilter
    HRESULT GetClassID(CLSID* clsid) override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD timeoutMs, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;

    // IMediaSeeking: forwarded to the first filter (in the order they were added)
    // that offers it on itself or on an output pin; E_NOTIMPL when none does.
    HRESULT GetCapabilities(DWORD* capabilities) override;
    HRESULT IsFormatSupported(const GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetCurrentPosition(LONGLONG* position) override;
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                         DWORD stopFlags) override;

private:
    struct Entry {
        ComPtr<IBaseFilter> filter;
        std::u16string name;
    };

    ~FilterGraph();
    void shutdown();
    bool containsLocked(IBaseFilter* filter) const;
    bool pinInGraphLocked(IPin* pin) const;
    std::u16string uniqueNameLocked(LPCWSTR name) const;
    // Filters with those nearest the sinks first: the order of every state change.
    std::vector<ComPtr<IBaseFilter>> downstreamFirstLocked() const;
    HRESULT connectVia(IPin* output, IPin* input, int depth);
    HRESULT tryIntermediate(IBaseFilter* filter, IPin* output, IPin* input, int depth);
    HRESULT pauseLocked();
    HRESULT stopLocked();
    ComPtr<IMediaSeeking> seekingTarget();

    std::atomic<ULONG> refCount_{0};
    std::atomic<bool> finalizing_{false};

    CriticalSection graphLock_;
    std::vector<Entry> filters_;         // graphLock_
    FILTER_STATE state_ = State_Stopped; // graphLock_
    ComPtr<IReferenceClock> clock_;      // graphLock_
    GraphEventQueue events_;             // its own lock; any thread

public:
    // Creates a graph (same as CoCreateInstance of CLSID_FilterGraph).
    static HRESULT CreateInstance(REFIID iid, void** object);
};

} // namespace zentar

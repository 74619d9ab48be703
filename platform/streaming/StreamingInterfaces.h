// The interfaces of the streaming framework: samples and allocators, pins, filters,
// the filter graph and its control, events and seeking, and the capture graph builder.
// Filters are written on the base classes (BaseFilter, SourceFilter/SourceStream,
// BaseRenderer, TransformFilter); graphs are built with FilterGraph and
// CaptureGraphBuilder. This header also states, once, how threads and shutdown work.
//
// Threads
//   * The control thread: the one thread that builds a graph and calls IMediaControl,
//     IMediaSeeking, connection and removal. Control calls never come from a
//     streaming thread (a streaming thread that stopped its own graph would join itself).
//   * Streaming threads: one per SourceStream pin, owned by that pin. It starts when the
//     filter leaves Stopped (Pause), calls OnThreadCreate once, then loops GetBuffer ->
//     FillBuffer -> Deliver; Deliver calls the downstream IMemInputPin::Receive on the
//     same thread, so transforms and renderers run on their source's thread. After
//     FillBuffer returns S_FALSE it delivers EndOfStream; then OnThreadDestroy.
//
// Locks (each field in the headers names the lock or thread that owns it)
//   * BaseFilter::filterLock_ (recursive): the filter's state and its pins' connection
//     fields (connected pin, connection type, allocator). Taken by control calls only;
//     Stop holds it while it joins the filter's streaming threads.
//     Connection fields change only while the filter is Stopped, so a streaming thread
//     (which exists only while not Stopped; thread start and join order the accesses)
//     reads them without the lock. A streaming thread never takes filterLock_.
//   * BaseFilter::state_ is atomic, so a streaming thread may read it.
//   * BaseRenderer::interfaceLock_: held around DoRenderSample and by Stop and flushing
//     (after they have woken the renderer, see below); subclasses guard their own
//     setters with it. Pause and Run never take it, so they cannot block on a sample
//     that waits.
//   * TransformFilter::receiveLock_: held by the streaming thread around Receive and
//     EndOfStream; Stop takes it after decommitting allocators, to wait for the thread
//     to leave the filter.
//   * MemAllocator::mutex_: free list and commit state; never held while calling out.
//   * GraphEventQueue::mutex_: the event queue; Notify may come from any thread.
//   * FilterGraph::graphLock_: the filter list and graph state; control thread only.
//   * BaseFilter::infoMutex_: the graph pointer and name; NotifyEvent holds it across
//     the graph's Notify (which takes only the event queue's lock), so the graph can
//     detach a filter only after any event in flight has been queued.
//
// Stop order (FilterGraph::Stop; also Pause -> Stop on a single filter)
//   The graph stops filters downstream first (renderers, then transforms, then
//   sources). Each filter, before it takes a lock that a streaming thread may hold:
//   1. wakes what may be blocked inside it: a renderer sets its stop-wake event and calls
//      OnStopWake() so a DoRenderSample that waits returns; a SourceStream sets its
//      stop flag and stop event and calls OnStopWake() so a FillBuffer that waits returns;
//   2. decommits its allocators, which makes every GetBuffer waiting on them return
//      VFW_E_NOT_COMMITTED;
//   3. joins its streaming threads (SourceStream) or waits for the streaming thread to
//      leave it (renderer and transform locks);
//   4. releases what the threads used (samples go back to their allocator, which frees
//      its memory once decommitted and every sample has returned).
//   A streaming thread that meets VFW_E_NOT_COMMITTED or VFW_E_WRONG_STATE from
//   downstream, or whose stop flag is set, ends quietly: these are the marks of a
//   shutdown, not failures. Any other failure (FillBuffer, GetBuffer, Deliver, an
//   exception) is sent to the graph as EC_ERRORABORT with the failure code, so every
//   wait that also watches the graph's event handle ends.
//   A subclass whose hook can block (FillBuffer waiting for data, DoRenderSample
//   waiting for a request) must also wait on StopEvent()/the renderer's
//   StopWakeHandle() (or override OnStopWake to set its own event) and return promptly
//   once it is set; that is what lets Stop always return.
//   A streaming loop can also end on its own (end of stream, a failure, downstream
//   refusing with S_FALSE); SourceStream::StreamEndedHandle() is set then, so a
//   hand-over that waits for the streaming thread can wait on it too.
//   Seeking sources restart their threads with SourceStream::Restart (control thread):
//   wake and decommit as above, flush downstream (which wakes renderers), join, end the
//   flush, start a new thread. The graph's last Release stops and detaches everything.
#pragma once

#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/com/Unknown.h"
#include "platform/streaming/MediaType.h"
#include "platform/streaming/StreamingCodes.h"
#include "platform/sync/Event.h"

#include <string>

namespace zentar {

struct IBaseFilter;
struct IFilterGraph;
struct IPin;

struct ALLOCATOR_PROPERTIES {
    LONG cBuffers = 0;
    LONG cbBuffer = 0;
    LONG cbAlign = 0;
    LONG cbPrefix = 0;
};

inline constexpr HRESULT VFW_E_ALREADY_COMMITTED = MakeHResult(0x8004020F);
inline constexpr HRESULT VFW_E_BUFFERS_OUTSTANDING = MakeHResult(0x80040210);
inline constexpr HRESULT VFW_E_NO_TRANSPORT = MakeHResult(0x8004020C);
inline constexpr HRESULT VFW_S_NO_STOP_TIME = MakeHResult(0x00040270);

// One buffer of stream data with its times. Handed from thread to thread, used by one
// at a time; the last Release returns it to its allocator.
struct IMediaSample : IUnknown {
    static constexpr GUID kIid = MakeGuid("{56A8689A-0AD4-11CE-B03A-0020AF0BA770}");
    virtual HRESULT GetPointer(BYTE** buffer) = 0;
    virtual LONG GetSize() = 0;
    // S_OK with both times, VFW_S_NO_STOP_TIME with the start only (stop = start + 1),
    // VFW_E_SAMPLE_TIME_NOT_SET without times.
    virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
    // A null start clears the times; a null stop keeps only the start.
    virtual HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) = 0;
    virtual HRESULT IsSyncPoint() = 0; // S_OK or S_FALSE
    virtual HRESULT SetSyncPoint(BOOL sync) = 0;
    virtual HRESULT IsDiscontinuity() = 0;
    virtual HRESULT SetDiscontinuity(BOOL discontinuity) = 0;
    virtual LONG GetActualDataLength() = 0;
    virtual HRESULT SetActualDataLength(LONG length) = 0; // E_INVALIDARG beyond GetSize
};

struct IMemAllocator : IUnknown {
    static constexpr GUID kIid = MakeGuid("{56A8689C-0AD4-11CE-B03A-0020AF0BA770}");
    virtual HRESULT SetProperties(const ALLOCATOR_PROPERTIES* request,
                                  ALLOCATOR_PROPERTIES* actual) = 0;
    virtual HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) = 0;
    virtual HRESULT Commit() = 0;
    virtual HRESULT Decommit() = 0;
    // Blocks while every buffer is in use; VFW_E_NOT_COMMITTED when not committed or
    // decommitted while waiting.
    virtual HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                              DWORD flags) = 0;
    virtual HRESULT ReleaseBuffer(IMediaSample* sample) = 0;
};

struct IEnumMediaTypes : IUnknown {
    static constexpr GUID kIid = MakeGuid("{89C31040-846B-11CE-97D3-00AA0055595A}");
    // Copies up to `count` types into types[0..]; S_OK when all were given, else S_FALSE.
    virtual HRESULT Next(ULONG count, MediaType* types, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
};

struct PIN_INFO {
    ComPtr<IBaseFilter> pFilter;
    PIN_DIRECTION dir = PINDIR_INPUT;
    std::u16string achName;
};

struct IPin : IUnknown {
    static constexpr GUID kIid = MakeGuid("{56A86891-0AD4-11CE-B03A-0020AF0BA770}");
    // Output pins: connect to `receivePin`, with `type` (may be partial or null).
    virtual HRESULT Connect(IPin* receivePin, const MediaType* type) = 0;
    // Input pins: accept a connection proposed by `connector`.
    virtual HRESULT ReceiveConnection(IPin* connector, const MediaType* type) = 0;
    virtual HRESULT Disconnect() = 0;            // S_FALSE when not connected
    virtual HRESULT ConnectedTo(IPin** pin) = 0; // VFW_E_NOT_CONNECTED when not connected
    virtual HRESULT ConnectionMediaType(MediaType* type) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
    virtual HRESULT QueryId(std::u16string* id) = 0;
    virtual HRESULT QueryAccept(const MediaType* type) = 0; // S_OK or S_FALSE
    virtual HRESULT EnumMediaTypes(IEnumMediaTypes** types) = 0;
    virtual HRESULT EndOfStream() = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
};

struct IMemInputPin : IUnknown {
    static constexpr GUID kIid = MakeGuid("{56A8689D-0AD4-11CE-B03A-0020AF0BA770}");
    virtual HRESULT GetAllocator(IMemAllocator** allocator) = 0;
    virtual HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) = 0;
    virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) = 0;
    // S_OK: go on; S_FALSE: send no more (flushing, or end of stream reached);
    // failure: the stream failed.
    virtual HRESULT Receive(IMediaSample* sample) = 0;
    virtual HRESULT ReceiveCanBlock() = 0;
};

struct IEnumPins : IUnknown {
    static constexpr GUID kIid = MakeGuid("{56A86892-0AD4-11CE-B03A-0020AF0BA770}");
    // Hands out up to `count` pins, each with a reference.
    virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
};

struct IReferenceClock : IUnknown {
    static constexpr GUID kIid = MakeGuid("{56A86897-0AD4-11CE-B03A-0020AF0BA770}");
    virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
};

struct IPersist : IUnknown {
    static constexpr GUID kIid = MakeGuid("{0000010C-0000-0000-C000-000000000046}");
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IMediaFilter : IPersist {
    static constexpr GUID kIid = MakeGuid("{56A86899-0AD4-11CE-B03A-0020AF0BA770}");
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Run(REFERENCE_TIME start) = 0;
    virtual HRESULT GetState(DWORD timeoutMs, FILTER_STATE* state) = 0;
    virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0; // null: run without a clock
    virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;
};

struct FILTER_INFO {
    std::u16string achName;
    ComPtr<IFilterGraph> pGraph;
};

struct IBaseFilter : IMediaFilter {
    static constexpr GUID kIid = MakeGuid("{56A86895-0AD4-11CE-B03A-0020AF0BA770}");
    virtual HRESULT EnumPins(IEnumPins** pins) = 0;
    virtual HRESULT FindPin(LPCWSTR id, IPin** pin) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    // Called by the graph only: the graph is not referenced (it owns the filter).
    virtual HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) = 0;
};

struct IEnumFilters : IUnknown {
    static constexpr GUID kIid = MakeGuid("{56A86893-0AD4-11CE-B03A-0020AF0BA770}");
    virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
};

struct IFilterGraph : IUnknown {
    static constexpr GUID kIid = MakeGuid("{56A8689F-0AD4-11CE-B03A-0020AF0BA770}");
    // A null or taken name gets a unique one (VFW_S_DUPLICATE_NAME when changed).
    virtual HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
    virtual HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) = 0;
    virtual HRESULT ConnectDirect(IPin* output, IPin* input, const MediaType* type) = 0;
    virtual HRESULT Disconnect(IPin* pin) = 0;
};

struct IGraphBuilder : IFilterGraph {
    static constexpr GUID kIid = MakeGuid("{56A868A9-0AD4-11CE-B03A-0020AF0BA770}");
    // Direct connection first, else through registered intermediate filters.
    virtual HRESULT Connect(IPin* output, IPin* input) = 0;
    // Creates the registered source filter for the file and adds it under `filterName`.
    virtual HRESULT AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName, IBaseFilter** filter) = 0;
};

using OAFilterState = LONG;

struct IMediaControl : IUnknown {
    static constexpr GUID kIid = MakeGuid("{56A868B1-0AD4-11CE-B03A-0020AF0BA770}");
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(LONG timeoutMs, OAFilterState* state) = 0;
};

struct IMediaEvent : IUnknown {
    static constexpr GUID kIid = MakeGuid("{56A868B6-0AD4-11CE-B03A-0020AF0BA770}");
    // A manual-reset event, set while events are queued; owned by the graph.
    virtual HRESULT GetEventHandle(HANDLE* handle) = 0;
    // Takes the oldest event; E_ABORT when none arrives within the time.
    virtual HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG timeoutMs) = 0;
    virtual HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaEventSink : IUnknown {
    static constexpr GUID kIid = MakeGuid("{56A868A2-0AD4-11CE-B03A-0020AF0BA770}");
    // Queues an event; callable from any thread.
    virtual HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaSeeking : IUnknown {
    static constexpr GUID kIid = MakeGuid("{36B73880-C2C8-11CF-8B46-00805F6CEF60}");
    virtual HRESULT GetCapabilities(DWORD* capabilities) = 0;
    virtual HRESULT IsFormatSupported(const GUID* format) = 0; // S_OK or S_FALSE
    virtual HRESULT GetTimeFormat(GUID* format) = 0;
    virtual HRESULT SetTimeFormat(const GUID* format) = 0;
    virtual HRESULT GetDuration(LONGLONG* duration) = 0;
    virtual HRESULT GetCurrentPosition(LONGLONG* position) = 0;
    virtual HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                 DWORD stopFlags) = 0;
};

inline constexpr GUID IID_IBaseFilter = IBaseFilter::kIid;
inline constexpr GUID IID_IPin = IPin::kIid;
inline constexpr GUID IID_IMediaFilter = IMediaFilter::kIid;
inline constexpr GUID IID_IGraphBuilder = IGraphBuilder::kIid;
inline constexpr GUID IID_IFilterGraph = IFilterGraph::kIid;
inline constexpr GUID IID_IMediaControl = IMediaControl::kIid;
inline constexpr GUID IID_IMediaEvent = IMediaEvent::kIid;
inline constexpr GUID IID_IMediaEventSink = IMediaEventSink::kIid;
inline constexpr GUID IID_IMediaSeeking = IMediaSeeking::kIid;
inline constexpr HRESULT VFW_S_DUPLICATE_NAME = MakeHResult(0x0004022D);

// Lets a class that adds interfaces of its own to a framework base class (whose
// IUnknown comes from ComObject) answer the IUnknown methods of those interfaces too.
#define ZENTAR_FORWARD_IUNKNOWN(Base)                                                              \
    HRESULT QueryInterface(REFIID iid, void** object) override {                                   \
        return Base::QueryInterface(iid, object);                                                  \
    }                                                                                              \
    ULONG AddRef() override {                                                                      \
        return Base::AddRef();                                                                     \
    }                                                                                              \
    ULONG Release() override {                                                                     \
        return Base::Release();                                                                    \
    }

} // namespace zentar

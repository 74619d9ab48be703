#include "filters/ProxyHandOver.h"

namespace zentar {

HRESULT ProxyHandOver::push(const BYTE* data, HANDLE streamEnded) {
    IMediaEvent* events = nullptr;
    HANDLE graphHandle = nullptr;
    {
        std::lock_guard lock(graphMutex_);
        events = graphEvents_;
        graphHandle = graphHandle_;
    }
    data_.store(data, std::memory_order_release);
    // No hand-over is under way here, so a set dataConsumed is stale (an end push or a
    // withdrawn offer left it).
    dataConsumed_.Reset();
    dataReady_.Set();

    HANDLE handles[3] = {&dataConsumed_};
    DWORD count = 1;
    const DWORD graphIndex = graphHandle ? count : MAXIMUM_WAIT_OBJECTS;
    if (graphHandle)
        handles[count++] = graphHandle;
    const DWORD endedIndex = count;
    handles[count++] = streamEnded;

    for (;;) {
        const DWORD result = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0)
            return S_OK;
        if (result == WAIT_OBJECT_0 + graphIndex) {
            HRESULT failure = S_OK;
            if (!takeAbortEvent(events, &failure))
                continue;
            withdraw(streamEnded);
            return failure;
        }
        withdraw(streamEnded);
        if (result == WAIT_OBJECT_0 + endedIndex)
            return VFW_E_WRONG_STATE;
        return E_FAIL; // a time-out or a failed wait
    }
}

bool ProxyHandOver::takeAbortEvent(IMediaEvent* events, HRESULT* result) {
    LONG code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    // The handle is set only while events are queued, so no wait is needed; another
    // reader may have emptied the queue meanwhile.
    if (FAILED(events->GetEvent(&code, &param1, &param2, 0)))
        return false;
    events->FreeEventParams(code, param1, param2);
    if (code != EC_ERRORABORT)
        return false;
    const auto error = static_cast<HRESULT>(param1);
    *result = FAILED(error) ? error : E_FAIL;
    return true;
}

void ProxyHandOver::withdraw(HANDLE streamEnded) {
    // Taking dataReady back is atomic: either the pin never sees this offer, or it
    // has already taken it and finishes the copy without blocking.
    if (dataReady_.Wait(0))
        return;
    HANDLE handles[2] = {&dataConsumed_, streamEnded};
    WaitForMultipleObjects(2, handles, FALSE, INFINITE);
}

void ProxyHandOver::endStream() {
    data_.store(nullptr, std::memory_order_release);
    runGate_.Reset();
    dataReady_.Set();
}

void ProxyHandOver::attachGraph(IBaseFilter* filter) {
    IMediaEvent* events = nullptr;
    HANDLE handle = nullptr;
    FILTER_INFO info;
    if (SUCCEEDED(filter->QueryFilterInfo(&info)) && info.pGraph) {
        ComPtr<IMediaEvent> found;
        if (SUCCEEDED(info.pGraph.As(found)) && SUCCEEDED(found->GetEventHandle(&handle)))
            events = found.Get(); // the graph outlives its filters' runs
    }
    std::lock_guard lock(graphMutex_);
    graphEvents_ = events;
    graphHandle_ = events ? handle : nullptr;
}

void ProxyHandOver::detachGraph() {
    std::lock_guard lock(graphMutex_);
    graphEvents_ = nullptr;
    graphHandle_ = nullptr;
}

void ProxyHandOver::startStream() {
    dataReady_.Reset();
    dataConsumed_.Reset();
    runGate_.Set();
}

bool ProxyHandOver::waitForData(HANDLE stopEvent) {
    HANDLE handles[2] = {stopEvent, &dataReady_};
    return WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

} // namespace zentar

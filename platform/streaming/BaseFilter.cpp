#include "platform/streaming/BaseFilter.h"

#include "platform/streaming/BasePin.h"
#include "platform/streaming/Enumerators.h"

namespace zentar {

HRESULT BaseFilter::GetClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = clsid_;
    return S_OK;
}

HRESULT BaseFilter::activatePinsLocked() {
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
        BasePin* pin = GetPin(i);
        if (!pin || !pin->IsConnected())
            continue;
        HRESULT hr = pin->Active();
        if (FAILED(hr)) {
            for (int j = 0; j < i; ++j)
                if (BasePin* done = GetPin(j); done && done->IsConnected())
                    done->Inactive();
            return hr;
        }
    }
    return S_OK;
}

HRESULT BaseFilter::deactivatePinsLocked() {
    HRESULT result = S_OK;
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
        if (BasePin* pin = GetPin(i)) {
            HRESULT hr = pin->Inactive();
            if (FAILED(hr) && SUCCEEDED(result))
                result = hr;
        }
    }
    return result;
}

HRESULT BaseFilter::Stop() {
    AutoLock lock(filterLock_);
    if (state() == State_Stopped)
        return S_OK;
    state_.store(State_Stopped, std::memory_order_release);
    return deactivatePinsLocked();
}

HRESULT BaseFilter::Pause() {
    AutoLock lock(filterLock_);
    if (state() == State_Stopped) {
        HRESULT hr = OnLeavingStopped();
        if (SUCCEEDED(hr))
            hr = activatePinsLocked();
        if (FAILED(hr))
            return hr;
    }
    state_.store(State_Paused, std::memory_order_release);
    return S_OK;
}

HRESULT BaseFilter::Run(REFERENCE_TIME start) {
    AutoLock lock(filterLock_);
    startTime_ = start;
    if (state() == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    state_.store(State_Running, std::memory_order_release);
    OnRunning();
    return S_OK;
}

HRESULT BaseFilter::GetState(DWORD /*timeoutMs*/, FILTER_STATE* state) {
    if (!state)
        return E_POINTER;
    // State changes complete before they return, so there is never an intermediate state.
    *state = this->state();
    return S_OK;
}

HRESULT BaseFilter::SetSyncSource(IReferenceClock* clock) {
    AutoLock lock(filterLock_);
    clock_ = clock;
    return S_OK;
}

HRESULT BaseFilter::GetSyncSource(IReferenceClock** clock) {
    if (!clock)
        return E_POINTER;
    AutoLock lock(filterLock_);
    return clock_.CopyTo(clock);
}

HRESULT BaseFilter::EnumPins(IEnumPins** pins) {
    if (!pins)
        return E_POINTER;
    std::vector<ComPtr<IPin>> list;
    {
        AutoLock lock(filterLock_);
        for (int i = 0; i < GetPinCount(); ++i)
            if (BasePin* pin = GetPin(i))
                list.emplace_back(static_cast<IPin*>(pin));
    }
    auto enumerator = MakeComObject<PinEnumerator>(std::move(list));
    if (!enumerator)
        return E_OUTOFMEMORY;
    *pins = enumerator.Detach();
    return S_OK;
}

HRESULT BaseFilter::FindPin(LPCWSTR id, IPin** pin) {
    if (!id || !pin)
        return E_POINTER;
    *pin = nullptr;
    AutoLock lock(filterLock_);
    for (int i = 0; i < GetPinCount(); ++i) {
        BasePin* candidate = GetPin(i);
        if (candidate && candidate->name() == std::u16string_view(id)) {
            *pin = candidate;
            candidate->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT BaseFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info)
        return E_POINTER;
    std::lock_guard lock(infoMutex_);
    info->achName = name_;
    info->pGraph = graph_;
    return S_OK;
}

HRESULT BaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    // The event sink is looked up once here, on the control thread, so that streaming
    // threads send events without touching the graph's reference count.
    IMediaEventSink* sink = nullptr;
    if (graph) {
        ComPtr<IMediaEventSink> found;
        if (SUCCEEDED(ComPtr<IFilterGraph>(graph).As(found)))
            sink = found.Get(); // the graph owns us and outlives this pointer
    }
    std::lock_guard lock(infoMutex_);
    graph_ = graph;
    eventSink_ = sink;
    name_ = name ? std::u16string(name) : std::u16string();
    return S_OK;
}

HRESULT BaseFilter::NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
    // Held across the call: the graph detaches us (JoinFilterGraph) only after it has
    // waited for a Notify in progress.
    std::lock_guard lock(infoMutex_);
    if (!eventSink_)
        return E_UNEXPECTED;
    return eventSink_->Notify(code, param1, param2);
}

void* BaseFilter::QueryInterfaceExtra(REFIID iid) {
    if (iid == IMediaFilter::kIid)
        return static_cast<IMediaFilter*>(this);
    if (iid == IPersist::kIid)
        return static_cast<IPersist*>(this);
    return nullptr;
}

} // namespace zentar

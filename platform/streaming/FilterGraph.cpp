#include "platform/streaming/FilterGraph.h"

#include "platform/streaming/Enumerators.h"
#include "platform/streaming/FilterRegistry.h"
#include "platform/streaming/MediaGuids.h"

#include <algorithm>
#include <functional>
#include <map>
#include <new>

namespace zentar {

namespace {

// Intermediate filters inserted by one Connect, at most this many in a chain.
constexpr int kMaxIntermediateDepth = 2;

std::vector<ComPtr<IPin>> pinsOf(IBaseFilter* filter, PIN_DIRECTION direction) {
    std::vector<ComPtr<IPin>> result;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.GetAddressOf())) || !pins)
        return result;
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK) {
        ComPtr<IPin> owned = ComPtr<IPin>::Adopt(pin);
        PIN_DIRECTION d;
        if (SUCCEEDED(owned->QueryDirection(&d)) && d == direction)
            result.push_back(owned);
    }
    return result;
}

ComPtr<IBaseFilter> filterOf(IPin* pin) {
    PIN_INFO info;
    if (!pin || FAILED(pin->QueryPinInfo(&info)))
        return nullptr;
    return info.pFilter;
}

bool isConnected(IPin* pin) {
    ComPtr<IPin> peer;
    return SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf())) && peer;
}

} // namespace

HRESULT FilterGraph::CreateInstance(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    FilterGraph* raw = new (std::nothrow) FilterGraph();
    if (!raw)
        return E_OUTOFMEMORY;
    raw->AddRef();
    HRESULT hr = raw->QueryInterface(iid, object);
    raw->Release();
    return hr;
}

FilterGraph::~FilterGraph() = default;

HRESULT FilterGraph::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IGraphBuilder::kIid || iid == IFilterGraph::kIid)
        *object = static_cast<IGraphBuilder*>(this);
    else if (iid == IMediaControl::kIid)
        *object = static_cast<IMediaControl*>(this);
    else if (iid == IMediaEvent::kIid)
        *object = static_cast<IMediaEvent*>(this);
    else if (iid == IMediaEventSink::kIid)
        *object = static_cast<IMediaEventSink*>(this);
    else if (iid == IMediaFilter::kIid || iid == IPersist::kIid)
        *object = static_cast<IMediaFilter*>(this);
    else if (iid == IMediaSeeking::kIid)
        *object = static_cast<IMediaSeeking*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG FilterGraph::AddRef() {
    return refCount_.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG FilterGraph::Release() {
    const ULONG left = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left != 0)
        return left;
    // Only the first drop to zero finalises; a stray reference taken and dropped by a
    // streaming thread during shutdown finds finalizing_ set and does nothing.
    if (finalizing_.exchange(true))
        return 0;
    refCount_.fetch_add(1, std::memory_order_acq_rel); // alive while shutting down
    shutdown();
    // A reference taken meanwhile and kept finalises again when it is dropped.
    finalizing_.store(false);
    if (refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1 == 0)
        delete this;
    return 0;
}

void FilterGraph::shutdown() {
    AutoLock lock(graphLock_);
    stopLocked();
    // Break the reference cycles of connected pins, then detach every filter.
    for (const Entry& entry : filters_) {
        for (PIN_DIRECTION direction : {PINDIR_OUTPUT, PINDIR_INPUT}) {
            for (const ComPtr<IPin>& pin : pinsOf(entry.filter.Get(), direction)) {
                ComPtr<IPin> peer;
                if (SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf())) && peer)
                    peer->Disconnect();
                pin->Disconnect();
            }
        }
    }
    for (const Entry& entry : filters_)
        entry.filter->JoinFilterGraph(nullptr, nullptr);
    filters_.clear();
    clock_ = nullptr;
}

bool FilterGraph::containsLocked(IBaseFilter* filter) const {
    return std::any_of(filters_.begin(), filters_.end(),
                       [filter](const Entry& e) { return e.filter.Get() == filter; });
}

bool FilterGraph::pinInGraphLocked(IPin* pin) const {
    ComPtr<IBaseFilter> owner = filterOf(pin);
    return owner && containsLocked(owner.Get());
}

std::u16string FilterGraph::uniqueNameLocked(LPCWSTR name) const {
    const std::u16string base = name && *name ? std::u16string(name) : std::u16string(u"Filter");
    auto taken = [this](const std::u16string& candidate) {
        return std::any_of(filters_.begin(), filters_.end(),
                           [&](const Entry& e) { return e.name == candidate; });
    };
    if (!taken(base))
        return base;
    for (int n = 1;; ++n) {
        std::string digits = std::to_string(n);
        digits.insert(0, digits.size() < 4 ? 4 - digits.size() : 0, '0');
        std::u16string candidate = base + u" " + WideFromUtf8(digits);
        if (!taken(candidate))
            return candidate;
    }
}

HRESULT FilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name) {
    if (!filter)
        return E_POINTER;
    AutoLock lock(graphLock_);
    if (containsLocked(filter))
        return E_INVALIDARG;
    std::u16string unique = uniqueNameLocked(name);
    const bool renamed = !name || unique != std::u16string_view(name);
    HRESULT hr = filter->JoinFilterGraph(this, unique.c_str());
    if (FAILED(hr))
        return hr;
    filter->SetSyncSource(clock_.Get());
    filters_.push_back({filter, std::move(unique)});
    return renamed && name && *name ? VFW_S_DUPLICATE_NAME : S_OK;
}

HRESULT FilterGraph::RemoveFilter(IBaseFilter* filter) {
    if (!filter)
        return E_POINTER;
    AutoLock lock(graphLock_);
    auto it = std::find_if(filters_.begin(), filters_.end(),
                           [filter](const Entry& e) { return e.filter.Get() == filter; });
    if (it == filters_.end())
        return VFW_E_NOT_FOUND;
    ComPtr<IBaseFilter> keep = it->filter;
    keep->Stop();
    for (PIN_DIRECTION direction : {PINDIR_OUTPUT, PINDIR_INPUT}) {
        for (const ComPtr<IPin>& pin : pinsOf(keep.Get(), direction)) {
            ComPtr<IPin> peer;
            if (SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf())) && peer)
                peer->Disconnect();
            pin->Disconnect();
        }
    }
    keep->JoinFilterGraph(nullptr, nullptr);
    filters_.erase(it);
    return S_OK;
}

HRESULT FilterGraph::EnumFilters(IEnumFilters** filters) {
    if (!filters)
        return E_POINTER;
    std::vector<ComPtr<IBaseFilter>> list;
    {
        AutoLock lock(graphLock_);
        for (const Entry& e : filters_)
            list.push_back(e.filter);
    }
    auto enumerator = MakeComObject<FilterEnumerator>(std::move(list));
    if (!enumerator)
        return E_OUTOFMEMORY;
    *filters = enumerator.Detach();
    return S_OK;
}

HRESULT FilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter) {
    if (!name || !filter)
        return E_POINTER;
    *filter = nullptr;
    AutoLock lock(graphLock_);
    for (const Entry& e : filters_)
        if (e.name == std::u16string_view(name))
            return e.filter.CopyTo(filter);
    return VFW_E_NOT_FOUND;
}

HRESULT FilterGraph::ConnectDirect(IPin* output, IPin* input, const MediaType* type) {
    if (!output || !input)
        return E_POINTER;
    AutoLock lock(graphLock_);
    if (!pinInGraphLocked(output) || !pinInGraphLocked(input))
        return VFW_E_NOT_IN_GRAPH;
    PIN_DIRECTION dOut, dIn;
    output->QueryDirection(&dOut);
    input->QueryDirection(&dIn);
    if (dOut != PINDIR_OUTPUT || dIn != PINDIR_INPUT)
        return VFW_E_INVALID_DIRECTION;
    return output->Connect(input, type);
}

HRESULT FilterGraph::Disconnect(IPin* pin) {
    if (!pin)
        return E_POINTER;
    return pin->Disconnect();
}

HRESULT FilterGraph::Connect(IPin* output, IPin* input) {
    if (!output || !input)
        return E_POINTER;
    AutoLock lock(graphLock_);
    HRESULT hr = ConnectDirect(output, input, nullptr);
    if (SUCCEEDED(hr))
        return S_OK;
    // Failures that no intermediate filter can cure.
    if (hr == VFW_E_ALREADY_CONNECTED || hr == VFW_E_NOT_STOPPED || hr == VFW_E_NOT_IN_GRAPH ||
        hr == VFW_E_INVALID_DIRECTION || hr == E_POINTER)
        return hr;
    return connectVia(output, input, kMaxIntermediateDepth);
}

HRESULT FilterGraph::connectVia(IPin* output, IPin* input, int depth) {
    if (depth <= 0)
        return VFW_E_CANNOT_CONNECT;
    for (const FilterRegistry::Intermediate& entry : FilterRegistry::Intermediates()) {
        ComPtr<IBaseFilter> filter;
        if (FAILED(entry.factory(filter)) || !filter)
            continue;
        if (FAILED(AddFilter(filter.Get(), entry.name.c_str())))
            continue;
        if (SUCCEEDED(tryIntermediate(filter.Get(), output, input, depth)))
            return S_OK;
        RemoveFilter(filter.Get()); // also undoes its connections
    }
    return VFW_E_CANNOT_CONNECT;
}

HRESULT FilterGraph::tryIntermediate(IBaseFilter* filter, IPin* output, IPin* input, int depth) {
    for (const ComPtr<IPin>& in : pinsOf(filter, PINDIR_INPUT)) {
        if (isConnected(in.Get()) || FAILED(output->Connect(in.Get(), nullptr)))
            continue;
        for (const ComPtr<IPin>& out : pinsOf(filter, PINDIR_OUTPUT)) {
            if (isConnected(out.Get()))
                continue;
            if (SUCCEEDED(out->Connect(input, nullptr)) ||
                SUCCEEDED(connectVia(out.Get(), input, depth - 1)))
                return S_OK;
        }
        output->Disconnect();
        in->Disconnect();
    }
    return VFW_E_CANNOT_CONNECT;
}

HRESULT FilterGraph::AddSourceFilter(LPCWSTR fileName, LPCWSTR filterName, IBaseFilter** filter) {
    if (!fileName || !filter)
        return E_POINTER;
    *filter = nullptr;
    ComPtr<IBaseFilter> source;
    HRESULT hr = FilterRegistry::CreateSourceFilter(fileName, source);
    if (FAILED(hr))
        return hr;
    hr = AddFilter(source.Get(), filterName ? filterName : fileName);
    if (FAILED(hr))
        return hr;
    return source.CopyTo(filter);
}

std::vector<ComPtr<IBaseFilter>> FilterGraph::downstreamFirstLocked() const {
    // Distance of each filter from the sinks along connected output pins.
    std::map<IBaseFilter*, int> distance;
    std::function<int(IBaseFilter*, int)> measure = [&](IBaseFilter* filter, int guard) -> int {
        if (auto it = distance.find(filter); it != distance.end())
            return it->second;
        int result = 0;
        if (guard < static_cast<int>(filters_.size())) {
            for (const ComPtr<IPin>& pin : pinsOf(filter, PINDIR_OUTPUT)) {
                ComPtr<IPin> peer;
                if (FAILED(pin->ConnectedTo(peer.GetAddressOf())) || !peer)
                    continue;
                if (ComPtr<IBaseFilter> next = filterOf(peer.Get()))
                    result = std::max(result, measure(next.Get(), guard + 1) + 1);
            }
        }
        distance[filter] = result;
        return result;
    };
    std::vector<ComPtr<IBaseFilter>> order;
    for (const Entry& e : filters_) {
        measure(e.filter.Get(), 0);
        order.push_back(e.filter);
    }
    std::stable_sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
        return distance[a.Get()] < distance[b.Get()];
    });
    return order;
}

HRESULT FilterGraph::pauseLocked() {
    for (const ComPtr<IBaseFilter>& filter : downstreamFirstLocked()) {
        HRESULT hr = filter->Pause();
        if (FAILED(hr)) {
            stopLocked();
            return hr;
        }
    }
    state_ = State_Paused;
    return S_OK;
}

HRESULT FilterGraph::stopLocked() {
    HRESULT result = S_OK;
    // Every filter is stopped even when one fails, so no thread is left running.
    for (const ComPtr<IBaseFilter>& filter : downstreamFirstLocked()) {
        HRESULT hr = filter->Stop();
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    state_ = State_Stopped;
    return result;
}

HRESULT FilterGraph::Run() {
    return Run(REFERENCE_TIME(0));
}

HRESULT FilterGraph::Run(REFERENCE_TIME start) {
    AutoLock lock(graphLock_);
    if (state_ == State_Running)
        return S_OK;
    if (state_ == State_Stopped) {
        HRESULT hr = pauseLocked();
        if (FAILED(hr))
            return hr;
    }
    for (const ComPtr<IBaseFilter>& filter : downstreamFirstLocked()) {
        HRESULT hr = filter->Run(start);
        if (FAILED(hr)) {
            stopLocked();
            return hr;
        }
    }
    state_ = State_Running;
    return S_OK;
}

HRESULT FilterGraph::Pause() {
    AutoLock lock(graphLock_);
    if (state_ == State_Paused)
        return S_OK;
    return pauseLocked();
}

HRESULT FilterGraph::Stop() {
    AutoLock lock(graphLock_);
    return stopLocked();
}

HRESULT FilterGraph::GetState(LONG /*timeoutMs*/, OAFilterState* state) {
    if (!state)
        return E_POINTER;
    AutoLock lock(graphLock_);
    // Every transition completes before it returns: never an intermediate state.
    *state = state_;
    return S_OK;
}

HRESULT FilterGraph::GetState(DWORD timeoutMs, FILTER_STATE* state) {
    if (!state)
        return E_POINTER;
    OAFilterState value = State_Stopped;
    HRESULT hr = GetState(static_cast<LONG>(timeoutMs), &value);
    *state = static_cast<FILTER_STATE>(value);
    return hr;
}

HRESULT FilterGraph::GetEventHandle(HANDLE* handle) {
    if (!handle)
        return E_POINTER;
    *handle = events_.handle();
    return S_OK;
}

HRESULT FilterGraph::GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG timeoutMs) {
    if (!code || !param1 || !param2)
        return E_POINTER;
    GraphEventQueue::Entry entry;
    HRESULT hr = events_.Get(&entry, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    if (FAILED(hr))
        return hr;
    *code = entry.code;
    *param1 = entry.param1;
    *param2 = entry.param2;
    return S_OK;
}

HRESULT FilterGraph::FreeEventParams(LONG, LONG_PTR, LONG_PTR) {
    return S_OK; // parameters are plain numbers: nothing is owned
}

HRESULT FilterGraph::Notify(LONG code, LONG_PTR param1, LONG_PTR param2) {
    events_.Notify(code, param1, param2);
    return S_OK;
}

HRESULT FilterGraph::GetClassID(CLSID* clsid) {
    if (!clsid)
        return E_POINTER;
    *clsid = CLSID_FilterGraph;
    return S_OK;
}

HRESULT FilterGraph::SetSyncSource(IReferenceClock* clock) {
    AutoLock lock(graphLock_);
    clock_ = clock;
    HRESULT result = S_OK;
    for (const Entry& e : filters_) {
        HRESULT hr = e.filter->SetSyncSource(clock);
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    return result;
}

HRESULT FilterGraph::GetSyncSource(IReferenceClock** clock) {
    if (!clock)
        return E_POINTER;
    AutoLock lock(graphLock_);
    return clock_.CopyTo(clock);
}

ComPtr<IMediaSeeking> FilterGraph::seekingTarget() {
    AutoLock lock(graphLock_);
    for (const Entry& e : filters_) {
        ComPtr<IMediaSeeking> seeking;
        if (SUCCEEDED(e.filter.As(seeking)))
            return seeking;
        for (const ComPtr<IPin>& pin : pinsOf(e.filter.Get(), PINDIR_OUTPUT))
            if (SUCCEEDED(pin.As(seeking)))
                return seeking;
    }
    return nullptr;
}

HRESULT FilterGraph::GetCapabilities(DWORD* capabilities) {
    ComPtr<IMediaSeeking> target = seekingTarget();
    return target ? target->GetCapabilities(capabilities) : E_NOTIMPL;
}

HRESULT FilterGraph::IsFormatSupported(const GUID* format) {
    ComPtr<IMediaSeeking> target = seekingTarget();
    return target ? target->IsFormatSupported(format) : E_NOTIMPL;
}

HRESULT FilterGraph::GetTimeFormat(GUID* format) {
    ComPtr<IMediaSeeking> target = seekingTarget();
    return target ? target->GetTimeFormat(format) : E_NOTIMPL;
}

HRESULT FilterGraph::SetTimeFormat(const GUID* format) {
    ComPtr<IMediaSeeking> target = seekingTarget();
    return target ? target->SetTimeFormat(format) : E_NOTIMPL;
}

HRESULT FilterGraph::GetDuration(LONGLONG* duration) {
    ComPtr<IMediaSeeking> target = seekingTarget();
    return target ? target->GetDuration(duration) : E_NOTIMPL;
}

HRESULT FilterGraph::GetCurrentPosition(LONGLONG* position) {
    ComPtr<IMediaSeeking> target = seekingTarget();
    return target ? target->GetCurrentPosition(position) : E_NOTIMPL;
}

HRESULT FilterGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                  DWORD stopFlags) {
    ComPtr<IMediaSeeking> target = seekingTarget();
    return target ? target->SetPositions(current, currentFlags, stop, stopFlags) : E_NOTIMPL;
}

} // namespace zentar

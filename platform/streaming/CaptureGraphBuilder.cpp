#include "platform/streaming/CaptureGraphBuilder.h"

namespace zentar {

namespace {

bool pinMatches(IPin* pin, PIN_DIRECTION direction, const GUID* type, BOOL unconnectedOnly) {
    PIN_DIRECTION d;
    if (FAILED(pin->QueryDirection(&d)) || d != direction)
        return false;
    ComPtr<IPin> peer;
    const bool connected = SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf())) && peer;
    if (unconnectedOnly && connected)
        return false;
    if (!type)
        return true;
    if (connected) {
        MediaType mt;
        return SUCCEEDED(pin->ConnectionMediaType(&mt)) && mt.majortype == *type;
    }
    ComPtr<IEnumMediaTypes> types;
    if (FAILED(pin->EnumMediaTypes(types.GetAddressOf())) || !types)
        return false;
    MediaType mt;
    while (types->Next(1, &mt, nullptr) == S_OK)
        if (mt.majortype == *type)
            return true;
    return false;
}

std::vector<ComPtr<IPin>> pinsOf(IBaseFilter* filter) {
    std::vector<ComPtr<IPin>> result;
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(pins.GetAddressOf())) || !pins)
        return result;
    IPin* pin = nullptr;
    while (pins->Next(1, &pin, nullptr) == S_OK)
        result.push_back(ComPtr<IPin>::Adopt(pin));
    return result;
}

} // namespace

HRESULT CaptureGraphBuilder::SetFiltergraph(IGraphBuilder* graph) {
    if (!graph)
        return E_POINTER;
    if (graph_)
        return E_UNEXPECTED; // a builder serves one graph
    graph_ = graph;
    return S_OK;
}

HRESULT CaptureGraphBuilder::GetFiltergraph(IGraphBuilder** graph) {
    if (!graph)
        return E_POINTER;
    *graph = nullptr;
    return graph_ ? graph_.CopyTo(graph) : E_UNEXPECTED;
}

HRESULT CaptureGraphBuilder::FindPin(IUnknown* source, PIN_DIRECTION direction,
                                     const GUID* category, const GUID* type, BOOL unconnectedOnly,
                                     int index, IPin** pin) {
    if (!source || !pin)
        return E_POINTER;
    *pin = nullptr;
    if (category || index < 0)
        return E_FAIL;
    ComPtr<IUnknown> unknown(source);
    ComPtr<IPin> asPin;
    if (SUCCEEDED(unknown.As(asPin))) {
        if (index == 0 && pinMatches(asPin.Get(), direction, type, unconnectedOnly))
            return asPin.CopyTo(pin);
        return E_FAIL;
    }
    ComPtr<IBaseFilter> filter;
    if (FAILED(unknown.As(filter)))
        return E_NOINTERFACE;
    int found = 0;
    for (const ComPtr<IPin>& candidate : pinsOf(filter.Get())) {
        if (!pinMatches(candidate.Get(), direction, type, unconnectedOnly))
            continue;
        if (found++ == index)
            return candidate.CopyTo(pin);
    }
    return E_FAIL;
}

HRESULT CaptureGraphBuilder::connectToFilter(IPin* output, IBaseFilter* target) {
    HRESULT last = VFW_E_CANNOT_CONNECT;
    for (const ComPtr<IPin>& input : pinsOf(target)) {
        if (!pinMatches(input.Get(), PINDIR_INPUT, nullptr, TRUE))
            continue;
        HRESULT hr = graph_->Connect(output, input.Get());
        if (SUCCEEDED(hr))
            return S_OK;
        last = hr;
    }
    return last;
}

HRESULT CaptureGraphBuilder::renderPin(IPin* output, IBaseFilter* intermediate, IBaseFilter* sink) {
    if (!intermediate)
        return connectToFilter(output, sink);
    HRESULT hr = connectToFilter(output, intermediate);
    if (FAILED(hr))
        return hr;
    for (const ComPtr<IPin>& next : pinsOf(intermediate)) {
        if (!pinMatches(next.Get(), PINDIR_OUTPUT, nullptr, TRUE))
            continue;
        if (SUCCEEDED(connectToFilter(next.Get(), sink)))
            return S_OK;
    }
    // Nothing reached the sink: undo the first half.
    ComPtr<IPin> peer;
    if (SUCCEEDED(output->ConnectedTo(peer.GetAddressOf())) && peer)
        peer->Disconnect();
    output->Disconnect();
    return VFW_E_CANNOT_CONNECT;
}

HRESULT CaptureGraphBuilder::RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                          IBaseFilter* intermediate, IBaseFilter* sink) {
    if (!source)
        return E_POINTER;
    if (!graph_)
        return E_UNEXPECTED;
    if (!sink)
        return E_INVALIDARG; // there is no default renderer to pick
    if (category)
        return E_FAIL;
    ComPtr<IUnknown> unknown(source);
    ComPtr<IPin> asPin;
    if (SUCCEEDED(unknown.As(asPin))) {
        if (!pinMatches(asPin.Get(), PINDIR_OUTPUT, type, TRUE))
            return E_INVALIDARG;
        return renderPin(asPin.Get(), intermediate, sink);
    }
    ComPtr<IBaseFilter> filter;
    if (FAILED(unknown.As(filter)))
        return E_NOINTERFACE;
    HRESULT last = VFW_E_CANNOT_CONNECT;
    for (const ComPtr<IPin>& output : pinsOf(filter.Get())) {
        if (!pinMatches(output.Get(), PINDIR_OUTPUT, type, TRUE))
            continue;
        HRESULT hr = renderPin(output.Get(), intermediate, sink);
        if (SUCCEEDED(hr))
            return S_OK;
        last = hr;
    }
    return last;
}

} // namespace zentar

#include "platform/streaming/BasePin.h"

#include "platform/streaming/BaseFilter.h"
#include "platform/streaming/Enumerators.h"

namespace zentar {

BasePin::BasePin(BaseFilter* filter, PIN_DIRECTION direction, std::u16string_view name)
    : filter_(filter), lock_(filter->filterLock()), direction_(direction), name_(name) {}

BasePin::~BasePin() = default;

HRESULT BasePin::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IPin::kIid)
        *object = static_cast<IPin*>(this);
    else if (void* extra = QueryInterfaceExtra(iid))
        *object = extra;
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG BasePin::AddRef() {
    return filter_->AddRef();
}
ULONG BasePin::Release() {
    return filter_->Release();
}

bool BasePin::filterIsStopped() const {
    return filter_->state() == State_Stopped;
}

HRESULT BasePin::Connect(IPin* receivePin, const MediaType* type) {
    if (!receivePin)
        return E_POINTER;
    AutoLock lock(lock_);
    HRESULT hr = checkConnectable(receivePin);
    return FAILED(hr) ? hr : agreeMediaType(receivePin, type);
}

HRESULT BasePin::checkConnectable(IPin* peer) {
    if (IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    if (!filterIsStopped())
        return VFW_E_NOT_STOPPED;
    PIN_DIRECTION other;
    if (FAILED(peer->QueryDirection(&other)) || other == direction_)
        return VFW_E_INVALID_DIRECTION;
    return S_OK;
}

HRESULT BasePin::agreeMediaType(IPin* receivePin, const MediaType* type) {
    if (type && !type->IsPartiallySpecified() && type->subtype != GUID_NULL)
        return attemptConnection(receivePin, *type);
    // Our own preferences first, then the receiver's.
    HRESULT firstFailure = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int side = 0; side < 2; ++side) {
        ComPtr<IEnumMediaTypes> types;
        IPin* pin = side == 0 ? static_cast<IPin*>(this) : receivePin;
        if (FAILED(pin->EnumMediaTypes(types.GetAddressOf())) || !types)
            continue;
        HRESULT hr = tryMediaTypes(receivePin, type, types.Get());
        if (SUCCEEDED(hr))
            return hr;
        if (hr != VFW_E_NO_ACCEPTABLE_TYPES && firstFailure == VFW_E_NO_ACCEPTABLE_TYPES)
            firstFailure = hr;
    }
    return firstFailure;
}

HRESULT BasePin::tryMediaTypes(IPin* receivePin, const MediaType* partial, IEnumMediaTypes* types) {
    HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
    MediaType candidate;
    while (types->Next(1, &candidate, nullptr) == S_OK) {
        if (partial && !partial->MatchesPartial(candidate))
            continue;
        HRESULT hr = attemptConnection(receivePin, candidate);
        if (SUCCEEDED(hr))
            return hr;
        // Remember the most telling failure: a refused type is the usual one.
        if (hr != VFW_E_TYPE_NOT_ACCEPTED || failure == VFW_E_NO_ACCEPTABLE_TYPES)
            failure = hr;
    }
    return failure;
}

HRESULT BasePin::attemptConnection(IPin* receivePin, const MediaType& type) {
    HRESULT hr = CheckConnect(receivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    if (CheckMediaType(&type) != S_OK) {
        BreakConnect();
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    setConnected(receivePin);
    hr = SetMediaType(&type);
    if (SUCCEEDED(hr))
        hr = receivePin->ReceiveConnection(static_cast<IPin*>(this), &type);
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(receivePin);
        if (SUCCEEDED(hr))
            return S_OK;
        receivePin->Disconnect();
    }
    BreakConnect();
    clearConnection();
    return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT BasePin::ReceiveConnection(IPin* connector, const MediaType* type) {
    if (!connector || !type)
        return E_POINTER;
    AutoLock lock(lock_);
    HRESULT hr = checkConnectable(connector);
    if (FAILED(hr))
        return hr;
    hr = CheckConnect(connector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    if (CheckMediaType(type) != S_OK) {
        BreakConnect();
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    setConnected(connector);
    hr = SetMediaType(type);
    if (SUCCEEDED(hr))
        hr = CompleteConnect(connector);
    if (FAILED(hr)) {
        BreakConnect();
        clearConnection();
    }
    return hr;
}

HRESULT BasePin::Disconnect() {
    AutoLock lock(lock_);
    if (!filterIsStopped())
        return VFW_E_NOT_STOPPED;
    if (!IsConnected())
        return S_FALSE;
    HRESULT hr = BreakConnect();
    clearConnection();
    return FAILED(hr) ? hr : S_OK;
}

void BasePin::setConnected(IPin* peer) {
    std::lock_guard guard(connectionMutex_);
    connected_ = peer;
}

void BasePin::clearConnection() {
    std::lock_guard guard(connectionMutex_);
    connected_ = nullptr;
    mediaType_ = MediaType();
}

HRESULT BasePin::ConnectedTo(IPin** pin) {
    if (!pin)
        return E_POINTER;
    std::lock_guard guard(connectionMutex_);
    *pin = nullptr;
    if (!IsConnected())
        return VFW_E_NOT_CONNECTED;
    return connected_.CopyTo(pin);
}

HRESULT BasePin::ConnectionMediaType(MediaType* type) {
    if (!type)
        return E_POINTER;
    std::lock_guard guard(connectionMutex_);
    if (!IsConnected()) {
        *type = MediaType();
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(type, &mediaType_);
}

HRESULT BasePin::QueryPinInfo(PIN_INFO* info) {
    if (!info)
        return E_POINTER;
    info->pFilter = static_cast<IBaseFilter*>(filter_);
    info->dir = direction_;
    info->achName = name_;
    return S_OK;
}

HRESULT BasePin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction)
        return E_POINTER;
    *direction = direction_;
    return S_OK;
}

HRESULT BasePin::QueryId(std::u16string* id) {
    if (!id)
        return E_POINTER;
    *id = name_;
    return S_OK;
}

HRESULT BasePin::QueryAccept(const MediaType* type) {
    if (!type)
        return E_POINTER;
    return CheckMediaType(type) == S_OK ? S_OK : S_FALSE;
}

HRESULT BasePin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types)
        return E_POINTER;
    std::vector<MediaType> list;
    {
        AutoLock lock(lock_);
        for (int i = 0;; ++i) {
            MediaType type;
            if (GetMediaType(i, &type) != S_OK)
                break;
            list.push_back(std::move(type));
        }
    }
    auto enumerator = MakeComObject<MediaTypeEnumerator>(std::move(list));
    if (!enumerator)
        return E_OUTOFMEMORY;
    *types = enumerator.Detach();
    return S_OK;
}

HRESULT BasePin::GetMediaType(int position, MediaType* type) {
    if (!type)
        return E_POINTER;
    return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

HRESULT BasePin::SetMediaType(const MediaType* type) {
    if (!type)
        return E_POINTER;
    std::lock_guard guard(connectionMutex_);
    return CopyMediaType(&mediaType_, type);
}

HRESULT BasePin::CheckConnect(IPin* /*pin*/) {
    return S_OK;
}
HRESULT BasePin::CompleteConnect(IPin* /*receivePin*/) {
    return S_OK;
}
HRESULT BasePin::BreakConnect() {
    return S_OK;
}

} // namespace zentar

#include "filters/MediaReader.h"

#include "filters/CreateFilter.h"

#include <algorithm>
#include <cstring>

namespace zentar {

ComPtr<IBaseFilter> MediaReader::Create(HRESULT* result) {
    return CreateFilter<MediaReader>(result);
}

MediaReader::MediaReader() : BaseRenderer(CLSID_MediaReader, u"In") {}

MediaReader::~MediaReader() = default;

void* MediaReader::QueryInterfaceExtra(REFIID iid) {
    if (iid == IMediaReader::kIid)
        return static_cast<IMediaReader*>(this);
    return BaseRenderer::QueryInterfaceExtra(iid);
}

HRESULT MediaReader::SetRequestedType(const MediaType* type, const GUID* requiredFormatType) {
    if (!type || !requiredFormatType)
        return E_POINTER;
    AutoLock lock(interfaceLock());
    HRESULT hr = CopyMediaType(&requestedType_, type);
    if (FAILED(hr))
        return hr;
    requiredFormatType_ = *requiredFormatType;
    hasRequest_ = true;
    return S_OK;
}

HRESULT MediaReader::GetConnectedType(MediaType* type) {
    if (!type)
        return E_POINTER;
    std::lock_guard lock(resultMutex_);
    return CopyMediaType(type, &connectedType_);
}

HRESULT MediaReader::GetBufferSize(ULONG* size) {
    if (!size)
        return E_INVALIDARG;
    *size = 0;
    ComPtr<IMemAllocator> allocator;
    ALLOCATOR_PROPERTIES props;
    if (SUCCEEDED(InputPin()->GetAllocator(allocator.GetAddressOf())) && allocator &&
        SUCCEEDED(allocator->GetProperties(&props)) && props.cbBuffer > 0)
        *size = static_cast<ULONG>(props.cbBuffer);
    return S_OK;
}

HRESULT MediaReader::SetDiscard(BOOL discard) {
    if (discard)
        discardEvent_.Set();
    else
        discardEvent_.Reset();
    return S_OK;
}

HRESULT MediaReader::RequestSample() {
    requestEvent_.Set();
    return S_OK;
}

HRESULT MediaReader::SetBuffer(ULONG capacity, BYTE* buffer) {
    if (capacity == 0 || !buffer)
        return E_INVALIDARG;
    AutoLock lock(interfaceLock());
    capacity_ = capacity;
    buffer_ = buffer;
    return S_OK;
}

HRESULT MediaReader::GetDataLength(BOOL reset, ULONG* length) {
    if (!length)
        return E_POINTER;
    std::lock_guard lock(resultMutex_);
    *length = dataLength_;
    if (reset)
        dataLength_ = 0;
    return S_OK;
}

HRESULT MediaReader::GetSampleTimes(BOOL reset, REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    if (!start || !stop)
        return E_POINTER;
    std::lock_guard lock(resultMutex_);
    *start = sampleStart_;
    *stop = sampleStop_;
    if (reset) {
        sampleStart_ = 0;
        sampleStop_ = 0;
    }
    return S_OK;
}

HRESULT MediaReader::SetNotifyEvent(HANDLE event) {
    AutoLock lock(interfaceLock());
    notifyEvent_ = event;
    return S_OK;
}

HRESULT MediaReader::GetInputPin(IPin** pin) {
    if (!pin)
        return E_POINTER;
    *pin = InputPin(); // no reference added: the pin lives as long as the filter
    return S_OK;
}

HRESULT MediaReader::CheckMediaType(const MediaType* type) {
    if (!type)
        return E_POINTER;
    AutoLock lock(interfaceLock());
    if (!hasRequest_)
        return S_FALSE;
    if (requestedType_.IsPartiallySpecified()) {
        if (!requestedType_.MatchesPartial(*type))
            return S_FALSE;
        if (requiredFormatType_ != GUID_NULL && type->formattype != requiredFormatType_)
            return S_FALSE;
        return S_OK;
    }
    const bool same =
        type->majortype == requestedType_.majortype && type->subtype == requestedType_.subtype &&
        type->formattype == requestedType_.formattype && type->format == requestedType_.format;
    return same ? S_OK : S_FALSE;
}

HRESULT MediaReader::SetMediaType(const MediaType* type) {
    if (!type)
        return E_POINTER;
    AutoLock lock(interfaceLock());
    std::lock_guard resultLock(resultMutex_);
    return CopyMediaType(&connectedType_, type);
}

HRESULT MediaReader::GetMediaType(int position, MediaType* type) {
    if (!type)
        return E_POINTER;
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    AutoLock lock(interfaceLock());
    if (!hasRequest_)
        return VFW_S_NO_MORE_ITEMS;
    return CopyMediaType(type, &requestedType_);
}

HRESULT MediaReader::DoRenderSample(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    // Discard wins over a pending request (which then stays for the next sample); a
    // Stop or flush of the renderer ends the wait as well, so Stop always returns.
    HANDLE handles[3] = {&discardEvent_, StopWakeHandle(), &requestEvent_};
    const DWORD woken = WaitForMultipleObjects(3, handles, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0)
        return S_OK; // dropped
    if (woken != WAIT_OBJECT_0 + 2)
        return S_FALSE; // stopping or flushing: nothing more is rendered
    copySampleLocked(sample);
    return S_OK;
}

void MediaReader::copySampleLocked(IMediaSample* sample) {
    BYTE* data = nullptr;
    ULONG copied = 0;
    if (SUCCEEDED(sample->GetPointer(&data)) && data && buffer_) {
        // A length outside the sample's own buffer is not trusted beyond that buffer.
        const LONG length = std::clamp(sample->GetActualDataLength(), LONG(0), sample->GetSize());
        copied = std::min(static_cast<ULONG>(length), capacity_);
        std::memcpy(buffer_, data, copied);
    }
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    if (FAILED(sample->GetTime(&start, &stop))) {
        start = 0;
        stop = 0;
    }
    {
        std::lock_guard lock(resultMutex_);
        dataLength_ = copied;
        sampleStart_ = start;
        sampleStop_ = stop;
    }
    if (notifyEvent_)
        SetEvent(notifyEvent_);
}

} // namespace zentar

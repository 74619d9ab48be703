#include "filters/WriterProxyPin.h"

#include "filters/WriterProxyFilter.h"

namespace zentar {

WriterProxyPin::WriterProxyPin(WriterProxyFilter* filter, std::u16string_view name)
    : SourceStream(filter, name), proxyFilter_(filter) {}

HRESULT WriterProxyPin::GetMediaType(int position, MediaType* type) {
    if (!type)
        return E_POINTER;
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    AutoLock lock(lock_);
    return buildMediaType(type);
}

HRESULT WriterProxyPin::SetMediaType(const MediaType* type) {
    AutoLock lock(lock_);
    return SourceStream::SetMediaType(type);
}

HRESULT WriterProxyPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    if (!allocator || !request)
        return E_POINTER;
    AutoLock lock(lock_);
    const uint64_t wanted = sampleBufferBytes();
    if (wanted == 0 || wanted > 0x7FFFFFFFull)
        return E_FAIL;
    request->cBuffers = 1; // alignment and prefix stay as downstream asked
    request->cbBuffer = static_cast<LONG>(wanted);
    ALLOCATOR_PROPERTIES actual;
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

HRESULT WriterProxyPin::OnThreadCreate() {
    AutoLock lock(pinLock_);
    proxyFilter_->handOver().startStream();
    startTimesLocked();
    return S_OK;
}

HRESULT WriterProxyPin::FillBuffer(IMediaSample* sample) {
    ProxyHandOver& handOver = proxyFilter_->handOver();
    if (!handOver.gateOpen())
        return S_FALSE; // the end push came while no push was awaited
    if (!handOver.waitForData(StopEvent()))
        return S_FALSE; // stopping
    const BYTE* data = handOver.data();
    if (!data) {
        handOver.signalConsumed();
        return S_FALSE;
    }
    AutoLock lock(pinLock_);
    HRESULT hr = fillSampleLocked(data, sample);
    // On a failure the push ends through the graph's EC_ERRORABORT instead.
    if (SUCCEEDED(hr))
        handOver.signalConsumed();
    return hr;
}

} // namespace zentar

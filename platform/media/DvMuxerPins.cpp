#include "platform/media/DvMuxerPins.h"

#include "platform/media/BufferSizing.h"
#include "platform/media/DvMuxerFilter.h"

namespace zentar {

DvMuxInputPin::DvMuxInputPin(DvMuxerFilter* filter, DvMuxInput kind, std::u16string_view name)
    : BaseInputPin(filter, name), mux_(filter), kind_(kind) {}

HRESULT DvMuxInputPin::CheckMediaType(const MediaType* type) {
    if (!type)
        return E_POINTER;
    return mux_->CheckInputType(kind_, *type);
}

HRESULT DvMuxInputPin::GetMediaType(int position, MediaType* type) {
    if (!type)
        return E_POINTER;
    return mux_->PreferredInputType(kind_, position, type);
}

HRESULT DvMuxInputPin::CompleteConnect(IPin* receivePin) {
    HRESULT hr = BaseInputPin::CompleteConnect(receivePin);
    if (SUCCEEDED(hr))
        mux_->InputConnectionChanged();
    return hr;
}

HRESULT DvMuxInputPin::BreakConnect() {
    HRESULT hr = BaseInputPin::BreakConnect();
    mux_->InputConnectionChanged();
    return hr;
}

HRESULT DvMuxInputPin::Receive(IMediaSample* sample) {
    HRESULT hr = BaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return mux_->ReceiveSample(kind_, sample);
}

HRESULT DvMuxInputPin::EndOfStream() {
    HRESULT hr = BaseInputPin::EndOfStream();
    if (hr != S_OK)
        return hr;
    return mux_->InputEnded(kind_);
}

DvMuxOutputPin::DvMuxOutputPin(DvMuxerFilter* filter, std::u16string_view name)
    : BaseOutputPin(filter, name), mux_(filter) {}

HRESULT DvMuxOutputPin::CheckMediaType(const MediaType* type) {
    if (!type)
        return E_POINTER;
    const std::optional<MediaType> offered = mux_->OutputType();
    return offered && *offered == *type ? S_OK : S_FALSE;
}

HRESULT DvMuxOutputPin::GetMediaType(int position, MediaType* type) {
    if (!type)
        return E_POINTER;
    if (position < 0)
        return E_INVALIDARG;
    const std::optional<MediaType> offered = mux_->OutputType();
    if (position > 0 || !offered)
        return VFW_S_NO_MORE_ITEMS;
    *type = *offered;
    return S_OK;
}

HRESULT DvMuxOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    const LONG needed = static_cast<LONG>(mux_->OutputSampleBytes());
    if (needed == 0)
        return VFW_E_NOT_CONNECTED;
    return RequestBuffers(allocator, request, 2, needed);
}

} // namespace zentar

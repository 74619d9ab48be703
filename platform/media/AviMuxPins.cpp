#include "platform/media/AviMuxPins.h"

#include "platform/media/AviMuxFilter.h"

namespace zentar {

AviMuxInputPin::AviMuxInputPin(AviMuxFilter* filter, std::u16string_view name)
    : BaseInputPin(filter, name), mux_(filter) {}

HRESULT AviMuxInputPin::CheckMediaType(const MediaType* type) {
    if (!type)
        return E_POINTER;
    return mux_->CheckInputType(*type);
}

HRESULT AviMuxInputPin::CompleteConnect(IPin* receivePin) {
    HRESULT hr = BaseInputPin::CompleteConnect(receivePin);
    if (SUCCEEDED(hr))
        mux_->OnInputConnected();
    return hr;
}

HRESULT AviMuxInputPin::Receive(IMediaSample* sample) {
    HRESULT hr = BaseInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    return mux_->ReceiveSample(this, sample);
}

HRESULT AviMuxInputPin::EndOfStream() {
    HRESULT hr = BaseInputPin::EndOfStream();
    if (hr != S_OK)
        return hr;
    return mux_->InputEnded(this);
}

AviMuxOutputPin::AviMuxOutputPin(AviMuxFilter* filter, std::u16string_view name)
    : BaseOutputPin(filter, name) {}

HRESULT AviMuxOutputPin::CheckMediaType(const MediaType* type) {
    if (!type)
        return E_POINTER;
    return type->majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
}

HRESULT AviMuxOutputPin::GetMediaType(int position, MediaType* type) {
    if (!type)
        return E_POINTER;
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = MediaType();
    type->majortype = MEDIATYPE_Stream;
    type->subtype = MEDIASUBTYPE_Avi;
    type->formattype = FORMAT_None;
    return S_OK;
}

HRESULT AviMuxOutputPin::CheckConnect(IPin* pin) {
    HRESULT hr = BaseOutputPin::CheckConnect(pin);
    if (FAILED(hr))
        return hr;
    // The file is written with random access, which only the file writer offers.
    PIN_INFO info;
    if (FAILED(pin->QueryPinInfo(&info)) || !info.pFilter)
        return VFW_E_NO_TRANSPORT;
    ComPtr<IFileWriterStream> writer;
    if (FAILED(info.pFilter.As(writer)))
        return VFW_E_NO_TRANSPORT;
    writer_ = writer;
    return S_OK;
}

HRESULT AviMuxOutputPin::BreakConnect() {
    writer_ = nullptr;
    return BaseOutputPin::BreakConnect();
}

HRESULT AviMuxOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    // Data goes through IFileWriterStream; the allocator only completes the connection.
    request->cBuffers = std::max<LONG>(request->cBuffers, 1);
    request->cbBuffer = std::max<LONG>(request->cbBuffer, 4096);
    ALLOCATOR_PROPERTIES actual;
    return allocator->SetProperties(request, &actual);
}

} // namespace zentar

#include "platform/streaming/BaseOutputPin.h"

#include "platform/streaming/MemAllocator.h"

namespace zentar {

BaseOutputPin::BaseOutputPin(BaseFilter* filter, std::u16string_view name)
    : BasePin(filter, PINDIR_OUTPUT, name) {}

HRESULT BaseOutputPin::CheckConnect(IPin* pin) {
    ComPtr<IMemInputPin> input;
    if (FAILED(ComPtr<IPin>(pin).As(input)))
        return VFW_E_NO_TRANSPORT;
    input_ = input;
    return S_OK;
}

HRESULT BaseOutputPin::CompleteConnect(IPin* /*receivePin*/) {
    if (!input_)
        return VFW_E_NO_TRANSPORT;
    return DecideAllocator(input_.Get(), allocator_);
}

HRESULT BaseOutputPin::BreakConnect() {
    if (allocator_)
        allocator_->Decommit();
    allocator_ = nullptr;
    input_ = nullptr;
    return S_OK;
}

HRESULT BaseOutputPin::DecideAllocator(IMemInputPin* input, ComPtr<IMemAllocator>& allocator) {
    ALLOCATOR_PROPERTIES request;
    input->GetAllocatorRequirements(&request);
    if (request.cbAlign == 0)
        request.cbAlign = 1;

    ComPtr<IMemAllocator> candidate;
    HRESULT hr = input->GetAllocator(candidate.GetAddressOf());
    if (SUCCEEDED(hr) && candidate) {
        hr = DecideBufferSize(candidate.Get(), &request);
        if (SUCCEEDED(hr) && SUCCEEDED(input->NotifyAllocator(candidate.Get(), FALSE))) {
            allocator = candidate;
            return S_OK;
        }
    }
    // The input offers none (or refused ours): use an allocator of our own.
    ComPtr<MemAllocator> own = MemAllocator::Create();
    if (!own)
        return E_OUTOFMEMORY;
    hr = DecideBufferSize(own.Get(), &request);
    if (FAILED(hr))
        return hr;
    hr = input->NotifyAllocator(own.Get(), FALSE);
    if (FAILED(hr))
        return hr;
    allocator = own;
    return S_OK;
}

HRESULT BaseOutputPin::Active() {
    return allocator_ ? allocator_->Commit() : VFW_E_NO_ALLOCATOR;
}

HRESULT BaseOutputPin::Inactive() {
    return allocator_ ? allocator_->Decommit() : S_OK;
}

HRESULT BaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                         REFERENCE_TIME* stop, DWORD flags) {
    if (!allocator_)
        return VFW_E_NO_ALLOCATOR;
    return allocator_->GetBuffer(sample, start, stop, flags);
}

HRESULT BaseOutputPin::Deliver(IMediaSample* sample) {
    if (!input_)
        return VFW_E_NOT_CONNECTED;
    return input_->Receive(sample);
}

HRESULT BaseOutputPin::DeliverEndOfStream() {
    IPin* peer = GetConnected();
    return peer ? peer->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT BaseOutputPin::DeliverBeginFlush() {
    IPin* peer = GetConnected();
    return peer ? peer->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT BaseOutputPin::DeliverEndFlush() {
    IPin* peer = GetConnected();
    return peer ? peer->EndFlush() : VFW_E_NOT_CONNECTED;
}

} // namespace zentar

#include "platform/streaming/TransformPins.h"

#include "platform/streaming/TransformFilter.h"

namespace zentar {

TransformInputPin::TransformInputPin(TransformFilter* filter, std::u16string_view name)
    : BaseInputPin(filter, name), transform_(filter) {}

HRESULT TransformInputPin::CheckMediaType(const MediaType* type) {
    if (!type)
        return E_POINTER;
    return transform_->CheckInputType(type);
}

HRESULT TransformInputPin::SetMediaType(const MediaType* type) {
    HRESULT hr = BaseInputPin::SetMediaType(type);
    return FAILED(hr) ? hr : transform_->SetMediaType(PINDIR_INPUT, type);
}

HRESULT TransformInputPin::CompleteConnect(IPin* receivePin) {
    return transform_->CompleteConnect(PINDIR_INPUT, receivePin);
}

HRESULT TransformInputPin::BreakConnect() {
    transform_->BreakConnect(PINDIR_INPUT);
    return BaseInputPin::BreakConnect();
}

HRESULT TransformInputPin::Receive(IMediaSample* sample) {
    AutoLock lock(transform_->receiveLock_);
    return transform_->Receive(sample);
}

HRESULT TransformInputPin::EndOfStream() {
    AutoLock lock(transform_->receiveLock_);
    return transform_->EndOfStream();
}

HRESULT TransformInputPin::BeginFlush() {
    return transform_->BeginFlush();
}
HRESULT TransformInputPin::EndFlush() {
    return transform_->EndFlush();
}

TransformOutputPin::TransformOutputPin(TransformFilter* filter, std::u16string_view name)
    : BaseOutputPin(filter, name), transform_(filter) {}

HRESULT TransformOutputPin::CheckMediaType(const MediaType* type) {
    if (!type)
        return E_POINTER;
    TransformInputPin* input = transform_->InputPin();
    if (!input->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return transform_->CheckTransform(&input->CurrentMediaType(), type);
}

HRESULT TransformOutputPin::GetMediaType(int position, MediaType* type) {
    if (!type)
        return E_POINTER;
    if (!transform_->InputPin()->IsConnected())
        return VFW_S_NO_MORE_ITEMS;
    return transform_->GetMediaType(position, type);
}

HRESULT TransformOutputPin::SetMediaType(const MediaType* type) {
    HRESULT hr = BaseOutputPin::SetMediaType(type);
    return FAILED(hr) ? hr : transform_->SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT TransformOutputPin::CompleteConnect(IPin* receivePin) {
    HRESULT hr = BaseOutputPin::CompleteConnect(receivePin);
    return FAILED(hr) ? hr : transform_->CompleteConnect(PINDIR_OUTPUT, receivePin);
}

HRESULT TransformOutputPin::BreakConnect() {
    transform_->BreakConnect(PINDIR_OUTPUT);
    return BaseOutputPin::BreakConnect();
}

void* TransformOutputPin::QueryInterfaceExtra(REFIID iid) {
    return interfaceProvider_ ? interfaceProvider_(iid) : nullptr;
}

HRESULT TransformOutputPin::DecideBufferSize(IMemAllocator* allocator,
                                             ALLOCATOR_PROPERTIES* request) {
    return transform_->DecideBufferSize(allocator, request);
}

} // namespace zentar

#include "platform/streaming/RendererInputPin.h"

#include "platform/streaming/BaseRenderer.h"

namespace zentar {

RendererInputPin::RendererInputPin(BaseRenderer* renderer, std::u16string_view name)
    : BaseInputPin(renderer, name), renderer_(renderer) {}

HRESULT RendererInputPin::CheckMediaType(const MediaType* type) {
    if (!type)
        return E_POINTER;
    return renderer_->CheckMediaType(type);
}

HRESULT RendererInputPin::GetMediaType(int position, MediaType* type) {
    return renderer_->GetMediaType(position, type);
}

HRESULT RendererInputPin::SetMediaType(const MediaType* type) {
    HRESULT hr = BaseInputPin::SetMediaType(type);
    return FAILED(hr) ? hr : renderer_->SetMediaType(type);
}

HRESULT RendererInputPin::BreakConnect() {
    renderer_->BreakConnect();
    return BaseInputPin::BreakConnect();
}

HRESULT RendererInputPin::CompleteConnect(IPin* receivePin) {
    HRESULT hr = BaseInputPin::CompleteConnect(receivePin);
    return FAILED(hr) ? hr : renderer_->CompleteConnect(receivePin);
}

HRESULT RendererInputPin::Receive(IMediaSample* sample) {
    return renderer_->Receive(sample);
}
HRESULT RendererInputPin::EndOfStream() {
    return renderer_->EndOfStream();
}
HRESULT RendererInputPin::BeginFlush() {
    return renderer_->BeginFlush();
}
HRESULT RendererInputPin::EndFlush() {
    return renderer_->EndFlush();
}

} // namespace zentar

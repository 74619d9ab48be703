// RendererInputPin: the single input pin ("In") of a BaseRenderer. It forwards type
// negotiation, samples, end of stream and flushing to the renderer, which owns the
// protocol; it runs on the calling thread (the upstream streaming thread for samples).
#pragma once

#include "platform/streaming/BaseInputPin.h"

namespace zentar {

class BaseRenderer;

class RendererInputPin : public BaseInputPin {
public:
    RendererInputPin(BaseRenderer* renderer, std::u16string_view name);

    HRESULT CheckMediaType(const MediaType* type) override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT SetMediaType(const MediaType* type) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;

    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

    // The base checks, for the renderer (which runs them under its interface lock).
    HRESULT baseReceiveCheck(IMediaSample* sample) { return BaseInputPin::Receive(sample); }
    HRESULT baseEndOfStream() { return BaseInputPin::EndOfStream(); }
    HRESULT baseBeginFlush() { return BaseInputPin::BeginFlush(); }
    HRESULT baseEndFlush() { return BaseInputPin::EndFlush(); }

private:
    BaseRenderer* const renderer_;
};

} // namespace zentar

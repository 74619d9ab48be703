// The two pins of a TransformFilter: TransformInputPin ("In") and TransformOutputPin
// ("Out"). They forward negotiation and streaming calls to the filter; the input pin
// takes the filter's receiveLock_ around Receive and EndOfStream, so the filter's
// hooks run serialised on the upstream streaming thread.
#pragma once

#include "platform/streaming/BaseInputPin.h"
#include "platform/streaming/BaseOutputPin.h"

#include <functional>

namespace zentar {

class TransformFilter;

class TransformInputPin : public BaseInputPin {
public:
    TransformInputPin(TransformFilter* filter, std::u16string_view name);

    HRESULT CheckMediaType(const MediaType* type) override;
    HRESULT SetMediaType(const MediaType* type) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

    // The base checks (state, flushing, end of stream) for the filter.
    HRESULT baseReceiveCheck(IMediaSample* sample) { return BaseInputPin::Receive(sample); }
    HRESULT baseEndOfStream() { return BaseInputPin::EndOfStream(); }
    HRESULT baseBeginFlush() { return BaseInputPin::BeginFlush(); }
    HRESULT baseEndFlush() { return BaseInputPin::EndFlush(); }

private:
    TransformFilter* const transform_;
};

class TransformOutputPin : public BaseOutputPin {
public:
    TransformOutputPin(TransformFilter* filter, std::u16string_view name);

    HRESULT CheckMediaType(const MediaType* type) override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT SetMediaType(const MediaType* type) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    // Further interfaces the output pin answers (a compressor's controls live on its
    // output pin); the provider returns nullptr for the others. Set while the filter is
    // built, before the pin is handed out.
    void SetInterfaceProvider(std::function<void*(REFIID)> provider) {
        interfaceProvider_ = std::move(provider);
    }

protected:
    void* QueryInterfaceExtra(REFIID iid) override;

private:
    TransformFilter* const transform_;
    std::function<void*(REFIID)> interfaceProvider_; // fixed once the filter is built
};

} // namespace zentar

// BaseOutputPin: the output side of a connection. At connection it finds the input's
// IMemInputPin and decides the allocator (the input's, or a MemAllocator of its own)
// with DecideBufferSize; it commits the allocator when the filter leaves Stopped and
// decommits it at Stop (which wakes a streaming thread blocked in GetDeliveryBuffer).
// Deliver, DeliverEndOfStream and the flush calls run on the streaming thread (or the
// control thread for flushing) and pass straight to the connected input pin.
#pragma once

#include "platform/streaming/BasePin.h"

namespace zentar {

class BaseOutputPin : public BasePin {
public:
    BaseOutputPin(BaseFilter* filter, std::u16string_view name);

    // Sizes the allocator: fill `request` (it holds the input's requirements) and call
    // allocator->SetProperties; fail when the actual size is too small.
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
    // Chooses the allocator: the input pin's, else a new MemAllocator.
    virtual HRESULT DecideAllocator(IMemInputPin* input, ComPtr<IMemAllocator>& allocator);

    // An empty sample from the allocator; blocks while all are in use.
    virtual HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                      REFERENCE_TIME* stop, DWORD flags);
    // Passes a sample to the connected input pin (its Receive result is returned).
    virtual HRESULT Deliver(IMediaSample* sample);
    virtual HRESULT DeliverEndOfStream();
    virtual HRESULT DeliverBeginFlush();
    virtual HRESULT DeliverEndFlush();

    HRESULT CheckConnect(IPin* pin) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    IMemAllocator* allocator() const { return allocator_.Get(); } // borrowed

protected:
    // Written under lock_ while Stopped (connection); read by the streaming thread.
    ComPtr<IMemInputPin> input_;
    ComPtr<IMemAllocator> allocator_;
};

} // namespace zentar

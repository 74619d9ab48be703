// BaseInputPin: the receiving side of a connection (IPin and IMemInputPin). It offers
// a MemAllocator of its own, tracks flushing and end of stream (atomics: set by the
// streaming thread or by flushing on the control thread) and refuses samples while
// the filter is Stopped, while flushing and after end of stream. Subclasses call
// checkStreaming() at the top of Receive and EndOfStream.
#pragma once

#include "platform/streaming/BasePin.h"

#include <atomic>

namespace zentar {

class BaseInputPin : public BasePin, public IMemInputPin {
public:
    BaseInputPin(BaseFilter* filter, std::u16string_view name);

    // IUnknown of both interfaces: the filter's count.
    HRESULT QueryInterface(REFIID iid, void** object) override {
        return BasePin::QueryInterface(iid, object);
    }
    ULONG AddRef() override { return BasePin::AddRef(); }
    ULONG Release() override { return BasePin::Release(); }

    // IMemInputPin
    HRESULT GetAllocator(IMemAllocator** allocator) override;
    HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    // The base checks the state; subclasses process the sample after that.
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT ReceiveCanBlock() override { return S_OK; }

    // IPin streaming calls: the base keeps the flags.
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

    HRESULT BreakConnect() override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    // The connection's allocator (borrowed), or nullptr when none has been agreed.
    IMemAllocator* PeekAllocator() const { return allocator_.Get(); }
    bool IsFlushing() const { return flushing_.load(std::memory_order_acquire); }
    bool AtEndOfStream() const { return endOfStream_.load(std::memory_order_acquire); }

protected:
    void* QueryInterfaceExtra(REFIID iid) override;
    // S_OK when a sample or end of stream may pass now; VFW_E_WRONG_STATE when the
    // filter is stopped, S_FALSE while flushing, VFW_E_SAMPLE_REJECTED_EOS after end
    // of stream.
    HRESULT checkStreaming() const;

    // Written under lock_ while Stopped (connection); read by the streaming thread.
    ComPtr<IMemAllocator> allocator_;
    bool readOnly_ = false;

private:
    std::atomic<bool> flushing_{false};
    std::atomic<bool> endOfStream_{false};
};

} // namespace zentar

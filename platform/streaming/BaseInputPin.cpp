#include "platform/streaming/BaseInputPin.h"

#include "platform/streaming/BaseFilter.h"
#include "platform/streaming/MemAllocator.h"

namespace zentar {

BaseInputPin::BaseInputPin(BaseFilter* filter, std::u16string_view name)
    : BasePin(filter, PINDIR_INPUT, name) {}

void* BaseInputPin::QueryInterfaceExtra(REFIID iid) {
    if (iid == IMemInputPin::kIid)
        return static_cast<IMemInputPin*>(this);
    return nullptr;
}

HRESULT BaseInputPin::GetAllocator(IMemAllocator** allocator) {
    if (!allocator)
        return E_POINTER;
    AutoLock lock(lock_);
    if (!allocator_) {
        allocator_ = MemAllocator::Create();
        if (!allocator_)
            return E_OUTOFMEMORY;
    }
    return allocator_.CopyTo(allocator);
}

HRESULT BaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
    if (!allocator)
        return E_POINTER;
    AutoLock lock(lock_);
    allocator_ = allocator;
    readOnly_ = readOnly != FALSE;
    return S_OK;
}

HRESULT BaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
    if (!props)
        return E_POINTER;
    *props = ALLOCATOR_PROPERTIES(); // no requirements of our own
    return S_OK;
}

HRESULT BaseInputPin::checkStreaming() const {
    if (filter_->state() == State_Stopped)
        return VFW_E_WRONG_STATE;
    if (IsFlushing())
        return S_FALSE;
    if (AtEndOfStream())
        return VFW_E_SAMPLE_REJECTED_EOS;
    return S_OK;
}

HRESULT BaseInputPin::Receive(IMediaSample* sample) {
    if (!sample)
        return E_POINTER;
    return checkStreaming();
}

HRESULT BaseInputPin::EndOfStream() {
    HRESULT hr = checkStreaming();
    if (hr != S_OK)
        return hr == VFW_E_SAMPLE_REJECTED_EOS ? S_FALSE : hr;
    endOfStream_.store(true, std::memory_order_release);
    return S_OK;
}

HRESULT BaseInputPin::BeginFlush() {
    flushing_.store(true, std::memory_order_release);
    return S_OK;
}

HRESULT BaseInputPin::EndFlush() {
    endOfStream_.store(false, std::memory_order_release);
    flushing_.store(false, std::memory_order_release);
    return S_OK;
}

HRESULT BaseInputPin::BreakConnect() {
    allocator_ = nullptr;
    readOnly_ = false;
    return S_OK;
}

HRESULT BaseInputPin::Active() {
    endOfStream_.store(false, std::memory_order_release);
    flushing_.store(false, std::memory_order_release);
    return S_OK;
}

HRESULT BaseInputPin::Inactive() {
    if (allocator_)
        allocator_->Decommit();
    return S_OK;
}

} // namespace zentar

#include "platform/streaming/MediaSample.h"

#include "platform/streaming/MemAllocator.h"

#include <new>

namespace zentar {

MediaSample::MediaSample(LONG size, LONG align, LONG prefix)
    : size_(size), prefix_(prefix),
      memory_(nullptr, AlignedFree{std::align_val_t(align > 0 ? align : 1)}) {
    const size_t alignment = static_cast<size_t>(align > 0 ? align : 1);
    // The prefix lies before the data pointer; the data pointer is the aligned one.
    const size_t prefixRounded =
        (static_cast<size_t>(prefix) + alignment - 1) / alignment * alignment;
    const size_t total = prefixRounded + static_cast<size_t>(size);
    BYTE* raw = static_cast<BYTE*>(
        ::operator new[](total > 0 ? total : 1, std::align_val_t(alignment), std::nothrow));
    memory_.reset(raw);
    offset_ = prefixRounded;
}

MediaSample::~MediaSample() = default;

HRESULT MediaSample::QueryInterface(REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    if (iid == IID_IUnknown || iid == IMediaSample::kIid) {
        *object = static_cast<IMediaSample*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG MediaSample::AddRef() {
    return refCount_.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG MediaSample::Release() {
    const ULONG left = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left != 0)
        return left;
    // Keep the allocator alive until it has taken the sample back: it may delete the
    // sample, and the sample's reference may be the allocator's last one.
    ComPtr<IMemAllocator> allocator = std::move(allocator_);
    MemAllocator* owner = owner_;
    owner_ = nullptr;
    if (owner)
        owner->returnSample(this);
    return 0;
}

void MediaSample::handOut(MemAllocator* allocator) {
    owner_ = allocator;
    allocator_ = static_cast<IMemAllocator*>(allocator);
    actualLength_ = 0;
    hasStart_ = hasStop_ = false;
    start_ = stop_ = 0;
    sync_ = discontinuity_ = false;
    refCount_.store(1, std::memory_order_relaxed);
}

HRESULT MediaSample::GetPointer(BYTE** buffer) {
    if (!buffer)
        return E_POINTER;
    *buffer = memory_.get() + offset_;
    return S_OK;
}

HRESULT MediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
    if (!start || !stop)
        return E_POINTER;
    if (!hasStart_)
        return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = start_;
    if (!hasStop_) {
        *stop = start_ + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *stop = stop_;
    return S_OK;
}

HRESULT MediaSample::SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) {
    hasStart_ = start != nullptr;
    hasStop_ = hasStart_ && stop != nullptr;
    start_ = hasStart_ ? *start : 0;
    stop_ = hasStop_ ? *stop : 0;
    return S_OK;
}

HRESULT MediaSample::SetSyncPoint(BOOL sync) {
    sync_ = sync != FALSE;
    return S_OK;
}

HRESULT MediaSample::SetDiscontinuity(BOOL discontinuity) {
    discontinuity_ = discontinuity != FALSE;
    return S_OK;
}

HRESULT MediaSample::SetActualDataLength(LONG length) {
    if (length < 0 || length > size_)
        return E_INVALIDARG;
    actualLength_ = length;
    return S_OK;
}

} // namespace zentar

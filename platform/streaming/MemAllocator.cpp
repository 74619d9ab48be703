#include "platform/streaming/MemAllocator.h"

#include <bit>

namespace zentar {

MemAllocator::~MemAllocator() = default;

HRESULT MemAllocator::SetProperties(const ALLOCATOR_PROPERTIES* request,
                                    ALLOCATOR_PROPERTIES* actual) {
    if (!request || !actual)
        return E_POINTER;
    const LONG align = request->cbAlign <= 0 ? 1 : request->cbAlign;
    if (!std::has_single_bit(static_cast<uint32_t>(align)))
        return VFW_E_BADALIGN;
    if (request->cBuffers < 0 || request->cbBuffer < 0 || request->cbPrefix < 0)
        return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    if (committed_)
        return VFW_E_ALREADY_COMMITTED;
    if (outstanding_ > 0)
        return VFW_E_BUFFERS_OUTSTANDING;
    props_.cBuffers = request->cBuffers > 0 ? request->cBuffers : 1;
    props_.cbBuffer = request->cbBuffer;
    props_.cbAlign = align;
    props_.cbPrefix = request->cbPrefix;
    propertiesSet_ = true;
    *actual = props_;
    return S_OK;
}

HRESULT MemAllocator::GetProperties(ALLOCATOR_PROPERTIES* props) {
    if (!props)
        return E_POINTER;
    std::lock_guard lock(mutex_);
    *props = props_;
    return S_OK;
}

HRESULT MemAllocator::Commit() {
    std::lock_guard lock(mutex_);
    if (committed_)
        return S_OK;
    if (!propertiesSet_ || props_.cbBuffer <= 0)
        return VFW_E_SIZENOTSET;
    // Samples still out from before a Decommit are deleted when they return; the new
    // pool is complete on its own.
    std::vector<std::unique_ptr<MediaSample>> pool;
    for (LONG i = 0; i < props_.cBuffers; ++i) {
        auto sample =
            std::make_unique<MediaSample>(props_.cbBuffer, props_.cbAlign, props_.cbPrefix);
        if (!sample->valid())
            return E_OUTOFMEMORY;
        sample->generation_ = generation_ + 1;
        pool.push_back(std::move(sample));
    }
    ++generation_;
    free_ = std::move(pool);
    committed_ = true;
    return S_OK;
}

HRESULT MemAllocator::Decommit() {
    std::vector<std::unique_ptr<MediaSample>> released;
    {
        std::lock_guard lock(mutex_);
        committed_ = false;
        released.swap(free_);
    }
    bufferFree_.notify_all();
    return S_OK; // `released` frees the idle buffers outside the lock
}

HRESULT MemAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                DWORD /*flags*/) {
    if (!sample)
        return E_POINTER;
    *sample = nullptr;
    MediaSample* taken = nullptr;
    {
        std::unique_lock lock(mutex_);
        ++waiting_;
        bufferFree_.wait(lock, [&] { return !committed_ || !free_.empty(); });
        --waiting_;
        if (!committed_)
            return VFW_E_NOT_COMMITTED;
        taken = free_.back().release();
        free_.pop_back();
        ++outstanding_;
    }
    taken->handOut(this);
    if (start)
        taken->SetTime(start, stop);
    *sample = taken;
    return S_OK;
}

HRESULT MemAllocator::ReleaseBuffer(IMediaSample* sample) {
    // Samples return through their own Release; a direct call drops the caller's reference.
    if (!sample)
        return E_POINTER;
    sample->Release();
    return S_OK;
}

void MemAllocator::returnSample(MediaSample* sample) {
    std::unique_ptr<MediaSample> owned(sample);
    {
        std::lock_guard lock(mutex_);
        --outstanding_;
        if (committed_ && owned->generation_ == generation_) {
            free_.push_back(std::move(owned));
        }
    }
    bufferFree_.notify_one();
    // A sample from a decommitted or resized pool is deleted here, outside the lock.
}

int MemAllocator::waitingCount() {
    std::lock_guard lock(mutex_);
    return waiting_;
}

int MemAllocator::outstandingCount() {
    std::lock_guard lock(mutex_);
    return outstanding_;
}

} // namespace zentar

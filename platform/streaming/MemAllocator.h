// MemAllocator: a fixed pool of equal buffers negotiated between an output and an
// input pin (count, size, alignment, prefix). Commit allocates the pool, GetBuffer
// hands out a free sample and blocks while every sample is in use, Decommit wakes
// every waiter with VFW_E_NOT_COMMITTED and frees buffers as they come back.
// Callable from any thread; the pool is guarded by mutex_, which is never held while
// calling out of the allocator.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/streaming/MediaSample.h"
#include "platform/streaming/StreamingInterfaces.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace zentar {

class MemAllocator : public ComObject<IMemAllocator> {
public:
    static ComPtr<MemAllocator> Create() { return MakeComObject<MemAllocator>(); }

    HRESULT SetProperties(const ALLOCATOR_PROPERTIES* request,
                          ALLOCATOR_PROPERTIES* actual) override;
    HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) override;
    HRESULT Commit() override;
    HRESULT Decommit() override;
    HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                      DWORD flags) override;
    HRESULT ReleaseBuffer(IMediaSample* sample) override;

    // Samples handed out and not yet returned; threads waiting in GetBuffer.
    int outstandingCount();
    int waitingCount();

    MemAllocator() = default;
    ~MemAllocator() override;

private:
    friend class MediaSample;
    void returnSample(MediaSample* sample);

    std::mutex mutex_;
    std::condition_variable bufferFree_;             // signalled on return and on Decommit
    ALLOCATOR_PROPERTIES props_;                     // guarded by mutex_
    bool propertiesSet_ = false;                     // guarded by mutex_
    bool committed_ = false;                         // guarded by mutex_
    std::vector<std::unique_ptr<MediaSample>> free_; // guarded by mutex_
    int outstanding_ = 0;                            // guarded by mutex_
    int waiting_ = 0;                                // guarded by mutex_
    unsigned generation_ = 0;                        // guarded by mutex_; one per Commit
};

} // namespace zentar

// MediaSample: one buffer of a MemAllocator with its data length, times and flags.
// The allocator owns the sample while it is free; a sample handed out holds a
// reference to its allocator and goes back to it on its last Release. Used by one
// thread at a time (the one the sample was handed to); the count is atomic.
#pragma once

#include "platform/streaming/StreamingInterfaces.h"

#include <atomic>
#include <cstddef>
#include <memory>

namespace zentar {

class MemAllocator;

class MediaSample final : public IMediaSample {
public:
    MediaSample(LONG size, LONG align, LONG prefix);
    ~MediaSample() override;
    MediaSample(const MediaSample&) = delete;
    MediaSample& operator=(const MediaSample&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetPointer(BYTE** buffer) override;
    LONG GetSize() override { return size_; }
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) override;
    HRESULT IsSyncPoint() override { return sync_ ? S_OK : S_FALSE; }
    HRESULT SetSyncPoint(BOOL sync) override;
    HRESULT IsDiscontinuity() override { return discontinuity_ ? S_OK : S_FALSE; }
    HRESULT SetDiscontinuity(BOOL discontinuity) override;
    LONG GetActualDataLength() override { return actualLength_; }
    HRESULT SetActualDataLength(LONG length) override;

    bool valid() const { return memory_ != nullptr; }

private:
    friend class MemAllocator;
    // Called by the allocator when it hands the sample out.
    void handOut(MemAllocator* allocator);

    struct AlignedFree {
        std::align_val_t align;
        void operator()(BYTE* p) const { ::operator delete[](p, align); }
    };

    const LONG size_;
    const LONG prefix_;
    std::unique_ptr<BYTE[], AlignedFree> memory_;
    size_t offset_ = 0; // where the data starts, after the prefix
    std::atomic<ULONG> refCount_{0};
    // The allocator, referenced while the sample is handed out (set by handOut on the
    // thread that takes the sample, cleared by the last Release).
    ComPtr<IMemAllocator> allocator_;
    MemAllocator* owner_ = nullptr;
    unsigned generation_ = 0; // the allocator's commit that made it (set once)
    // Fields below belong to the thread that holds the sample.
    LONG actualLength_ = 0;
    REFERENCE_TIME start_ = 0;
    REFERENCE_TIME stop_ = 0;
    bool hasStart_ = false;
    bool hasStop_ = false;
    bool sync_ = false;
    bool discontinuity_ = false;
};

} // namespace zentar

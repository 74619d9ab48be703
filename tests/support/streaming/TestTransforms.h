// Transforms for framework tests:
//   PassThroughTransform: output type = input type, each sample copied once (can fail
//     Transform at one sample).
//   PairingTransform: the buffering variant: holds every odd sample and emits it with
//     the next one (zero, then two outputs per input); drains at end-of-stream and
//     drops its held sample on flush.
#pragma once

#include "platform/streaming/TransformFilter.h"

#include <atomic>
#include <vector>

namespace zentar::test {

inline constexpr CLSID CLSID_PassThroughTransform =
    MakeGuid("{5E1D0C3A-7A51-4C55-9B0E-3F2A61C0A003}");
inline constexpr CLSID CLSID_PairingTransform = MakeGuid("{5E1D0C3A-7A51-4C55-9B0E-3F2A61C0A004}");

class PassThroughTransform : public TransformFilter {
public:
    static ComPtr<PassThroughTransform> Create() { return MakeComObject<PassThroughTransform>(); }
    PassThroughTransform() : TransformFilter(CLSID_PassThroughTransform) {}

    HRESULT CheckInputType(const MediaType* input) override;
    HRESULT CheckTransform(const MediaType* input, const MediaType* output) override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT Transform(IMediaSample* input, IMediaSample* output) override;

    int failAt = -1; // Transform fails on this ordinal (set before running)
    HRESULT failWith = E_FAIL;

private:
    int ordinal_ = 0; // streaming thread
};

class PairingTransform : public PassThroughTransform {
public:
    static ComPtr<PairingTransform> Create() { return MakeComObject<PairingTransform>(); }

    HRESULT Receive(IMediaSample* input) override;
    HRESULT OnEndOfStream() override;
    void OnFlush() override;
    HRESULT StopStreaming() override;

private:
    struct Held {
        std::vector<BYTE> data;
        REFERENCE_TIME start = 0, stop = 0;
    };
    HRESULT emit(const Held& held);
    bool holding_ = false; // receiveLock_ (streaming thread, flush, stop)
    Held held_;            // receiveLock_
};

} // namespace zentar::test

// TestRenderer: a collecting renderer for framework tests. It accepts the types that
// match its (possibly partial) accepted type, records every rendered sample (index from
// the first four bytes, times, length, sync flag) and feeds a StreamChecker. It can
// fail DoRenderSample at one sample, block there until stopped (waiting on the
// stop-wake handle as a subclass must), keep samples to starve the upstream allocator,
// keep a copy of every rendered sample's bytes, or refuse samples with S_FALSE (takes no
// more) from one on. Tests wait for samples with bounded waits.
#pragma once

#include "platform/streaming/BaseRenderer.h"
#include "tests/support/streaming/StreamChecker.h"

#include <condition_variable>
#include <mutex>
#include <vector>

namespace zentar::test {

inline constexpr CLSID CLSID_TestRenderer = MakeGuid("{5E1D0C3A-7A51-4C55-9B0E-3F2A61C0A002}");

struct RenderedSample {
    int32_t index = -1;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    bool hasTimes = false;
    LONG length = 0;
    bool sync = false;
};

class TestRenderer : public BaseRenderer {
public:
    static ComPtr<TestRenderer> Create(MediaType accepted);
    explicit TestRenderer(MediaType accepted);

    HRESULT CheckMediaType(const MediaType* type) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT EndFlush() override;
    HRESULT Pause() override;

    // Set before the graph runs.
    int failAt = -1; // DoRenderSample fails on the sample with this ordinal
    HRESULT failWith = E_FAIL;
    int blockAt = -1;         // DoRenderSample blocks on this ordinal
    bool keepSamples = false; // hold every sample (never returned to the allocator)
    bool keepBytes = false;   // copy every rendered sample's bytes (payloads())
    int refuseFrom = -1;      // Receive answers S_FALSE from this ordinal on

    HANDLE BlockedHandle() { return &blocked_; }

    std::vector<RenderedSample> samples();
    std::vector<std::vector<BYTE>> payloads();
    bool waitForSamples(size_t count, int timeoutMs);
    bool waitForEndOfStream(int timeoutMs);
    void clear();
    StreamChecker& checker() { return checker_; }

private:
    const MediaType accepted_;
    StreamChecker checker_;
    Event blocked_{Event::ResetMode::Manual};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<RenderedSample> samples_;     // mutex_
    int ordinal_ = 0;                         // mutex_
    int endOfStreams_ = 0;                    // mutex_
    std::vector<ComPtr<IMediaSample>> kept_;  // mutex_
    std::vector<std::vector<BYTE>> payloads_; // mutex_
    int received_ = 0;                        // streaming thread only
};

} // namespace zentar::test

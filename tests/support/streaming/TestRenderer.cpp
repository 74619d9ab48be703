#include "tests/support/streaming/TestRenderer.h"

#include <chrono>
#include <cstring>

namespace zentar::test {

ComPtr<TestRenderer> TestRenderer::Create(MediaType accepted) {
    return MakeComObject<TestRenderer>(std::move(accepted));
}

TestRenderer::TestRenderer(MediaType accepted)
    : BaseRenderer(CLSID_TestRenderer), accepted_(std::move(accepted)) {}

HRESULT TestRenderer::CheckMediaType(const MediaType* type) {
    return accepted_.MatchesPartial(*type) ? S_OK : S_FALSE;
}

HRESULT TestRenderer::Receive(IMediaSample* sample) {
    if (refuseFrom >= 0 && received_++ >= refuseFrom)
        return S_FALSE;
    checker_.onSample();
    return BaseRenderer::Receive(sample);
}

HRESULT TestRenderer::EndOfStream() {
    checker_.onEndOfStream();
    HRESULT hr = BaseRenderer::EndOfStream();
    {
        std::lock_guard lock(mutex_);
        ++endOfStreams_;
    }
    changed_.notify_all();
    return hr;
}

HRESULT TestRenderer::EndFlush() {
    checker_.onFlush();
    return BaseRenderer::EndFlush();
}

HRESULT TestRenderer::Pause() {
    if (state() == State_Stopped)
        checker_.onStart();
    return BaseRenderer::Pause();
}

HRESULT TestRenderer::DoRenderSample(IMediaSample* sample) {
    checker_.onRender(state());
    RenderedSample record;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    record.length = sample->GetActualDataLength();
    if (record.length >= 4)
        std::memcpy(&record.index, data, 4);
    record.hasTimes = sample->GetTime(&record.start, &record.stop) == S_OK;
    record.sync = sample->IsSyncPoint() == S_OK;
    int ordinal;
    {
        std::lock_guard lock(mutex_);
        ordinal = ordinal_++;
        samples_.push_back(record);
        if (keepSamples)
            kept_.emplace_back(sample);
        if (keepBytes)
            payloads_.emplace_back(data, data + record.length);
    }
    changed_.notify_all();
    if (ordinal == blockAt) {
        blocked_.Set();
        // A renderer that waits must wake on the stop-wake handle.
        WaitForSingleObject(StopWakeHandle(), INFINITE);
    }
    return ordinal == failAt ? failWith : S_OK;
}

std::vector<RenderedSample> TestRenderer::samples() {
    std::lock_guard lock(mutex_);
    return samples_;
}

std::vector<std::vector<BYTE>> TestRenderer::payloads() {
    std::lock_guard lock(mutex_);
    return payloads_;
}

bool TestRenderer::waitForSamples(size_t count, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return samples_.size() >= count; });
}

bool TestRenderer::waitForEndOfStream(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return endOfStreams_ > 0; });
}

void TestRenderer::clear() {
    std::lock_guard lock(mutex_);
    samples_.clear();
    kept_.clear();
    ordinal_ = 0;
    endOfStreams_ = 0;
}

} // namespace zentar::test

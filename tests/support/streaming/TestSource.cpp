#include "tests/support/streaming/TestSource.h"

#include "platform/streaming/MediaGuids.h"

#include <cstring>

namespace zentar::test {

TestSourcePin::TestSourcePin(TestSource* filter, TestSourcePinConfig config)
    : SourceStream(filter, config.name), config_(std::move(config)) {}

HRESULT TestSourcePin::OnThreadCreate() {
    next_.store(startIndex_.load());
    blocked_.Reset();
    ++threadStarts_;
    return S_OK;
}

HRESULT TestSourcePin::FillBuffer(IMediaSample* sample) {
    const int index = next_.load();
    if (index >= config_.sampleCount)
        return S_FALSE;
    if (index == config_.failAt)
        return config_.failWith;
    if (index == config_.blockAt) {
        blocked_.Set();
        WaitForSingleObject(StopEvent(), INFINITE);
        return S_FALSE;
    }
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const LONG size = sample->GetSize();
    std::memset(data, index & 0xFF, static_cast<size_t>(size));
    if (size >= 4) {
        const int32_t value = index;
        std::memcpy(data, &value, 4);
    }
    sample->SetActualDataLength(size);
    REFERENCE_TIME start = index * config_.sampleDuration;
    REFERENCE_TIME stop = start + config_.sampleDuration;
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    next_.store(index + 1);
    return S_OK;
}

HRESULT TestSourcePin::GetMediaType(int position, MediaType* type) {
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = config_.type;
    return S_OK;
}

HRESULT TestSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    request->cBuffers = config_.bufferCount;
    request->cbBuffer =
        config_.bufferSize > 0 ? config_.bufferSize : static_cast<LONG>(config_.type.lSampleSize);
    ALLOCATOR_PROPERTIES actual;
    HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < request->cbBuffer ? E_FAIL : S_OK;
}

ComPtr<TestSource> TestSource::Create(std::vector<TestSourcePinConfig> pins) {
    return MakeComObject<TestSource>(std::move(pins));
}

TestSource::TestSource(std::vector<TestSourcePinConfig> pins) : SourceFilter(CLSID_TestSource) {
    for (auto& config : pins)
        AddPin(std::make_unique<TestSourcePin>(this, std::move(config)));
}

void* TestSource::QueryInterfaceExtra(REFIID iid) {
    if (iid == IMediaSeeking::kIid)
        return static_cast<IMediaSeeking*>(this);
    return SourceFilter::QueryInterfaceExtra(iid);
}

HRESULT TestSource::GetCapabilities(DWORD* capabilities) {
    *capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration;
    return S_OK;
}

HRESULT TestSource::IsFormatSupported(const GUID* format) {
    return *format == TIME_FORMAT_MEDIA_TIME || *format == TIME_FORMAT_FRAME ? S_OK : S_FALSE;
}

HRESULT TestSource::GetTimeFormat(GUID* format) {
    *format = timeFormat_;
    return S_OK;
}

HRESULT TestSource::SetTimeFormat(const GUID* format) {
    if (IsFormatSupported(format) != S_OK)
        return E_INVALIDARG;
    timeFormat_ = *format;
    return S_OK;
}

LONGLONG TestSource::toFormat(int index) const {
    TestSourcePin* first = const_cast<TestSource*>(this)->pin(0);
    return timeFormat_ == TIME_FORMAT_FRAME ? index : index * first->config().sampleDuration;
}

HRESULT TestSource::GetDuration(LONGLONG* duration) {
    *duration = toFormat(pin(0)->config().sampleCount);
    return S_OK;
}

HRESULT TestSource::GetCurrentPosition(LONGLONG* position) {
    *position = toFormat(pin(0)->nextIndex());
    return S_OK;
}

HRESULT TestSource::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* /*stop*/,
                                 DWORD /*stopFlags*/) {
    if ((currentFlags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_AbsolutePositioning)
        return S_OK;
    const LONGLONG step = timeFormat_ == TIME_FORMAT_FRAME ? 1 : pin(0)->config().sampleDuration;
    // Samples without duration all start at time 0: any media time seeks to the first.
    pin(0)->setStartIndex(step > 0 ? static_cast<int>(*current / step) : 0);
    return pin(0)->Restart();
}

} // namespace zentar::test

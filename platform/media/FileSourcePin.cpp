#include "platform/media/FileSourcePin.h"

#include "platform/media/DecoderSource.h"
#include "platform/media/FileSourceFilter.h"
#include "platform/media/MediaTypeFactory.h"

namespace zentar {

namespace {

// Audio samples carry about a tenth of a second.
uint32_t audioBufferBytes(const PcmAudioFormat& format) {
    const uint32_t blocks = std::max<uint32_t>(format.sampleRate / 10, 256);
    return blocks * format.blockAlign();
}

} // namespace

FileSourcePin::FileSourcePin(FileSourceFilter* filter, const SourceStreamInfo& info,
                             std::u16string_view name)
    : SourceStream(filter, name), owner_(filter), info_(info) {}

HRESULT FileSourcePin::GetMediaType(int position, MediaType* type) {
    if (type == nullptr) {
        return E_POINTER;
    }
    if (position < 0) {
        return E_INVALIDARG;
    }
    if (position > 0) {
        return VFW_S_NO_MORE_ITEMS;
    }
    *type = info_.kind == StreamKind::Video ? MakeRgbVideoType(info_.video)
                                            : MakePcmAudioType(info_.audio);
    return S_OK;
}

HRESULT FileSourcePin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) {
    const LONG needed = static_cast<LONG>(
        info_.kind == StreamKind::Video ? info_.video.imageBytes() : audioBufferBytes(info_.audio));
    request->cBuffers = std::max<LONG>(request->cBuffers, 2);
    request->cbBuffer = std::max(request->cbBuffer, needed);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr)) {
        return hr;
    }
    return actual.cbBuffer < needed ? E_FAIL : S_OK;
}

HRESULT FileSourcePin::OnThreadStartPlay() {
    HANDLE waits[2] = {owner_->seekGate(), StopEvent()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    return S_OK;
}

HRESULT FileSourcePin::FillBuffer(IMediaSample* sample) {
    if (StopRequested()) {
        return S_FALSE;
    }
    BYTE* data = nullptr;
    HRESULT hr = sample->GetPointer(&data);
    if (FAILED(hr)) {
        return hr;
    }
    SampleInfo info;
    hr = owner_->decoder().read(info_.index, data, static_cast<uint32_t>(sample->GetSize()), info);
    if (hr != S_OK) {
        return hr; // S_FALSE: end of the stream; a failure ends it as an error
    }
    sample->SetActualDataLength(static_cast<LONG>(info.bytes));
    sample->SetTime(&info.startHns, &info.stopHns);
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(info.discontinuity ? TRUE : FALSE);
    lastStart_.store(info.startHns, std::memory_order_release);
    return S_OK;
}

} // namespace zentar

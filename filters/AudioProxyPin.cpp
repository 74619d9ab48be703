#include "filters/AudioProxyPin.h"

#include "filters/AudioWriterProxy.h"
#include "platform/streaming/MediaGuids.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zentar {

AudioProxyPin::AudioProxyPin(AudioWriterProxy* proxy)
    : WriterProxyPin(proxy, u"AudioWriterProxy"), proxy_(proxy) {}

HRESULT AudioProxyPin::buildMediaType(MediaType* type) {
    const WAVEFORMATEX& stored = proxy_->format_;
    MediaType offered;
    auto* wave = reinterpret_cast<WAVEFORMATEX*>(offered.AllocFormatBuffer(sizeof(WAVEFORMATEX)));
    if (!wave)
        return E_OUTOFMEMORY;
    // The stored record's tag, alignment and rate are not trusted: they are derived.
    wave->wFormatTag = WAVE_FORMAT_PCM;
    wave->nChannels = stored.nChannels;
    wave->nSamplesPerSec = stored.nSamplesPerSec;
    wave->wBitsPerSample = stored.wBitsPerSample;
    wave->nBlockAlign = static_cast<WORD>(stored.nChannels * stored.wBitsPerSample / 8);
    wave->nAvgBytesPerSec = wave->nBlockAlign * stored.nSamplesPerSec;
    wave->cbSize = 0;
    offered.majortype = MEDIATYPE_Audio;
    offered.subtype = MEDIASUBTYPE_PCM;
    offered.formattype = FORMAT_WaveFormatEx;
    offered.bTemporalCompression = FALSE;
    offered.bFixedSizeSamples = TRUE;
    offered.lSampleSize = wave->nBlockAlign;
    *type = std::move(offered);
    return S_OK;
}

HRESULT AudioProxyPin::CheckMediaType(const MediaType* type) {
    if (!type)
        return E_INVALIDARG;
    AutoLock lock(lock_);
    if (type->majortype != MEDIATYPE_Audio || !type->bFixedSizeSamples ||
        type->subtype != MEDIASUBTYPE_PCM)
        return S_FALSE;
    const WAVEFORMATEX* wave =
        type->formattype == FORMAT_WaveFormatEx ? type->FormatAs<WAVEFORMATEX>() : nullptr;
    if (!wave)
        return S_FALSE;
    // Geometry that would divide by zero, or a chunk shorter than one sample frame
    // (the carry arithmetic needs a whole frame per chunk), is refused.
    const double chunk = wave->nAvgBytesPerSec / proxy_->frameRate_.load(std::memory_order_relaxed);
    if (wave->nBlockAlign == 0 || !(chunk >= wave->nBlockAlign) || chunk > 0x3FFFFFFF)
        return S_FALSE;
    // The geometry follows the last accepted type; while streaming it stays as it is
    // (a query then must not pull the carry from under the streaming thread).
    if (!filterIsStopped())
        return S_OK;
    AutoLock pinLock(pinLock_);
    Geometry g;
    g.chunkBytes = static_cast<LONG>(chunk); // truncated toward zero
    g.blockAlign = wave->nBlockAlign;
    g.tailBytes = g.chunkBytes % g.blockAlign;
    g.wholeBytes = g.chunkBytes - g.tailBytes;
    g.maxSampleBytes = g.blockAlign + g.wholeBytes;
    geometry_ = g;
    avgBytesPerSec_ = wave->nAvgBytesPerSec;
    carry_.assign(static_cast<size_t>(g.blockAlign), 0);
    carryLength_ = 0;
    return S_OK;
}

AudioProxyPin::Geometry AudioProxyPin::geometry() {
    AutoLock lock(pinLock_);
    return geometry_;
}

LONG AudioProxyPin::carryLength() {
    AutoLock lock(pinLock_);
    return carryLength_;
}

uint64_t AudioProxyPin::sampleBufferBytes() {
    AutoLock lock(pinLock_);
    return geometry_.maxSampleBytes > 0 ? static_cast<uint64_t>(geometry_.maxSampleBytes) : 0;
}

void AudioProxyPin::startTimesLocked() {
    runningTime_ = 0; // the carry stays: it is part of the byte stream
}

HRESULT AudioProxyPin::fillSampleLocked(const BYTE* chunk, IMediaSample* sample) {
    const Geometry& g = geometry_;
    BYTE* target = nullptr;
    HRESULT hr = sample->GetPointer(&target);
    if (FAILED(hr))
        return hr;
    // Negotiation grants maxSampleBytes, so a chunk always fits one sample; a smaller
    // buffer would break the carry arithmetic, so it is an error, never an overrun.
    if (g.chunkBytes <= 0 || sample->GetSize() < g.maxSampleBytes)
        return E_FAIL;

    const LONG n = g.chunkBytes;
    LONG length = g.wholeBytes;
    std::memcpy(target, carry_.data(), static_cast<size_t>(carryLength_));
    LONG newCarry = carryLength_ + g.tailBytes;
    if (newCarry >= g.blockAlign) {
        newCarry -= g.blockAlign;
        length += g.blockAlign;
    }
    std::memcpy(target + carryLength_, chunk, static_cast<size_t>(n - newCarry));
    std::memcpy(carry_.data(), chunk + (n - newCarry), static_cast<size_t>(newCarry));
    carryLength_ = newCarry;
    sample->SetActualDataLength(length);

    REFERENCE_TIME start = runningTime_;
    runningTime_ += static_cast<REFERENCE_TIME>(length) * 10'000'000 / avgBytesPerSec_;
    REFERENCE_TIME stop = runningTime_;
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    return S_OK;
}

} // namespace zentar

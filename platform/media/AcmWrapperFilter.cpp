#include "platform/media/AcmWrapperFilter.h"

#include "platform/acm/Acm.h"
#include "platform/media/BufferSizing.h"
#include "platform/media/MediaTypeFactory.h"
#include "platform/streaming/MediaGuids.h"

#include <algorithm>
#include <cstring>

namespace zentar {

namespace {

WAVEFORMATEX waveFormatOf(const PcmAudioFormat& pcm) {
    WAVEFORMATEX wf;
    wf.wFormatTag = WAVE_FORMAT_PCM;
    wf.nChannels = pcm.channels;
    wf.nSamplesPerSec = pcm.sampleRate;
    wf.nAvgBytesPerSec = pcm.avgBytesPerSecond();
    wf.nBlockAlign = pcm.blockAlign();
    wf.wBitsPerSample = pcm.bitsPerSample;
    return wf;
}

bool canConvert(const PcmAudioFormat& from, const PcmAudioFormat& to) {
    const WAVEFORMATEX source = waveFormatOf(from);
    const WAVEFORMATEX destination = waveFormatOf(to);
    return acmStreamOpen(nullptr, nullptr, &source, &destination, nullptr, 0, 0,
                         ACM_STREAMOPENF_QUERY) == MMSYSERR_NOERROR;
}

constexpr PcmAudioFormat kDvFormats[] = {{48000, 2, 16}, {44100, 2, 16}, {32000, 2, 16}};

} // namespace

AcmWrapperFilter::AcmWrapperFilter() : TransformFilter(CLSID_ACMWrapper) {}

AcmWrapperFilter::~AcmWrapperFilter() {
    closeStream();
}

HRESULT AcmWrapperFilter::CheckInputType(const MediaType* input) {
    return ReadPcmAudioType(*input) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AcmWrapperFilter::SetMediaType(PIN_DIRECTION direction, const MediaType* type) {
    std::optional<PcmAudioFormat> pcm = ReadPcmAudioType(*type);
    if (!pcm)
        return VFW_E_TYPE_NOT_ACCEPTED;
    (direction == PINDIR_INPUT ? input_ : output_) = pcm;
    return S_OK;
}

HRESULT AcmWrapperFilter::GetMediaType(int position, MediaType* type) {
    if (position < 0)
        return E_INVALIDARG;
    if (!input_ || position > static_cast<int>(std::size(kDvFormats)))
        return VFW_S_NO_MORE_ITEMS;
    *type = MakePcmAudioType(position == 0 ? *input_ : kDvFormats[position - 1]);
    return S_OK;
}

HRESULT AcmWrapperFilter::CheckTransform(const MediaType* input, const MediaType* output) {
    const std::optional<PcmAudioFormat> from = ReadPcmAudioType(*input);
    const std::optional<PcmAudioFormat> to = ReadPcmAudioType(*output);
    if (!from || !to)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const bool same = from->sampleRate == to->sampleRate && from->channels == to->channels &&
                      from->bitsPerSample == to->bitsPerSample;
    return same || canConvert(*from, *to) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AcmWrapperFilter::DecideBufferSize(IMemAllocator* allocator,
                                           ALLOCATOR_PROPERTIES* request) {
    if (!output_)
        return VFW_E_NOT_CONNECTED;
    // About a quarter of a second per buffer; longer inputs go out in several samples.
    const LONG needed = static_cast<LONG>(
        std::max<uint32_t>(output_->avgBytesPerSecond() / 4 / output_->blockAlign(), 256) *
        output_->blockAlign());
    return RequestBuffers(allocator, request, 4, needed);
}

HRESULT AcmWrapperFilter::StartStreaming() {
    closeStream();
    if (!input_ || !output_)
        return VFW_E_NOT_CONNECTED;
    const bool same = input_->sampleRate == output_->sampleRate &&
                      input_->channels == output_->channels &&
                      input_->bitsPerSample == output_->bitsPerSample;
    if (same)
        return S_OK;
    const WAVEFORMATEX source = waveFormatOf(*input_);
    const WAVEFORMATEX destination = waveFormatOf(*output_);
    const MMRESULT result =
        acmStreamOpen(&stream_, nullptr, &source, &destination, nullptr, 0, 0, 0);
    return result == MMSYSERR_NOERROR ? S_OK : E_FAIL;
}

HRESULT AcmWrapperFilter::StopStreaming() {
    closeStream();
    return S_OK;
}

void AcmWrapperFilter::closeStream() {
    if (stream_)
        acmStreamClose(stream_, 0);
    stream_ = nullptr;
}

HRESULT AcmWrapperFilter::Receive(IMediaSample* input) {
    HRESULT hr = receiveCheck(input);
    if (hr != S_OK)
        return hr;
    BYTE* src = nullptr;
    input->GetPointer(&src);
    DWORD left = static_cast<DWORD>(std::max<LONG>(input->GetActualDataLength(), 0));
    left -= left % input_->blockAlign();
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    const bool timed = input->GetTime(&start, &stop) == S_OK;
    int64_t samplesOut = 0;
    while (left > 0) {
        ComPtr<IMediaSample> output;
        hr = GetOutputBuffer(output);
        if (FAILED(hr))
            return hr;
        BYTE* dst = nullptr;
        output->GetPointer(&dst);
        DWORD used = 0;
        DWORD produced = 0;
        if (!stream_) {
            used = std::min<DWORD>(left, static_cast<DWORD>(output->GetSize()));
            used -= used % input_->blockAlign();
            std::memcpy(dst, src, used);
            produced = used;
        } else {
            ACMSTREAMHEADER header;
            header.cbStruct = sizeof(header);
            header.pbSrc = src;
            header.cbSrcLength = left;
            header.pbDst = dst;
            header.cbDstLength = static_cast<DWORD>(output->GetSize());
            if (acmStreamPrepareHeader(stream_, &header, 0) != MMSYSERR_NOERROR ||
                acmStreamConvert(stream_, &header, ACM_STREAMCONVERTF_BLOCKALIGN) !=
                    MMSYSERR_NOERROR)
                return E_FAIL;
            used = header.cbSrcLengthUsed;
            produced = header.cbDstLengthUsed;
            acmStreamUnprepareHeader(stream_, &header, 0);
        }
        if (used == 0)
            return E_FAIL; // the output buffer cannot hold one converted block
        output->SetActualDataLength(static_cast<LONG>(produced));
        if (timed) {
            const int64_t samples = produced / output_->blockAlign();
            REFERENCE_TIME from = start + samplesOut * 10'000'000 / output_->sampleRate;
            REFERENCE_TIME to = start + (samplesOut + samples) * 10'000'000 / output_->sampleRate;
            output->SetTime(&from, &to);
            samplesOut += samples;
        }
        output->SetSyncPoint(TRUE);
        src += used;
        left -= used;
        if (produced > 0) {
            hr = DeliverOutput(output.Get());
            if (hr != S_OK)
                return hr;
        }
    }
    return S_OK;
}

} // namespace zentar

#include "platform/media/DvMuxerFilter.h"

#include "platform/media/MediaTypeFactory.h"

#include <algorithm>
#include <cstring>

namespace zentar {

namespace {

// Bytes of one DV frame: 12 DIF sequences of 150 blocks of 80 bytes for 625-line (PAL)
// video, 10 for 525-line (NTSC).
DWORD dvFrameBytes(LONG height) {
    return height == 576 ? 144000 : 120000;
}

// 48,000 Hz 16-bit stereo.
constexpr DWORD kMaxDvAudioBytesPerSecond = 48000 * 4;

bool isDvAudioRate(DWORD rate) {
    return rate == 48000 || rate == 44100 || rate == 32000;
}

} // namespace

DvMuxerFilter::DvMuxerFilter()
    : BaseFilter(CLSID_DVMux),
      video_(std::make_unique<DvMuxInputPin>(this, DvMuxInput::Video, u"Video")),
      audio_(std::make_unique<DvMuxInputPin>(this, DvMuxInput::Audio, u"Audio")),
      output_(std::make_unique<DvMuxOutputPin>(this, u"Out")) {}

DvMuxerFilter::~DvMuxerFilter() = default;

BasePin* DvMuxerFilter::GetPin(int index) {
    switch (index) {
    case 0:
        return video_.get();
    case 1:
        return audio_.get();
    case 2:
        return output_.get();
    default:
        return nullptr;
    }
}

HRESULT DvMuxerFilter::CheckInputType(DvMuxInput kind, const MediaType& type) {
    if (kind == DvMuxInput::Audio) {
        const std::optional<PcmAudioFormat> pcm = ReadPcmAudioType(type);
        const bool dvAudio =
            pcm && pcm->bitsPerSample == 16 && pcm->channels == 2 && isDvAudioRate(pcm->sampleRate);
        return dvAudio ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    const auto* vih = type.FormatAs<VIDEOINFOHEADER>();
    if (type.majortype != MEDIATYPE_Video || type.subtype != MEDIASUBTYPE_dvsd ||
        type.formattype != FORMAT_VideoInfo || !vih)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const BITMAPINFOHEADER& bmi = vih->bmiHeader;
    const bool dvSize = bmi.biWidth == 720 && (bmi.biHeight == 576 || bmi.biHeight == 480);
    return dvSize ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvMuxerFilter::PreferredInputType(DvMuxInput kind, int position, MediaType* type) {
    if (position < 0)
        return E_INVALIDARG;
    if (kind == DvMuxInput::Video || position > 0)
        return VFW_S_NO_MORE_ITEMS;
    *type = MakePcmAudioType(PcmAudioFormat{48000, 2, 16});
    return S_OK;
}

std::optional<MediaType> DvMuxerFilter::OutputType() {
    AutoLock lock(filterLock_);
    if (!video_->IsConnected())
        return std::nullopt;
    const auto* vih = video_->CurrentMediaType().FormatAs<VIDEOINFOHEADER>();
    if (!vih)
        return std::nullopt;
    DvMuxStreamFormat format{};
    format.video = *vih;
    format.videoFrameBytes = dvFrameBytes(vih->bmiHeader.biHeight);
    format.video.bmiHeader.biSizeImage = format.videoFrameBytes;
    if (audio_->IsConnected()) {
        if (const auto* wf = audio_->CurrentMediaType().FormatAs<WAVEFORMATEX>())
            format.audio = *wf;
        format.audio.cbSize = 0;
    }
    MediaType type;
    type.majortype = MEDIATYPE_Interleaved;
    type.subtype = MEDIASUBTYPE_dvsd;
    type.bFixedSizeSamples = FALSE;
    type.bTemporalCompression = FALSE;
    type.lSampleSize = 0;
    type.formattype = FORMAT_DvMuxStream;
    type.SetFormat(&format, sizeof(format));
    return type;
}

DWORD DvMuxerFilter::OutputSampleBytes() {
    const std::optional<MediaType> type = OutputType();
    if (!type)
        return 0;
    // A frame and up to a second of its audio. The buffers are sized when the output
    // connects, which may come before the audio input: room for the largest DV audio.
    return type->FormatAs<DvMuxStreamFormat>()->videoFrameBytes + kMaxDvAudioBytesPerSecond;
}

void DvMuxerFilter::InputConnectionChanged() {
    AutoLock lock(filterLock_);
    if (!output_->IsConnected())
        return;
    if (std::optional<MediaType> type = OutputType())
        output_->UpdateMediaType(*type);
}

HRESULT DvMuxerFilter::OnLeavingStopped() {
    const std::optional<MediaType> type = OutputType();
    if (!type || !output_->IsConnected())
        return VFW_E_NOT_CONNECTED;
    const auto* format = type->FormatAs<DvMuxStreamFormat>();
    std::lock_guard lock(mutex_);
    frameBytes_ = format->videoFrameBytes;
    audioConnected_ = format->audio.nChannels > 0;
    audioBlockAlign_ = audioConnected_ ? format->audio.nBlockAlign : 0;
    audioRate_ = audioConnected_ ? format->audio.nSamplesPerSec : 0;
    held_.clear();
    audioPending_.clear();
    audioSentSamples_ = 0;
    videoEnded_ = audioEnded_ = endSent_ = false;
    return S_OK;
}

bool DvMuxerFilter::audioCoversHeldLocked() const {
    if (!audioConnected_ || audioEnded_)
        return true;
    const int64_t needed = heldStop_ * audioRate_ / 10'000'000;
    const int64_t have =
        audioSentSamples_ + static_cast<int64_t>(audioPending_.size() / audioBlockAlign_);
    return have >= needed;
}

HRESULT DvMuxerFilter::emitHeldLocked() {
    if (held_.empty())
        return S_OK;
    ComPtr<IMediaSample> sample;
    HRESULT hr = output_->GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    int64_t take = 0;
    if (audioConnected_) {
        const int64_t needed = heldStop_ * audioRate_ / 10'000'000 - audioSentSamples_;
        const int64_t room =
            (sample->GetSize() - static_cast<LONG>(held_.size())) / audioBlockAlign_;
        take = std::clamp<int64_t>(needed, 0,
                                   static_cast<int64_t>(audioPending_.size() / audioBlockAlign_));
        take = std::min(take, room);
    }
    const size_t audioBytes = static_cast<size_t>(take) * audioBlockAlign_;
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    std::memcpy(data, held_.data(), held_.size());
    if (audioBytes > 0)
        std::memcpy(data + held_.size(), audioPending_.data(), audioBytes);
    sample->SetActualDataLength(static_cast<LONG>(held_.size() + audioBytes));
    sample->SetTime(&heldStart_, &heldStop_);
    sample->SetSyncPoint(TRUE);
    audioPending_.erase(audioPending_.begin(),
                        audioPending_.begin() + static_cast<ptrdiff_t>(audioBytes));
    audioSentSamples_ += take;
    held_.clear();
    hr = output_->Deliver(sample.Get());
    return FAILED(hr) ? hr : S_OK;
}

HRESULT DvMuxerFilter::ReceiveSample(DvMuxInput kind, IMediaSample* sample) {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const LONG length = sample->GetActualDataLength();
    std::lock_guard lock(mutex_);
    if (endSent_)
        return S_FALSE;
    if (kind == DvMuxInput::Audio) {
        const size_t bytes = static_cast<size_t>(std::max<LONG>(length, 0));
        audioPending_.insert(audioPending_.end(), data, data + bytes - bytes % audioBlockAlign_);
        return !held_.empty() && audioCoversHeldLocked() ? emitHeldLocked() : S_OK;
    }
    if (static_cast<DWORD>(length) != frameBytes_)
        return E_INVALIDARG; // not one whole DV frame of the agreed system
    // The next frame has come: the one held goes out with the audio there is.
    HRESULT hr = emitHeldLocked();
    if (FAILED(hr))
        return hr;
    REFERENCE_TIME start = heldStop_;
    REFERENCE_TIME stop = 0;
    if (sample->GetTime(&start, &stop) != S_OK)
        stop = start + (frameBytes_ == 144000 ? 400000 : 333667);
    held_.assign(data, data + length);
    heldStart_ = start;
    heldStop_ = stop;
    return audioCoversHeldLocked() ? emitHeldLocked() : S_OK;
}

HRESULT DvMuxerFilter::InputEnded(DvMuxInput kind) {
    std::lock_guard lock(mutex_);
    if (kind == DvMuxInput::Video)
        videoEnded_ = true;
    else
        audioEnded_ = true;
    HRESULT hr = S_OK;
    if (!held_.empty() && audioCoversHeldLocked())
        hr = emitHeldLocked();
    const HRESULT ended = endIfDoneLocked();
    return FAILED(hr) ? hr : ended;
}

HRESULT DvMuxerFilter::endIfDoneLocked() {
    if (endSent_ || !videoEnded_ || (audioConnected_ && !audioEnded_))
        return S_OK;
    HRESULT hr = emitHeldLocked();
    endSent_ = true;
    audioPending_.clear(); // sound after the last frame has no frame to travel in
    const HRESULT ended = output_->DeliverEndOfStream();
    return FAILED(hr) ? hr : ended;
}

HRESULT DvMuxerFilter::Stop() {
    AutoLock lock(filterLock_);
    if (state() == State_Stopped)
        return S_OK;
    state_.store(State_Stopped, std::memory_order_release);
    // Decommitting wakes a delivery waiting for a buffer; then wait for the inputs.
    HRESULT hr = deactivatePinsLocked();
    std::lock_guard stream(mutex_);
    held_.clear();
    audioPending_.clear();
    return hr;
}

} // namespace zentar

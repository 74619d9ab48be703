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
    queue_.clear();
    delivering_ = false;
    deliveryFailure_ = S_OK;
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

void DvMuxerFilter::queueHeldLocked() {
    if (held_.empty())
        return;
    int64_t take = 0;
    if (audioConnected_) {
        const int64_t needed = heldStop_ * audioRate_ / 10'000'000 - audioSentSamples_;
        // The output buffers hold a frame and a second of the fastest DV audio.
        const int64_t room = kMaxDvAudioBytesPerSecond / audioBlockAlign_;
        take = std::clamp<int64_t>(needed, 0,
                                   static_cast<int64_t>(audioPending_.size() / audioBlockAlign_));
        take = std::min(take, room);
    }
    const auto audioEnd = audioPending_.begin() + static_cast<ptrdiff_t>(take * audioBlockAlign_);
    Output output;
    output.data = std::move(held_);
    output.data.insert(output.data.end(), audioPending_.begin(), audioEnd);
    output.start = heldStart_;
    output.stop = heldStop_;
    audioPending_.erase(audioPending_.begin(), audioEnd);
    audioSentSamples_ += take;
    held_.clear();
    queue_.push_back(std::move(output));
}

void DvMuxerFilter::queueEndIfDoneLocked() {
    if (endSent_ || !videoEnded_ || (audioConnected_ && !audioEnded_))
        return;
    queueHeldLocked();
    endSent_ = true;
    audioPending_.clear(); // sound after the last frame has no frame to travel in
    Output end;
    end.endOfStream = true;
    queue_.push_back(std::move(end));
}

HRESULT DvMuxerFilter::deliverQueued(std::unique_lock<std::mutex>& lock) {
    // A thread that finds another delivering leaves its output to it, waiting only while
    // the queue is long, so neither input runs far ahead of what goes downstream.
    constexpr size_t kMaxQueued = 4;
    delivered_.wait(lock, [&] { return !delivering_ || queue_.size() < kMaxQueued; });
    if (delivering_ || FAILED(deliveryFailure_))
        return deliveryFailure_;
    delivering_ = true;
    HRESULT hr = S_OK;
    while (!queue_.empty()) {
        Output output = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        delivered_.notify_all();
        hr = deliver(output);
        lock.lock();
        if (FAILED(hr)) {
            deliveryFailure_ = hr;
            queue_.clear();
            break;
        }
    }
    delivering_ = false;
    delivered_.notify_all();
    return hr;
}

HRESULT DvMuxerFilter::deliver(Output& output) {
    if (output.endOfStream)
        return output_->DeliverEndOfStream();
    ComPtr<IMediaSample> sample;
    HRESULT hr = output_->GetDeliveryBuffer(sample.GetAddressOf(), nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    if (output.data.size() > static_cast<size_t>(sample->GetSize()))
        return E_UNEXPECTED; // the buffers were sized for a frame and a second of audio
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    std::memcpy(data, output.data.data(), output.data.size());
    sample->SetActualDataLength(static_cast<LONG>(output.data.size()));
    sample->SetTime(&output.start, &output.stop);
    sample->SetSyncPoint(TRUE);
    hr = output_->Deliver(sample.Get());
    return FAILED(hr) ? hr : S_OK;
}

HRESULT DvMuxerFilter::ReceiveSample(DvMuxInput kind, IMediaSample* sample) {
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const LONG length = sample->GetActualDataLength();
    std::unique_lock lock(mutex_);
    if (FAILED(deliveryFailure_))
        return deliveryFailure_;
    if (endSent_)
        return S_FALSE;
    if (kind == DvMuxInput::Audio) {
        const size_t bytes = static_cast<size_t>(std::max<LONG>(length, 0));
        audioPending_.insert(audioPending_.end(), data, data + bytes - bytes % audioBlockAlign_);
        if (!held_.empty() && audioCoversHeldLocked())
            queueHeldLocked();
        return deliverQueued(lock);
    }
    if (static_cast<DWORD>(length) != frameBytes_)
        return E_INVALIDARG; // not one whole DV frame of the agreed system
    // The next frame has come: the one held goes out with the audio there is.
    queueHeldLocked();
    REFERENCE_TIME start = heldStop_;
    REFERENCE_TIME stop = 0;
    if (sample->GetTime(&start, &stop) != S_OK)
        stop = start + (frameBytes_ == 144000 ? 400000 : 333667);
    held_.assign(data, data + length);
    heldStart_ = start;
    heldStop_ = stop;
    if (audioCoversHeldLocked())
        queueHeldLocked();
    return deliverQueued(lock);
}

HRESULT DvMuxerFilter::InputEnded(DvMuxInput kind) {
    std::unique_lock lock(mutex_);
    if (kind == DvMuxInput::Video)
        videoEnded_ = true;
    else
        audioEnded_ = true;
    if (!held_.empty() && audioCoversHeldLocked())
        queueHeldLocked();
    queueEndIfDoneLocked();
    return deliverQueued(lock);
}

HRESULT DvMuxerFilter::Stop() {
    AutoLock lock(filterLock_);
    if (state() == State_Stopped)
        return S_OK;
    state_.store(State_Stopped, std::memory_order_release);
    // Decommitting wakes a delivery waiting for a buffer; then wait for the deliverer.
    HRESULT hr = deactivatePinsLocked();
    std::unique_lock stream(mutex_);
    delivered_.wait(stream, [&] { return !delivering_; });
    held_.clear();
    audioPending_.clear();
    queue_.clear();
    return hr;
}

} // namespace zentar

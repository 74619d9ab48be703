#include "platform/media/FileSourceFilter.h"

#include "platform/media/FileSourcePin.h"
#include "platform/streaming/MediaGuids.h"

namespace zentar {

namespace {

std::u16string pinName(StreamKind kind, int ordinal) {
    std::u16string name = kind == StreamKind::Video ? u"Video" : u"Audio";
    if (ordinal > 1) {
        for (const char c : " " + std::to_string(ordinal)) {
            name += static_cast<char16_t>(c);
        }
    }
    return name;
}

} // namespace

HRESULT FileSourceFilter::Create(const std::string& path, ComPtr<FileSourceFilter>& filter,
                                 std::string* error) {
    auto decoder = std::make_unique<DecoderSource>();
    const HRESULT hr = decoder->open(path);
    if (FAILED(hr)) {
        if (error != nullptr) {
            *error = decoder->errorText();
        }
        return hr;
    }
    filter = MakeComObject<FileSourceFilter>(std::move(decoder));
    return filter ? S_OK : E_OUTOFMEMORY;
}

FileSourceFilter::FileSourceFilter(std::unique_ptr<DecoderSource> decoder)
    : SourceFilter(CLSID_ZentarFileSource), decoder_(std::move(decoder)),
      timeFormat_(TIME_FORMAT_MEDIA_TIME) {
    int videos = 0;
    int audios = 0;
    for (const SourceStreamInfo& info : decoder_->streams()) {
        const int ordinal = info.kind == StreamKind::Video ? ++videos : ++audios;
        AddPin(std::make_unique<FileSourcePin>(this, info, pinName(info.kind, ordinal)));
    }
}

FileSourceFilter::~FileSourceFilter() = default;

void* FileSourceFilter::QueryInterfaceExtra(REFIID iid) {
    if (iid == IMediaSeeking::kIid) {
        return static_cast<IMediaSeeking*>(this);
    }
    return SourceFilter::QueryInterfaceExtra(iid);
}

FileSourcePin* FileSourceFilter::pinAt(int index) {
    return static_cast<FileSourcePin*>(GetPin(index));
}

FileSourcePin* FileSourceFilter::referencePin() {
    for (int i = 0; i < GetPinCount(); ++i) {
        if (pinAt(i)->IsConnected()) {
            return pinAt(i);
        }
    }
    return pinAt(0);
}

HRESULT FileSourceFilter::Pause() {
    AutoLock lock(filterLock_);
    if (state() == State_Stopped) {
        // Decode exactly the connected streams; the demuxer drops the rest.
        for (int i = 0; i < GetPinCount(); ++i) {
            FileSourcePin* pin = pinAt(i);
            const HRESULT hr = decoder_->selectStream(pin->info().index, pin->IsConnected());
            if (FAILED(hr)) {
                return hr;
            }
        }
        if (pendingSeek_) {
            decoder_->seek(*pendingSeek_);
            pendingSeek_.reset();
        }
    }
    return SourceFilter::Pause();
}

HRESULT FileSourceFilter::GetCapabilities(DWORD* capabilities) {
    if (capabilities == nullptr) {
        return E_POINTER;
    }
    *capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetDuration;
    return S_OK;
}

HRESULT FileSourceFilter::IsFormatSupported(const GUID* format) {
    if (format == nullptr) {
        return E_POINTER;
    }
    const SourceStreamInfo& info = referencePin()->info();
    if (*format == TIME_FORMAT_MEDIA_TIME) {
        return S_OK;
    }
    if (*format == TIME_FORMAT_FRAME) {
        return info.kind == StreamKind::Video && info.video.avgTimePerFrame > 0 ? S_OK : S_FALSE;
    }
    if (*format == TIME_FORMAT_SAMPLE) {
        return info.kind == StreamKind::Audio ? S_OK : S_FALSE;
    }
    return S_FALSE;
}

HRESULT FileSourceFilter::GetTimeFormat(GUID* format) {
    if (format == nullptr) {
        return E_POINTER;
    }
    *format = timeFormat_;
    return S_OK;
}

HRESULT FileSourceFilter::SetTimeFormat(const GUID* format) {
    if (format == nullptr) {
        return E_POINTER;
    }
    if (IsFormatSupported(format) != S_OK) {
        return E_INVALIDARG;
    }
    timeFormat_ = *format;
    return S_OK;
}

HRESULT FileSourceFilter::GetDuration(LONGLONG* duration) {
    if (duration == nullptr) {
        return E_POINTER;
    }
    const SourceStreamInfo& info = referencePin()->info();
    if (timeFormat_ == TIME_FORMAT_FRAME) {
        *duration = info.durationFrames;
    } else if (timeFormat_ == TIME_FORMAT_SAMPLE) {
        *duration = info.durationSamples;
    } else {
        *duration = info.durationHns;
    }
    return S_OK;
}

LONGLONG FileSourceFilter::fromMediaTime(REFERENCE_TIME hns) {
    const SourceStreamInfo& info = referencePin()->info();
    if (timeFormat_ == TIME_FORMAT_FRAME && info.video.avgTimePerFrame > 0) {
        return (hns + info.video.avgTimePerFrame / 2) / info.video.avgTimePerFrame;
    }
    if (timeFormat_ == TIME_FORMAT_SAMPLE) {
        return hns * info.audio.sampleRate / 10'000'000;
    }
    return hns;
}

bool FileSourceFilter::toMediaTime(LONGLONG value, REFERENCE_TIME& hns) {
    const SourceStreamInfo& info = referencePin()->info();
    if (timeFormat_ == TIME_FORMAT_FRAME) {
        hns = value * info.video.avgTimePerFrame;
    } else if (timeFormat_ == TIME_FORMAT_SAMPLE) {
        if (info.audio.sampleRate == 0) {
            return false;
        }
        hns = value * 10'000'000 / info.audio.sampleRate;
    } else {
        hns = value;
    }
    return true;
}

HRESULT FileSourceFilter::GetCurrentPosition(LONGLONG* position) {
    if (position == nullptr) {
        return E_POINTER;
    }
    *position = fromMediaTime(std::max<REFERENCE_TIME>(referencePin()->lastStart(), 0));
    return S_OK;
}

HRESULT FileSourceFilter::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* /*stop*/,
                                       DWORD /*stopFlags*/) {
    const DWORD positioning = currentFlags & AM_SEEKING_PositioningBitsMask;
    if (positioning == AM_SEEKING_NoPositioning) {
        return S_OK;
    }
    if (current == nullptr) {
        return E_POINTER;
    }
    REFERENCE_TIME target = 0;
    if (!toMediaTime(*current, target)) {
        return E_INVALIDARG;
    }
    if (positioning == AM_SEEKING_RelativePositioning) {
        target += std::max<REFERENCE_TIME>(referencePin()->lastStart(), 0);
    }
    return seekTo(std::max<REFERENCE_TIME>(target, 0));
}

// While streaming: every connected pin's thread is ended and restarted (flushing
// downstream); the new threads wait at the gate until the decoder has moved.
HRESULT FileSourceFilter::seekTo(REFERENCE_TIME positionHns) {
    AutoLock lock(filterLock_);
    for (int i = 0; i < GetPinCount(); ++i) {
        pinAt(i)->resetPosition(positionHns);
    }
    if (state() == State_Stopped) {
        pendingSeek_ = positionHns;
        return S_OK;
    }
    seekGate_.Reset();
    HRESULT hr = S_OK;
    for (int i = 0; i < GetPinCount(); ++i) {
        if (pinAt(i)->IsConnected()) {
            const HRESULT restarted = pinAt(i)->Restart();
            hr = FAILED(hr) ? hr : restarted;
        }
    }
    const HRESULT seeked = decoder_->seek(positionHns);
    seekGate_.Set();
    return FAILED(hr) ? hr : seeked;
}

} // namespace zentar

#include "engine/ReaderGraph.h"

#include "engine/CMyException.h"
#include "filters/IMediaReader.h"
#include "filters/MediaReader.h"
#include "platform/com/Bstr.h"
#include "platform/media/MediaRegistration.h"
#include "platform/streaming/FilterRegistry.h"
#include "platform/streaming/MediaGuids.h"

#include <cstring>
#include <new>

namespace zentar {

namespace {

constexpr REFERENCE_TIME kUnitsPerSecond = 10'000'000;

MediaType fixedSizeTemplate(const GUID& major, const GUID& subtype, const GUID& formatType) {
    MediaType type;
    type.majortype = major;
    type.subtype = subtype;
    type.bFixedSizeSamples = TRUE;
    type.bTemporalCompression = FALSE;
    type.lSampleSize = 1;
    type.formattype = formatType;
    return type;
}

} // namespace

MediaType ReaderGraph::VideoTemplate() {
    return fixedSizeTemplate(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo);
}

MediaType ReaderGraph::AudioTemplate() {
    return fixedSizeTemplate(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx);
}

double ReaderGraph::EstimateFrameRate(int64_t durationFrames, int64_t durationHns) {
    // Without a frame count (a source that could not tell it) the formula would give
    // 1 / seconds: a wrong rate, where an unknown one lets the job measure it.
    if (durationHns <= 0 || durationFrames <= 0)
        return 0;
    // The duration rounded to whole seconds; a stream shorter than half a second gives no
    // usable divisor and the rate stays unknown (the job then measures it).
    const int64_t seconds = (durationHns + kUnitsPerSecond / 2) / kUnitsPerSecond;
    if (seconds == 0)
        return 0;
    return (static_cast<double>(durationFrames) + 1.0) / static_cast<double>(seconds);
}

ReaderGraph::ReaderGraph(const std::string& fileName, const MediaType& templateType, bool partial)
    : fileName_(fileName) {
    RegisterMediaFilters();
    Check(CopyMediaType(&requestedType_, &templateType));
    requiredFormatType_ = templateType.formattype;
    if (partial) {
        FreeMediaType(requestedType_);
        requestedType_.formattype = GUID_NULL;
    }
    try {
        build(WideFromUtf8(fileName));
        takeControls();
        prepare();
        readStreamFacts();
        start();
    } catch (...) {
        // The destructor does not run for a half-built object: stop what was started.
        if (reader_)
            reader_->SetDiscard(TRUE);
        if (control_)
            control_->Stop();
        throw;
    }
}

ReaderGraph::~ReaderGraph() {
    if (reader_)
        reader_->SetDiscard(TRUE);
    if (control_)
        control_->Stop();
    // The graph (and with it the reader, which borrows buffer_ and sampleEvent_) goes
    // before the buffer and the event: members are released in reverse order.
}

void ReaderGraph::Check(HRESULT hr) {
    if (FAILED(hr))
        throw CMyException(kErrorCode);
}

void ReaderGraph::build(const std::u16string& wideName) {
    Check(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                           IID_ICaptureGraphBuilder2, builder_.GetVoidAddressOf()));
    Check(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                           graph_.GetVoidAddressOf()));
    Check(builder_->SetFiltergraph(graph_.Get()));

    HRESULT hr = S_OK;
    readerFilter_ = MediaReader::Create(&hr);
    Check(hr);
    Check(readerFilter_.As(reader_));
    Check(graph_->AddFilter(readerFilter_.Get(), u"MediaReader"));
    Check(reader_->SetRequestedType(&requestedType_, &requiredFormatType_));

    ComPtr<IBaseFilter> source;
    Check(graph_->AddSourceFilter(wideName.c_str(), wideName.c_str(), source.GetAddressOf()));

    // The first output pin of the source that renders into the reader wins.
    for (int index = 0;; ++index) {
        ComPtr<IPin> pin;
        if (FAILED(builder_->FindPin(source.Get(), PINDIR_OUTPUT, nullptr, nullptr, TRUE, index,
                                     pin.GetAddressOf())) ||
            !pin)
            break;
        if (SUCCEEDED(
                builder_->RenderStream(nullptr, nullptr, pin.Get(), nullptr, readerFilter_.Get())))
            return;
    }
    Check(E_FAIL); // no stream of the requested kind
}

void ReaderGraph::takeControls() {
    ComPtr<IMediaFilter> mediaFilter;
    Check(graph_.As(mediaFilter));
    Check(mediaFilter->SetSyncSource(nullptr)); // deliver as fast as samples are taken
    Check(graph_.As(event_));
    Check(event_->GetEventHandle(&graphEvent_));
    Check(graph_.As(control_));
    Check(graph_.As(seeking_));
}

void ReaderGraph::prepare() {
    Check(reader_->GetConnectedType(&connectedType_));
    ULONG size = 0;
    Check(reader_->GetBufferSize(&size));
    if (size == 0)
        Check(E_FAIL);
    buffer_.reset(new (std::nothrow) uint8_t[size]);
    if (!buffer_)
        Check(E_OUTOFMEMORY);
    bufferSize_ = size;
    Check(reader_->SetBuffer(size, buffer_.get()));
    Check(reader_->SetNotifyEvent(&sampleEvent_));
}

void ReaderGraph::readStreamFacts() {
    // None of these results raise: a source that cannot say leaves the fact at 0.
    if (FAILED(seeking_->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME)) ||
        FAILED(seeking_->GetDuration(&duration_)))
        duration_ = 0;
    if (SUCCEEDED(seeking_->SetTimeFormat(&TIME_FORMAT_FRAME)) &&
        FAILED(seeking_->GetDuration(&durationFrames_)))
        durationFrames_ = 0;

    const auto* video = connectedType_.formattype == FORMAT_VideoInfo
                            ? connectedType_.FormatAs<VIDEOINFOHEADER>()
                            : nullptr;
    if (video && video->AvgTimePerFrame > 0)
        frameRate_ =
            static_cast<double>(kUnitsPerSecond) / static_cast<double>(video->AvgTimePerFrame);
    if (frameRate_ == 0 && duration_ > 0)
        frameRate_ = EstimateFrameRate(durationFrames_, duration_);

    if (SUCCEEDED(seeking_->SetTimeFormat(&TIME_FORMAT_SAMPLE)) &&
        FAILED(seeking_->GetDuration(&durationSamples_)))
        durationSamples_ = 0;
    const auto* wave = connectedType_.formattype == FORMAT_WaveFormatEx
                           ? connectedType_.FormatAs<WAVEFORMATEX>()
                           : nullptr;
    if (wave)
        sampleRate_ = wave->nSamplesPerSec;
    if (sampleRate_ == 0 && duration_ > 0)
        sampleRate_ =
            static_cast<double>(durationSamples_) / (static_cast<double>(duration_) * 1e-7);
    seeking_->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
}

void ReaderGraph::start() {
    const HRESULT hr = control_->Run();
    Check(hr);
    if (hr == S_FALSE) {
        OAFilterState state = State_Stopped;
        Check(control_->GetState(static_cast<LONG>(INFINITE), &state));
    }
    Check(reader_->GetConnectedType(&connectedType_));
}

void ReaderGraph::GetConnectedType(MediaType* type) const {
    if (!type || FAILED(CopyMediaType(type, &connectedType_)))
        throw CMyException(kErrorCode);
}

bool ReaderGraph::waitForSample() {
    OAFilterState state = State_Stopped;
    Check(control_->GetState(static_cast<LONG>(INFINITE), &state));
    if (state != State_Running)
        return false;
    for (;;) {
        HANDLE handles[2] = {&sampleEvent_, graphEvent_};
        const DWORD woken = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0) {
            requestPending_ = false;
            return true;
        }
        if (woken != WAIT_OBJECT_0 + 1)
            Check(E_UNEXPECTED); // a failed wait is a failure, not a sample
        LONG code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        if (FAILED(event_->GetEvent(&code, &param1, &param2, 0)))
            continue; // taken by someone else in the meantime
        event_->FreeEventParams(code, param1, param2);
        if (code == EC_COMPLETE)
            return false;
        // A decoder or source failure ends the stream thread: no sample will come.
        if (code == EC_ERRORABORT || code == EC_USERABORT || code == EC_STREAM_ERROR_STOPPED) {
            control_->Stop();
            Check(FAILED(static_cast<HRESULT>(param1)) ? static_cast<HRESULT>(param1) : E_FAIL);
        }
    }
}

const uint8_t* ReaderGraph::NextSample(uint32_t* dataLength, REFERENCE_TIME* start,
                                       REFERENCE_TIME* stop) {
    if (!requestPending_) {
        Check(reader_->RequestSample());
        requestPending_ = true;
    }
    if (!waitForSample())
        Check(control_->Stop());
    ULONG length = 0;
    REFERENCE_TIME sampleStart = 0;
    REFERENCE_TIME sampleStop = 0;
    Check(reader_->GetDataLength(TRUE, &length));
    Check(reader_->GetSampleTimes(TRUE, &sampleStart, &sampleStop));
    if (dataLength)
        *dataLength = length;
    if (start)
        *start = sampleStart;
    if (stop)
        *stop = sampleStop;
    return buffer_.get();
}

void ReaderGraph::GetStreamInfo(int kind, void* out) const {
    if (!out)
        return;
    switch (kind) {
    case static_cast<int>(StreamInfoKind::Duration):
        std::memcpy(out, &duration_, 8);
        break;
    case static_cast<int>(StreamInfoKind::DurationSamples):
        std::memcpy(out, &durationSamples_, 8);
        break;
    case static_cast<int>(StreamInfoKind::DurationFrames):
        std::memcpy(out, &durationFrames_, 8);
        break;
    case static_cast<int>(StreamInfoKind::FrameRate):
        std::memcpy(out, &frameRate_, 8);
        break;
    case static_cast<int>(StreamInfoKind::SampleRate):
        std::memcpy(out, &sampleRate_, 8);
        break;
    default:
        break;
    }
}

void ReaderGraph::Seek(REFERENCE_TIME position) {
    // Stopped rather than paused while moving: a paused source keeps pushing, and samples
    // of the new position would be discarded until the discard switch is off again.
    reader_->SetDiscard(TRUE);
    control_->Stop();
    OAFilterState state = State_Stopped;
    control_->GetState(static_cast<LONG>(INFINITE), &state);
    LONGLONG current = position;
    seeking_->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr,
                           AM_SEEKING_NoPositioning);
    // An end of stream reported before the seek belongs to the old position.
    LONG code = 0;
    LONG_PTR param1 = 0;
    LONG_PTR param2 = 0;
    while (SUCCEEDED(event_->GetEvent(&code, &param1, &param2, 0)))
        event_->FreeEventParams(code, param1, param2);
    // A request answered while nobody waited (a sample copied just before the discard)
    // is used up: the next NextSample asks again.
    if (sampleEvent_.Wait(0))
        requestPending_ = false;
    reader_->SetDiscard(FALSE);
    control_->Run();
    control_->GetState(static_cast<LONG>(INFINITE), &state);
}

} // namespace zentar

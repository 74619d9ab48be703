#include "platform/media/AviMuxFilter.h"

#include "platform/media/DvStreamFormat.h"

#include <cstdlib>
#include <string>

namespace zentar {

namespace {

std::u16string inputName(size_t number) {
    const std::string digits = (number < 10 ? "0" : "") + std::to_string(number);
    return u"Input " + WideFromUtf8(digits);
}

bool addVideoInfoStream(AviMuxer& muxer, const MediaType& type, AviMuxInputPin::Streams& out) {
    const auto* vih = type.FormatAs<VIDEOINFOHEADER>();
    if (!vih)
        return false;
    const BITMAPINFOHEADER& bmi = vih->bmiHeader;
    AviVideoStream video;
    video.width = bmi.biWidth;
    video.height = std::abs(bmi.biHeight);
    video.bitCount = bmi.biBitCount;
    video.avgTimePerFrame = vih->AvgTimePerFrame;
    if (type.subtype == MEDIASUBTYPE_RGB24) {
        // Raw frames are written as a DIB stores them: bottom-up rows only.
        if (bmi.biCompression != BI_RGB || bmi.biBitCount != 24 || bmi.biHeight <= 0)
            return false;
    } else {
        video.fourcc = bmi.biCompression;
        if (video.fourcc == BI_RGB || video.fourcc == BI_BITFIELDS)
            return false;
        const size_t extraBytes =
            bmi.biSize > sizeof(BITMAPINFOHEADER) ? bmi.biSize - sizeof(BITMAPINFOHEADER) : 0;
        const size_t available = type.format.size() - sizeof(VIDEOINFOHEADER);
        const BYTE* extra = type.format.data() + sizeof(VIDEOINFOHEADER);
        video.extraData.assign(extra, extra + std::min(extraBytes, available));
    }
    out.video = muxer.addVideoStream(video);
    out.framePeriod = video.avgTimePerFrame > 0 ? video.avgTimePerFrame : 400000;
    return out.video >= 0;
}

bool addDvStreams(AviMuxer& muxer, const MediaType& type, AviMuxInputPin::Streams& out) {
    const auto* dv = type.FormatAs<DvMuxStreamFormat>();
    if (!dv || dv->videoFrameBytes == 0)
        return false;
    MediaType video;
    video.majortype = MEDIATYPE_Video;
    video.subtype = MEDIASUBTYPE_dvsd;
    video.formattype = FORMAT_VideoInfo;
    video.SetFormat(&dv->video, sizeof(dv->video));
    if (!addVideoInfoStream(muxer, video, out))
        return false;
    out.dvFrameBytes = dv->videoFrameBytes;
    if (dv->audio.nChannels == 0)
        return true;
    out.audio =
        muxer.addAudioStream(reinterpret_cast<const uint8_t*>(&dv->audio), sizeof(dv->audio));
    return out.audio >= 0;
}

const CLSID& muxClass(OutputContainer container) {
    return container == OutputContainer::Mp4        ? CLSID_Mp4Mux
           : container == OutputContainer::Matroska ? CLSID_MatroskaMux
                                                    : CLSID_AviDest;
}

} // namespace

AviMuxFilter::AviMuxFilter(OutputContainer container)
    : BaseFilter(muxClass(container)), container_(container),
      output_(std::make_unique<AviMuxOutputPin>(
          this, WideFromUtf8(std::string(ContainerLabel(container)) + " Out"))) {
    inputs_.push_back(std::make_unique<AviMuxInputPin>(this, inputName(1)));
}

AviMuxFilter::~AviMuxFilter() = default;

void* AviMuxFilter::QueryInterfaceExtra(REFIID iid) {
    if (iid == IConfigAviMux::kIid)
        return static_cast<IConfigAviMux*>(this);
    if (iid == IConfigInterleaving::kIid)
        return static_cast<IConfigInterleaving*>(this);
    return BaseFilter::QueryInterfaceExtra(iid);
}

int AviMuxFilter::GetPinCount() {
    AutoLock lock(filterLock_);
    return static_cast<int>(inputs_.size()) + 1;
}

BasePin* AviMuxFilter::GetPin(int index) {
    AutoLock lock(filterLock_);
    if (index < 0 || index > static_cast<int>(inputs_.size()))
        return nullptr;
    if (index == static_cast<int>(inputs_.size()))
        return output_.get();
    return inputs_[static_cast<size_t>(index)].get();
}

bool AviMuxFilter::addStreams(AviMuxer& muxer, const MediaType& type,
                              AviMuxInputPin::Streams& out) {
    out = AviMuxInputPin::Streams();
    if (type.majortype == MEDIATYPE_Video && type.formattype == FORMAT_VideoInfo)
        return addVideoInfoStream(muxer, type, out);
    if (type.majortype == MEDIATYPE_Audio && type.formattype == FORMAT_WaveFormatEx) {
        out.audio = muxer.addAudioStream(type.pbFormat(), type.cbFormat());
        return out.audio >= 0;
    }
    if (type.majortype == MEDIATYPE_Interleaved && type.formattype == FORMAT_DvMuxStream)
        return addDvStreams(muxer, type, out);
    return false;
}

HRESULT AviMuxFilter::CheckInputType(const MediaType& type) {
    // A trial declaration on a scratch muxer: exactly the types the file can hold.
    AviMuxer scratch(container_);
    AviMuxInputPin::Streams streams;
    return addStreams(scratch, type, streams) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

void AviMuxFilter::OnInputConnected() {
    AutoLock lock(filterLock_);
    for (const auto& pin : inputs_)
        if (!pin->IsConnected())
            return; // a free input is left
    inputs_.push_back(std::make_unique<AviMuxInputPin>(this, inputName(inputs_.size() + 1)));
}

HRESULT AviMuxFilter::OnLeavingStopped() {
    if (!output_->IsConnected() || !output_->writer())
        return VFW_E_NOT_CONNECTED;
    return beginFile();
}

HRESULT AviMuxFilter::beginFile() {
    // Stopped, so no input streams yet: the muxer and file are prepared without the stream
    // lock (which is never held while calling another filter) and published under it.
    auto muxer = std::make_shared<AviMuxer>(container_);
    std::vector<AviMuxInputPin::Streams> streams(inputs_.size());
    bool any = false;
    for (size_t i = 0; i < inputs_.size(); ++i) {
        AviMuxInputPin& pin = *inputs_[i];
        if (!pin.IsConnected())
            continue;
        // The DV Muxer settles its stream (with or without audio) only when its own
        // inputs are connected: take the type its output pin holds now.
        MediaType type = pin.CurrentMediaType();
        if (type.majortype == MEDIATYPE_Interleaved)
            pin.GetConnected()->ConnectionMediaType(&type);
        if (!addStreams(*muxer, type, streams[i]))
            return VFW_E_TYPE_NOT_ACCEPTED;
        any = true;
    }
    if (!any)
        return VFW_E_NOT_CONNECTED;
    ComPtr<IFileWriterStream> file(output_->writer());
    ByteSink* sink = nullptr;
    HRESULT hr = file->BeginFile(&sink);
    if (FAILED(hr))
        return hr;
    hr = muxer->begin(*sink);
    if (FAILED(hr)) {
        file->EndFile();
        return hr;
    }
    std::lock_guard lock(streamMutex_);
    for (size_t i = 0; i < inputs_.size(); ++i)
        inputs_[i]->streams() = streams[i];
    muxer_ = std::move(muxer);
    file_ = file;
    failed_ = false;
    return S_OK;
}

HRESULT AviMuxFilter::ReceiveSample(AviMuxInputPin* pin, IMediaSample* sample) {
    std::shared_ptr<AviMuxer> muxer;
    {
        std::lock_guard lock(streamMutex_);
        if (failed_)
            return E_ABORT;
        if (!muxer_)
            return VFW_E_WRONG_STATE; // finished: stopping
        muxer = muxer_;
    }
    const HRESULT hr = writeSample(*muxer, pin, sample);
    return FAILED(hr) ? failWrite(muxer, hr) : hr;
}

HRESULT AviMuxFilter::writeSample(AviMuxer& muxer, AviMuxInputPin* pin, IMediaSample* sample) {
    AviMuxInputPin::Streams& s = pin->streams();
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    const LONG length = sample->GetActualDataLength();
    if (!data || length < 0)
        return E_INVALIDARG;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    if (sample->GetTime(&start, &stop) != S_OK) {
        start = s.frames * s.framePeriod;
        stop = start + s.framePeriod;
    }
    const bool key = sample->IsSyncPoint() == S_OK;
    size_t videoBytes = s.video >= 0 ? static_cast<size_t>(length) : 0;
    if (s.dvFrameBytes > 0) {
        if (static_cast<size_t>(length) < s.dvFrameBytes)
            return E_INVALIDARG; // an interleaved DV sample always starts with a frame
        videoBytes = s.dvFrameBytes;
    }
    HRESULT hr = S_OK;
    if (s.video >= 0) {
        hr = muxer.write(s.video, data, videoBytes, start, stop, key || s.dvFrameBytes > 0);
        ++s.frames;
    }
    const size_t audioBytes = static_cast<size_t>(length) - videoBytes;
    if (SUCCEEDED(hr) && s.audio >= 0 && audioBytes > 0)
        hr = muxer.write(s.audio, data + videoBytes, audioBytes, start, stop, true);
    return hr;
}

HRESULT AviMuxFilter::failWrite(const std::shared_ptr<AviMuxer>& muxer, HRESULT hr) {
    ComPtr<IFileWriterStream> file;
    {
        std::lock_guard lock(streamMutex_);
        if (muxer_ != muxer) // finished meanwhile (Stop, the end) or failed on another input
            return failed_ ? E_ABORT : VFW_E_WRONG_STATE;
        failed_ = true;
        muxer_.reset();
        file = std::move(file_);
    }
    // Whatever is written stays as it is; the graph hears of the failure once.
    muxer->abandon(hr);
    if (file)
        file->EndFile();
    NotifyEvent(EC_ERRORABORT, hr, 0);
    return hr;
}

HRESULT AviMuxFilter::InputEnded(AviMuxInputPin* pin) {
    std::shared_ptr<AviMuxer> muxer;
    {
        std::lock_guard lock(streamMutex_);
        pin->streams().ended = true;
        if (!muxer_ || failed_)
            return S_OK;
        // Pins only change while stopped, so the list is stable while streaming.
        for (const auto& input : inputs_)
            if (input->IsConnected() && !input->streams().ended)
                return S_OK;
        muxer = muxer_;
    }
    const HRESULT hr = finishFile(muxer);
    if (FAILED(hr))
        return hr;
    return output_->DeliverEndOfStream();
}

HRESULT AviMuxFilter::finishFile(const std::shared_ptr<AviMuxer>& muxer) {
    if (!muxer)
        return S_FALSE;
    ComPtr<IFileWriterStream> file;
    {
        std::lock_guard lock(streamMutex_);
        file = file_;
    }
    // Both callers may get here; finish() returns the first call's result to the second,
    // and closing a closed file does nothing.
    HRESULT hr = muxer->finish();
    const HRESULT closed = file ? file->EndFile() : S_OK;
    if (SUCCEEDED(hr) && FAILED(closed))
        hr = closed;
    bool retired = false;
    {
        std::lock_guard lock(streamMutex_);
        if (muxer_ == muxer) {
            retired = true;
            muxer_.reset();
            file_ = nullptr;
            failed_ = FAILED(hr);
        }
    }
    if (retired && FAILED(hr))
        NotifyEvent(EC_ERRORABORT, hr, 0);
    return hr;
}

HRESULT AviMuxFilter::Stop() {
    AutoLock lock(filterLock_);
    if (state() == State_Stopped)
        return S_OK;
    state_.store(State_Stopped, std::memory_order_release);
    // Decommitting the inputs' allocators releases upstream threads waiting for buffers;
    // finishing then waits on the muxer for a sample being written.
    HRESULT hr = deactivatePinsLocked();
    std::shared_ptr<AviMuxer> muxer;
    {
        std::lock_guard stream(streamMutex_);
        muxer = muxer_;
    }
    const HRESULT finished = finishFile(muxer);
    return FAILED(hr) ? hr : (FAILED(finished) ? finished : S_OK);
}

HRESULT AviMuxFilter::SetMasterStream(LONG stream) {
    AutoLock lock(filterLock_);
    masterStream_ = stream;
    return S_OK;
}

HRESULT AviMuxFilter::GetMasterStream(LONG* stream) {
    if (!stream)
        return E_POINTER;
    AutoLock lock(filterLock_);
    *stream = masterStream_;
    return S_OK;
}

HRESULT AviMuxFilter::SetOutputCompatibilityIndex(BOOL oldIndex) {
    AutoLock lock(filterLock_);
    compatibilityIndex_ = oldIndex;
    return S_OK;
}

HRESULT AviMuxFilter::GetOutputCompatibilityIndex(BOOL* oldIndex) {
    if (!oldIndex)
        return E_POINTER;
    AutoLock lock(filterLock_);
    *oldIndex = compatibilityIndex_;
    return S_OK;
}

HRESULT AviMuxFilter::put_Mode(InterleavingMode mode) {
    if (mode < INTERLEAVE_NONE || mode > INTERLEAVE_NONE_BUFFERED)
        return E_INVALIDARG;
    AutoLock lock(filterLock_);
    mode_ = mode;
    return S_OK;
}

HRESULT AviMuxFilter::get_Mode(InterleavingMode* mode) {
    if (!mode)
        return E_POINTER;
    AutoLock lock(filterLock_);
    *mode = mode_;
    return S_OK;
}

HRESULT AviMuxFilter::put_Interleaving(const REFERENCE_TIME* leaving,
                                       const REFERENCE_TIME* preroll) {
    AutoLock lock(filterLock_);
    if (leaving)
        interleaving_ = *leaving;
    if (preroll)
        preroll_ = *preroll;
    return S_OK;
}

HRESULT AviMuxFilter::get_Interleaving(REFERENCE_TIME* leaving, REFERENCE_TIME* preroll) {
    if (!leaving || !preroll)
        return E_POINTER;
    AutoLock lock(filterLock_);
    *leaving = interleaving_;
    *preroll = preroll_;
    return S_OK;
}

} // namespace zentar

#include "platform/media/VideoCompressorFilter.h"

#include "platform/media/BufferSizing.h"
#include "platform/media/CompressorDialogHost.h"
#include "platform/media/MediaTypeFactory.h"

#include <algorithm>
#include <cstring>

namespace zentar {

namespace {

// Copies `text` with its terminator into a buffer of *bytes bytes (as much as fits) and
// sets *bytes to what the whole text needs.
void copyInfoText(std::u16string_view text, WCHAR* buffer, int* bytes) {
    if (!bytes)
        return;
    const int needed = static_cast<int>((text.size() + 1) * sizeof(WCHAR));
    if (buffer && *bytes >= static_cast<int>(sizeof(WCHAR))) {
        const size_t room = static_cast<size_t>(*bytes) / sizeof(WCHAR) - 1;
        const size_t count = std::min(room, text.size());
        std::copy_n(text.data(), count, buffer);
        buffer[count] = 0;
    }
    *bytes = needed;
}

// The dialog state a compressor keeps: what its configuration dialog edits.
struct DialogState {
    double quality;
    int32_t keyFrameRate;
};

} // namespace

VideoCompressorFilter::VideoCompressorFilter(CompressorInfo info)
    : EncoderTransformFilter(CLSID_ZentarVideoCompressor), info_(std::move(info)),
      caps_(VideoEncoder(info_.encoderName, info_.fourcc).caps()),
      encoder_(info_.encoderName, info_.fourcc) {
    OutputPin()->SetInterfaceProvider([this](REFIID iid) { return compressorInterface(iid); });
}

VideoCompressorFilter::~VideoCompressorFilter() = default;

void* VideoCompressorFilter::compressorInterface(REFIID iid) {
    if (iid == IAMVideoCompression::kIid)
        return static_cast<IAMVideoCompression*>(this);
    if (iid == IAMVfwCompressDialogs::kIid)
        return static_cast<IAMVfwCompressDialogs*>(this);
    if (iid == IDVEnc::kIid && isDv())
        return static_cast<IDVEnc*>(this);
    if (iid == IConfigVideoEncoder::kIid)
        return static_cast<IConfigVideoEncoder*>(this);
    return nullptr;
}

void* VideoCompressorFilter::QueryInterfaceExtra(REFIID iid) {
    if (void* own = compressorInterface(iid))
        return own;
    return EncoderTransformFilter::QueryInterfaceExtra(iid);
}

VideoEncoderSettings VideoCompressorFilter::settingsLocked() const {
    VideoEncoderSettings settings;
    if (input_) {
        settings.width = input_->width;
        settings.height = input_->height;
        settings.avgTimePerFrame = input_->avgTimePerFrame;
    }
    settings.quality = quality_;
    settings.keyFrameRate = keyFrameRate_ > 0 ? keyFrameRate_ : 0;
    settings.preset = preset_;
    settings.globalHeader = globalHeader_;
    return settings;
}

HRESULT VideoCompressorFilter::SetPreset(const char* preset) {
    AutoLock lock(filterLock_);
    preset_ = preset ? preset : "";
    return S_OK;
}

HRESULT VideoCompressorFilter::GetPreset(std::string* preset) {
    if (!preset)
        return E_POINTER;
    AutoLock lock(filterLock_);
    *preset = preset_;
    return S_OK;
}

HRESULT VideoCompressorFilter::SetGlobalHeader(BOOL global) {
    AutoLock lock(filterLock_);
    globalHeader_ = global != FALSE;
    return S_OK;
}

HRESULT VideoCompressorFilter::CheckInputType(const MediaType* input) {
    const std::optional<RgbVideoFormat> rgb = ReadRgbVideoType(*input);
    if (!rgb)
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (!VideoEncoder::acceptsFrameSize(info_.encoderName, rgb->width, rgb->height, nullptr))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT VideoCompressorFilter::SetMediaType(PIN_DIRECTION direction, const MediaType* type) {
    if (direction == PINDIR_OUTPUT)
        return S_OK;
    input_ = ReadRgbVideoType(*type);
    if (!input_)
        return VFW_E_TYPE_NOT_ACCEPTED;
    // Opening the encoder tells what its stream looks like (bit count, extra data).
    HRESULT hr = encoder_.open(settingsLocked());
    if (FAILED(hr)) {
        input_.reset();
        return hr;
    }
    const CompressedVideoFormat& format = encoder_.format();
    outputType_ =
        MakeCompressedVideoType(format.fourcc, format.width, format.height, format.bitCount,
                                format.avgTimePerFrame, format.maxFrameBytes, format.extraData);
    return S_OK;
}

HRESULT VideoCompressorFilter::BreakConnect(PIN_DIRECTION direction) {
    if (direction == PINDIR_INPUT) {
        input_.reset();
        outputType_ = MediaType();
    }
    return S_OK;
}

HRESULT VideoCompressorFilter::GetMediaType(int position, MediaType* type) {
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0 || !input_)
        return VFW_S_NO_MORE_ITEMS;
    *type = outputType_;
    return S_OK;
}

HRESULT VideoCompressorFilter::CheckTransform(const MediaType* input, const MediaType* output) {
    if (!ReadRgbVideoType(*input) || !input_)
        return VFW_E_TYPE_NOT_ACCEPTED;
    if (output->majortype != MEDIATYPE_Video || output->subtype != outputType_.subtype ||
        output->formattype != FORMAT_VideoInfo || output->format.size() < sizeof(VIDEOINFOHEADER))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT VideoCompressorFilter::DecideBufferSize(IMemAllocator* allocator,
                                                ALLOCATOR_PROPERTIES* request) {
    if (!input_)
        return VFW_E_NOT_CONNECTED;
    return RequestBuffers(allocator, request, 2,
                          static_cast<LONG>(encoder_.format().maxFrameBytes));
}

HRESULT VideoCompressorFilter::StartStreaming() {
    if (!input_)
        return VFW_E_NOT_CONNECTED;
    framesIn_ = 0;
    streamSettings_ = settingsLocked();
    return encoder_.open(streamSettings_);
}

HRESULT VideoCompressorFilter::Receive(IMediaSample* input) {
    HRESULT hr = receiveCheck(input);
    if (hr != S_OK)
        return hr;
    BYTE* data = nullptr;
    input->GetPointer(&data);
    if (!data || static_cast<uint32_t>(input->GetActualDataLength()) < input_->imageBytes())
        return E_INVALIDARG; // a short frame: the stream is broken
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    if (input->GetTime(&start, &stop) != S_OK) {
        const REFERENCE_TIME period =
            input_->avgTimePerFrame > 0 ? input_->avgTimePerFrame : 400000;
        start = framesIn_ * period;
        stop = start + period;
    }
    ++framesIn_;
    return encoder_.encode(data, start, stop, packetSink());
}

HRESULT VideoCompressorFilter::OnEndOfStream() {
    // Frames the encoder still holds go out before the end of the stream.
    return encoder_.finish(packetSink());
}

void VideoCompressorFilter::OnFlush() {
    // Frames buffered inside the encoder belong to the flushed stream: start afresh with
    // the settings the stream started with.
    framesIn_ = 0;
    encoder_.open(streamSettings_);
}

HRESULT VideoCompressorFilter::put_KeyFrameRate(LONG keyFrameRate) {
    if (!caps_.canKeyFrame)
        return E_NOTIMPL;
    AutoLock lock(filterLock_);
    keyFrameRate_ = keyFrameRate < 0 ? -1 : keyFrameRate;
    return S_OK;
}

HRESULT VideoCompressorFilter::get_KeyFrameRate(LONG* keyFrameRate) {
    if (!keyFrameRate)
        return E_POINTER;
    if (!caps_.canKeyFrame)
        return E_NOTIMPL;
    AutoLock lock(filterLock_);
    *keyFrameRate = keyFrameRate_ > 0 ? keyFrameRate_ : caps_.defaultKeyFrameRate;
    return S_OK;
}

HRESULT VideoCompressorFilter::put_PFramesPerKeyFrame(LONG /*frames*/) {
    return E_NOTIMPL; // every encoder here decides its own predicted frames
}

HRESULT VideoCompressorFilter::get_PFramesPerKeyFrame(LONG* frames) {
    if (!frames)
        return E_POINTER;
    return E_NOTIMPL;
}

HRESULT VideoCompressorFilter::put_Quality(double quality) {
    if (!caps_.canQuality)
        return E_NOTIMPL;
    if (quality > 1.0)
        return E_INVALIDARG;
    AutoLock lock(filterLock_);
    quality_ = quality < 0 ? -1 : quality;
    return S_OK;
}

HRESULT VideoCompressorFilter::get_Quality(double* quality) {
    if (!quality)
        return E_POINTER;
    if (!caps_.canQuality)
        return E_NOTIMPL;
    AutoLock lock(filterLock_);
    *quality = quality_ >= 0 ? quality_ : caps_.defaultQuality;
    return S_OK;
}

HRESULT VideoCompressorFilter::put_WindowSize(uint64_t /*frames*/) {
    return E_NOTIMPL;
}

HRESULT VideoCompressorFilter::get_WindowSize(uint64_t* frames) {
    if (!frames)
        return E_POINTER;
    return E_NOTIMPL;
}

HRESULT VideoCompressorFilter::GetInfo(WCHAR* version, int* versionBytes, WCHAR* description,
                                       int* descriptionBytes, LONG* defaultKeyFrameRate,
                                       LONG* defaultPFramesPerKey, double* defaultQuality,
                                       LONG* capabilities) {
    copyInfoText(WideFromUtf8("libavcodec " + info_.encoderName), version, versionBytes);
    copyInfoText(WideFromUtf8(info_.friendlyName), description, descriptionBytes);
    if (defaultKeyFrameRate)
        *defaultKeyFrameRate = caps_.canKeyFrame ? caps_.defaultKeyFrameRate : -1;
    if (defaultPFramesPerKey)
        *defaultPFramesPerKey = -1;
    if (defaultQuality)
        *defaultQuality = caps_.canQuality ? caps_.defaultQuality : -1;
    if (capabilities) {
        *capabilities = (caps_.canQuality ? CompressionCaps_CanQuality : 0) |
                        (caps_.canKeyFrame ? CompressionCaps_CanKeyFrame : 0);
    }
    return S_OK;
}

HRESULT VideoCompressorFilter::OverrideKeyFrame(LONG /*frame*/) {
    return E_NOTIMPL;
}

HRESULT VideoCompressorFilter::OverrideFrameSize(LONG /*frame*/, LONG /*size*/) {
    return E_NOTIMPL;
}

HRESULT VideoCompressorFilter::ShowDialog(int dialog, void* parentWindow) {
    CompressorDialogHost* host = InstalledCompressorDialogHost();
    const bool configurable = host && (caps_.canQuality || caps_.canKeyFrame);
    switch (dialog) {
    case VfwCompressDialog_QueryConfig:
        return configurable ? S_OK : S_FALSE;
    case VfwCompressDialog_QueryAbout:
        return host ? S_OK : S_FALSE;
    case VfwCompressDialog_About:
        if (!host)
            return E_NOTIMPL;
        host->showAboutDialog(parentWindow, info_);
        return S_OK;
    case VfwCompressDialog_Config:
        break;
    default:
        return E_INVALIDARG;
    }
    if (!configurable)
        return E_NOTIMPL;
    CompressorDialogSettings settings;
    settings.canQuality = caps_.canQuality;
    settings.canKeyFrame = caps_.canKeyFrame;
    get_Quality(&settings.quality);
    LONG keyFrameRate = 0;
    get_KeyFrameRate(&keyFrameRate);
    settings.keyFrameRate = keyFrameRate;
    settings.presets = VideoEncoder::presets(info_.encoderName);
    GetPreset(&settings.preset);
    // The dialog runs without the filter's lock: it may take as long as the user does.
    if (!host->showConfigDialog(parentWindow, info_, settings))
        return S_FALSE;
    if (!settings.presets.empty())
        SetPreset(settings.preset.c_str());
    if (caps_.canQuality)
        put_Quality(std::clamp(settings.quality, 0.0, 1.0));
    if (caps_.canKeyFrame)
        put_KeyFrameRate(std::max(settings.keyFrameRate, 0));
    return S_OK;
}

HRESULT VideoCompressorFilter::GetState(void* state, int* size) {
    if (!size)
        return E_POINTER;
    if (!state) {
        *size = sizeof(DialogState);
        return S_OK;
    }
    if (*size < static_cast<int>(sizeof(DialogState)))
        return E_INVALIDARG;
    AutoLock lock(filterLock_);
    const DialogState current{quality_, keyFrameRate_};
    std::memcpy(state, &current, sizeof current);
    *size = sizeof current;
    return S_OK;
}

HRESULT VideoCompressorFilter::SetState(void* state, int size) {
    if (!state)
        return E_POINTER;
    if (size != static_cast<int>(sizeof(DialogState)))
        return E_INVALIDARG;
    DialogState wanted;
    std::memcpy(&wanted, state, sizeof wanted);
    if (wanted.quality > 1.0)
        return E_INVALIDARG;
    AutoLock lock(filterLock_);
    quality_ = caps_.canQuality && wanted.quality >= 0 ? wanted.quality : -1;
    keyFrameRate_ = caps_.canKeyFrame && wanted.keyFrameRate >= 0 ? wanted.keyFrameRate : -1;
    return S_OK;
}

HRESULT VideoCompressorFilter::SendDriverMessage(int /*message*/, long /*param1*/,
                                                 long /*param2*/) {
    return E_NOTIMPL;
}

HRESULT VideoCompressorFilter::get_IFormatResolution(int* videoFormat, int* dvFormat,
                                                     int* resolution, BYTE wantDvInfo,
                                                     DVINFO* dvInfo) {
    if (!videoFormat || !dvFormat || !resolution)
        return E_POINTER;
    AutoLock lock(filterLock_);
    *videoFormat =
        input_ && input_->height == 480 ? DVENCODERVIDEOFORMAT_NTSC : DVENCODERVIDEOFORMAT_PAL;
    *dvFormat = DVENCODERFORMAT_DVSD;
    *resolution = DVENCODERRESOLUTION_720x480;
    if (wantDvInfo && dvInfo)
        *dvInfo = DVINFO();
    return S_OK;
}

HRESULT VideoCompressorFilter::put_IFormatResolution(int videoFormat, int dvFormat, int resolution,
                                                     BYTE /*wantDvInfo*/, DVINFO* /*dvInfo*/) {
    // The frame size decides PAL or NTSC; only full-resolution 'dvsd' is written.
    const bool knownSystem =
        videoFormat == DVENCODERVIDEOFORMAT_PAL || videoFormat == DVENCODERVIDEOFORMAT_NTSC;
    if (!knownSystem || dvFormat != DVENCODERFORMAT_DVSD ||
        resolution != DVENCODERRESOLUTION_720x480)
        return E_INVALIDARG;
    return S_OK;
}

} // namespace zentar

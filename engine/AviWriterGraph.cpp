#include "engine/AviWriterGraph.h"

#include "engine/CMyException.h"
#include "engine/CompressorList.h"
#include "filters/AudioWriterProxy.h"
#include "filters/IAudioWriterProxy.h"
#include "filters/IVideoWriterProxy.h"
#include "filters/VideoWriterProxy.h"
#include "platform/com/Bstr.h"
#include "platform/media/MediaFilterInterfaces.h"
#include "platform/media/MediaRegistration.h"
#include "platform/streaming/FilterRegistry.h"
#include "platform/streaming/MediaGuids.h"
#include "resources/strings/StringTable.h"

#include <mutex>

namespace zentar {

namespace {

// The one DV encoder instance of the program, shared by every DV binding.
std::mutex dvEncoderMutex;
ComPtr<IBaseFilter>& dvEncoderSlot() {
    static ComPtr<IBaseFilter> encoder;
    return encoder;
}

void raise(int32_t code) {
    throw CMyException(code);
}

void require(HRESULT hr, int32_t code) {
    if (FAILED(hr))
        raise(code);
}

bool isDvSubtype(const GUID& subtype) {
    return subtype == MEDIASUBTYPE_dvsd || subtype == MEDIASUBTYPE_dvhd ||
           subtype == MEDIASUBTYPE_dvsl;
}

} // namespace

void AviWriterGraph::ReleaseSharedDvEncoder() {
    ComPtr<IBaseFilter> released;
    {
        std::lock_guard lock(dvEncoderMutex);
        released = std::move(dvEncoderSlot());
    }
}

AviWriterGraph::AviWriterGraph() {
    RegisterMediaFilters();
    require(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             graph_.GetVoidAddressOf()),
            kObjectsError);
    require(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                             IID_ICaptureGraphBuilder2, builder_.GetVoidAddressOf()),
            kObjectsError);
    require(builder_->SetFiltergraph(graph_.Get()), kObjectsError);
    require(graph_.As(control_), kObjectsError);
    require(graph_.As(event_), kObjectsError);
    require(event_->GetEventHandle(&eventHandle_), kObjectsError);
}

AviWriterGraph::~AviWriterGraph() {
    // A graph dropped without its end sequence (a failure on the way) still stops its
    // streaming threads before the filters go.
    if (control_)
        control_->Stop();
}

void AviWriterGraph::SetVideoParameters(const AVICOMPRESSOPTIONS& options, double frameRate,
                                        int32_t width, int32_t height,
                                        const std::string& videoCodec) {
    options_ = options;
    frameRate_ = frameRate;
    width_ = width;
    height_ = height;
    bitCount_ = 24;
    videoCodec_ = videoCodec;
}

void AviWriterGraph::SetContainer(OutputContainer container, const std::string& videoPreset) {
    container_ = container;
    videoPreset_ = videoPreset;
}

void AviWriterGraph::AddPlatformFilter(const char16_t* name, const CLSID& clsid,
                                       ComPtr<IBaseFilter>& filter) {
    filter = nullptr;
    // A platform filter that cannot be created or added leaves the output unwritable.
    require(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                             filter.GetVoidAddressOf()),
            kConnectError);
    if (!filter)
        raise(kConnectError);
    require(graph_->AddFilter(filter.Get(), name), kConnectError);
}

void AviWriterGraph::ConnectFilters(IBaseFilter* upstream, IBaseFilter* downstream,
                                    const GUID* type) {
    ComPtr<IPin> output;
    ComPtr<IPin> input;
    if (!upstream || !downstream ||
        FAILED(builder_->FindPin(upstream, PINDIR_OUTPUT, nullptr, type, TRUE, 0,
                                 output.GetAddressOf())) ||
        !output ||
        FAILED(builder_->FindPin(downstream, PINDIR_INPUT, nullptr, nullptr, TRUE, 0,
                                 input.GetAddressOf())) ||
        !input)
        raise(kConnectError);
    if (graph_->Connect(output.Get(), input.Get()) != S_OK)
        raise(kConnectError);
}

void AviWriterGraph::BindVideoCompressor(const std::string& name, ComPtr<IBaseFilter>& filter) {
    filter = nullptr;
    CompressorList list;
    list.build(CLSID_VideoCompressorCategory);
    if (FAILED(list.create(name, filter)) || !filter)
        raise(kConnectError);
    if (filter.As<IDVEnc>()) {
        // One DV encoder serves every output of the program.
        std::lock_guard lock(dvEncoderMutex);
        ComPtr<IBaseFilter>& shared = dvEncoderSlot();
        if (shared)
            filter = shared;
        else
            shared = filter;
    }
    require(graph_->AddFilter(filter.Get(), WideFromUtf8(name).c_str()), kConnectError);
}

void AviWriterGraph::BindAudioCompressor(const std::string& name, ComPtr<IBaseFilter>& filter) {
    filter = nullptr;
    CompressorList list;
    list.build(CLSID_AudioCompressorCategory);
    if (FAILED(list.create(name, filter)) || !filter)
        raise(kConnectError);
    require(graph_->AddFilter(filter.Get(), WideFromUtf8(name).c_str()), kConnectError);
}

void AviWriterGraph::RemoveFilter(IBaseFilter* filter) {
    if (graph_ && filter)
        graph_->RemoveFilter(filter);
}

void AviWriterGraph::applyCompressionOptions(IPin* output) {
    ComPtr<IAMVideoCompression> compression;
    if (!output || FAILED(ComPtr<IPin>(output).As(compression)) || !compression)
        return;
    WCHAR version[80] = {};
    WCHAR description[80] = {};
    int versionBytes = sizeof(version);
    int descriptionBytes = sizeof(description);
    LONG keyFrameRate = 0;
    LONG pFrames = 0;
    double quality = 0;
    LONG capabilities = 0;
    if (FAILED(compression->GetInfo(version, &versionBytes, description, &descriptionBytes,
                                    &keyFrameRate, &pFrames, &quality, &capabilities)))
        return;
    if (capabilities & CompressionCaps_CanQuality)
        compression->put_Quality(options_.dwQuality * 0.0001);
    if ((capabilities & CompressionCaps_CanKeyFrame) && (options_.dwFlags & AVICOMPRESSF_KEYFRAMES))
        compression->put_KeyFrameRate(static_cast<LONG>(options_.dwKeyFrameEvery));
}

bool AviWriterGraph::outputOffersDv(IBaseFilter* compressor) {
    ComPtr<IPin> output;
    if (FAILED(builder_->FindPin(compressor, PINDIR_OUTPUT, nullptr, nullptr, FALSE, 0,
                                 output.GetAddressOf())) ||
        !output)
        return false;
    ComPtr<IEnumMediaTypes> types;
    if (FAILED(output->EnumMediaTypes(types.GetAddressOf())) || !types)
        return false;
    MediaType type;
    ULONG fetched = 0;
    while (types->Next(1, &type, &fetched) == S_OK && fetched == 1) {
        const bool dv = type.majortype == MEDIATYPE_Video && isDvSubtype(type.subtype);
        FreeMediaType(type);
        if (dv)
            return true;
    }
    return false;
}

void AviWriterGraph::buildFileWritingBranch(const std::string& fileName, IBaseFilter* compressor) {
    ComPtr<IFileSinkFilter> sink;
    if (FAILED(ComPtr<IBaseFilter>(compressor).As(sink)) || !sink)
        raise(kConnectError); // neither an output pin nor a file of its own
    require(sink->SetFileName(WideFromUtf8(fileName).c_str(), nullptr), kConnectError);
    ConnectFilters(videoProxyFilter_.Get(), compressor, nullptr);
    fileWritingCompressor_ = compressor;
}

void AviWriterGraph::BuildVideoBranch(const std::string& fileName) {
    HRESULT hr = S_OK;
    videoProxyFilter_ = VideoWriterProxy::Create(&hr);
    if (FAILED(hr) || !videoProxyFilter_)
        raise(kObjectsError);
    require(graph_->AddFilter(videoProxyFilter_.Get(), u"VideoWriterProxy"), kConnectError);
    require(videoProxyFilter_.As(videoProxy_), kObjectsError);
    videoProxy_->SetFrameSize(width_, height_);
    videoProxy_->SetFrameRate(frameRate_);
    videoProxy_->SetBitCount(bitCount_);

    ComPtr<IBaseFilter> compressor;
    const bool compressed = !videoCodec_.empty() && videoCodec_ != LoadString(1);
    if (compressed) {
        BindVideoCompressor(videoCodec_, compressor);
        if (auto config = compressor.As<IConfigVideoEncoder>()) {
            config->SetPreset(videoPreset_.c_str());
            // MP4 and Matroska keep the parameter sets in the track header.
            config->SetGlobalHeader(container_ != OutputContainer::Avi);
        }
        ComPtr<IPin> output;
        builder_->FindPin(compressor.Get(), PINDIR_OUTPUT, nullptr, nullptr, TRUE, 0,
                          output.GetAddressOf());
        applyCompressionOptions(output.Get());
        if (!output) {
            buildFileWritingBranch(fileName, compressor.Get());
            return;
        }
    }

    if (container_ == OutputContainer::Mp4)
        AddPlatformFilter(u"MP4 Mux", CLSID_Mp4Mux, aviMux_);
    else if (container_ == OutputContainer::Matroska)
        AddPlatformFilter(u"Matroska Mux", CLSID_MatroskaMux, aviMux_);
    else
        AddPlatformFilter(u"AVI Mux", CLSID_AviDest, aviMux_);
    if (auto config = aviMux_.As<IConfigAviMux>()) {
        config->SetMasterStream(0);
        config->SetOutputCompatibilityIndex(TRUE);
    }
    if (auto interleaving = aviMux_.As<IConfigInterleaving>())
        interleaving->put_Mode(INTERLEAVE_NONE);

    ComPtr<IBaseFilter> fileWriter;
    AddPlatformFilter(u"File writer", CLSID_FileWriter, fileWriter);
    auto sink = fileWriter.As<IFileSinkFilter>();
    if (!sink)
        raise(kConnectError);
    require(sink->SetFileName(WideFromUtf8(fileName).c_str(), nullptr), kConnectError);

    if (compressed) {
        ConnectFilters(videoProxyFilter_.Get(), compressor.Get(), nullptr);
        if (container_ == OutputContainer::Avi && outputOffersDv(compressor.Get())) {
            AddPlatformFilter(u"DV Muxer", CLSID_DVMux, dvMux_);
            ConnectFilters(compressor.Get(), dvMux_.Get(), nullptr);
            ConnectFilters(dvMux_.Get(), aviMux_.Get(), nullptr);
        } else {
            ConnectFilters(compressor.Get(), aviMux_.Get(), nullptr);
        }
    } else {
        ConnectFilters(videoProxyFilter_.Get(), aviMux_.Get(), nullptr);
    }
    ConnectFilters(aviMux_.Get(), fileWriter.Get(), nullptr);
}

void AviWriterGraph::BuildAudioBranch(const WAVEFORMATEX& format, double frameRate,
                                      const std::string& audioCodec) {
    HRESULT hr = S_OK;
    audioProxyFilter_ = AudioWriterProxy::Create(&hr);
    if (FAILED(hr) || !audioProxyFilter_)
        raise(kObjectsError);
    require(graph_->AddFilter(audioProxyFilter_.Get(), u"AudioWriterProxy"), kConnectError);
    require(audioProxyFilter_.As(audioProxy_), kObjectsError);
    audioProxy_->SetFrameRate(frameRate);
    audioProxy_->SetFormat(&format);

    if (dvMux_) {
        ComPtr<IBaseFilter> wrapper;
        AddPlatformFilter(u"ACM Wrapper", CLSID_ACMWrapper, wrapper);
        ConnectFilters(audioProxyFilter_.Get(), wrapper.Get(), nullptr);
        ConnectFilters(wrapper.Get(), dvMux_.Get(), nullptr);
        return;
    }
    IBaseFilter* target = fileWritingCompressor_ ? fileWritingCompressor_.Get() : aviMux_.Get();
    if (!audioCodec.empty() && audioCodec != "PCM" && audioCodec != "pcm") {
        ComPtr<IBaseFilter> compressor;
        BindAudioCompressor(audioCodec, compressor);
        ConnectFilters(audioProxyFilter_.Get(), compressor.Get(), &MEDIATYPE_Audio);
        ConnectFilters(compressor.Get(), target, &MEDIATYPE_Audio);
    } else {
        ConnectFilters(audioProxyFilter_.Get(), target, nullptr);
    }
}

bool AviWriterGraph::waitForCompletion() {
    for (;;) {
        if (WaitForSingleObject(eventHandle_, kDrainLimitMs) != WAIT_OBJECT_0)
            return false; // nothing moves downstream any more: stop with what arrived
        LONG code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        if (FAILED(event_->GetEvent(&code, &param1, &param2, 0)))
            continue;
        event_->FreeEventParams(code, param1, param2);
        if (code == EC_COMPLETE)
            return true;
        if (code == EC_ERRORABORT || code == EC_USERABORT || code == EC_STREAM_ERROR_STOPPED)
            return false;
    }
}

bool AviWriterGraph::SendVideo(const uint8_t* frame) {
    return send(Stream::Video, frame);
}

bool AviWriterGraph::SendAudio(const uint8_t* block) {
    return send(Stream::Audio, block);
}

bool AviWriterGraph::send(Stream stream, const uint8_t* data) {
    if (!videoProxy_)
        return false; // nothing built: nothing can be written
    OAFilterState state = State_Stopped;
    const HRESULT stateResult = control_->GetState(static_cast<LONG>(INFINITE), &state);
    if (!data) {
        videoProxy_->PushFrame(nullptr);
        if (audioProxy_)
            audioProxy_->PushAudio(nullptr);
        // Stopping at once would cut off what the compressors still hold (their delayed
        // frames drain at end of stream): let the ends reach the file first. After a
        // refused push the file cannot complete (a failed stream never ends, and the hand-
        // over has already taken the failure event), so there is nothing to wait for.
        const bool running = SUCCEEDED(stateResult) && state == State_Running;
        const bool drained = !pushFailed_ && (!running || waitForCompletion());
        control_->Stop();
        return drained && SUCCEEDED(control_->GetState(static_cast<LONG>(INFINITE), &state));
    }
    if (FAILED(stateResult))
        return false;
    if (state == State_Stopped && FAILED(control_->Run()))
        raise(kStartError);
    // Without an audio branch there is no stream to carry the block; the file is not
    // harmed by that.
    if (stream == Stream::Audio && !audioProxy_)
        return false;
    const bool pushed = stream == Stream::Video ? SUCCEEDED(videoProxy_->PushFrame(data))
                                                : SUCCEEDED(audioProxy_->PushAudio(data));
    pushFailed_ = pushFailed_ || !pushed;
    return pushed;
}

} // namespace zentar

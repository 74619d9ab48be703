// VideoCompressorFilter: a video compressor of the system device enumerator's video
// category, a transform over one VideoEncoder. Its input takes bottom-up RGB24 VideoInfo
// frames of a size the encoder can take (other sizes are refused at connection, so
// Connect fails); its output offers the compressed stream by FourCC subtype with a
// VideoInfo format, samples marked as sync points on key frames. The output pin answers
// IAMVideoCompression (quality and key-frame interval onto the encoder's own controls)
// and IAMVfwCompressDialogs (the configuration dialog and About box of the installed
// CompressorDialogHost); the DV encoder also answers IDVEnc, on the filter and the pin.
//
// Settings are kept in the filter instance and applied each time streaming starts.
// Control calls (settings, connection, state) come from the control thread under
// filterLock_; Receive and end of stream run on the upstream streaming thread under the
// transform's receive lock, which alone touches the encoder while streaming.
#pragma once

#include "platform/media/CompressorCatalog.h"
#include "platform/media/EncoderTransformFilter.h"
#include "platform/media/MediaFilterInterfaces.h"
#include "platform/media/MediaFormats.h"
#include "platform/media/VideoEncoder.h"

#include <optional>

namespace zentar {

inline constexpr CLSID CLSID_ZentarVideoCompressor =
    MakeGuid("{9B2F4C71-3E8A-4D15-8C60-1A7E5D2B9F31}");

class VideoCompressorFilter : public EncoderTransformFilter,
                              public IAMVideoCompression,
                              public IAMVfwCompressDialogs,
                              public IDVEnc,
                              public IConfigVideoEncoder {
public:
    explicit VideoCompressorFilter(CompressorInfo info);

    ZENTAR_FORWARD_IUNKNOWN(EncoderTransformFilter)

    // TransformFilter
    HRESULT CheckInputType(const MediaType* input) override;
    HRESULT CheckTransform(const MediaType* input, const MediaType* output) override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const MediaType* type) override;
    HRESULT BreakConnect(PIN_DIRECTION direction) override;
    HRESULT StartStreaming() override;
    HRESULT Receive(IMediaSample* input) override;
    HRESULT OnEndOfStream() override;
    void OnFlush() override;

    // IAMVideoCompression
    HRESULT put_KeyFrameRate(LONG keyFrameRate) override;
    HRESULT get_KeyFrameRate(LONG* keyFrameRate) override;
    HRESULT put_PFramesPerKeyFrame(LONG frames) override;
    HRESULT get_PFramesPerKeyFrame(LONG* frames) override;
    HRESULT put_Quality(double quality) override;
    HRESULT get_Quality(double* quality) override;
    HRESULT put_WindowSize(uint64_t frames) override;
    HRESULT get_WindowSize(uint64_t* frames) override;
    HRESULT GetInfo(WCHAR* version, int* versionBytes, WCHAR* description, int* descriptionBytes,
                    LONG* defaultKeyFrameRate, LONG* defaultPFramesPerKey, double* defaultQuality,
                    LONG* capabilities) override;
    HRESULT OverrideKeyFrame(LONG frame) override;
    HRESULT OverrideFrameSize(LONG frame, LONG size) override;

    // IAMVfwCompressDialogs
    HRESULT ShowDialog(int dialog, void* parentWindow) override;
    HRESULT GetState(void* state, int* size) override;
    HRESULT SetState(void* state, int size) override;
    HRESULT SendDriverMessage(int message, long param1, long param2) override;

    // IDVEnc (answered by the DV encoder only)
    HRESULT get_IFormatResolution(int* videoFormat, int* dvFormat, int* resolution, BYTE wantDvInfo,
                                  DVINFO* dvInfo) override;
    HRESULT put_IFormatResolution(int videoFormat, int dvFormat, int resolution, BYTE wantDvInfo,
                                  DVINFO* dvInfo) override;

    // IConfigVideoEncoder
    HRESULT SetPreset(const char* preset) override;
    HRESULT GetPreset(std::string* preset) override;
    HRESULT SetGlobalHeader(BOOL global) override;

    const CompressorInfo& compressor() const { return info_; }

protected:
    ~VideoCompressorFilter() override;
    void* QueryInterfaceExtra(REFIID iid) override;

private:
    void* compressorInterface(REFIID iid);
    bool isDv() const { return info_.encoderName == "dvvideo"; }
    VideoEncoderSettings settingsLocked() const;

    const CompressorInfo info_;
    const VideoEncoderCaps caps_;
    VideoEncoder encoder_;                // filterLock_ while stopped; receive lock while streaming
    double quality_ = -1;                 // filterLock_; negative: the encoder's default
    LONG keyFrameRate_ = -1;              // filterLock_; negative: the encoder's default
    std::string preset_;                  // filterLock_; empty: the encoder's default
    bool globalHeader_ = false;           // filterLock_
    std::optional<RgbVideoFormat> input_; // filterLock_; set while the input is connected
    MediaType outputType_;                // filterLock_; the type offered for that input
    VideoEncoderSettings streamSettings_; // set at start; then the streaming thread's
    int64_t framesIn_ = 0;                // streaming thread: frames received this run
};

} // namespace zentar

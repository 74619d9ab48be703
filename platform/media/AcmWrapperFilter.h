// AcmWrapperFilter: the platform's "ACM Wrapper" (CLSID_ACMWrapper) for PCM to PCM: a
// transform that passes PCM through or converts its rate, channels and sample size with
// the Audio Compression Manager's stream functions. Its output offers the input's own
// format first, then 16-bit stereo at 48,000, 44,100 and 32,000 Hz (what a DV stream
// carries), so a downstream filter picks the format it takes.
//
// Control calls under filterLock_; Receive runs on the upstream streaming thread under
// the transform's receive lock, which alone uses the conversion stream while streaming.
#pragma once

#include "platform/acm/AcmTypes.h"
#include "platform/media/MediaFormats.h"
#include "platform/streaming/TransformFilter.h"

#include <optional>

namespace zentar {

class AcmWrapperFilter : public TransformFilter {
public:
    AcmWrapperFilter();

    HRESULT CheckInputType(const MediaType* input) override;
    HRESULT CheckTransform(const MediaType* input, const MediaType* output) override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const MediaType* type) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Receive(IMediaSample* input) override;

protected:
    ~AcmWrapperFilter() override;

private:
    void closeStream();

    std::optional<PcmAudioFormat> input_;  // filterLock_; while the input is connected
    std::optional<PcmAudioFormat> output_; // filterLock_; while the output is connected
    HACMSTREAM stream_ = nullptr;          // open while streaming a conversion
};

} // namespace zentar

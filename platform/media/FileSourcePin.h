// FileSourcePin: one output pin of the FileSourceFilter, for one audio or video stream of
// the file. It offers exactly one type (RGB24 VideoInfo or PCM WaveFormatEx) and, on its
// streaming thread, fills each sample straight from the filter's DecoderSource with the
// sample's times. After a seek its new thread first waits at the filter's seek gate, so
// that no pin reads while the decoder moves. The filter owns it.
#pragma once

#include <atomic>

#include "platform/media/MediaFormats.h"
#include "platform/streaming/SourceStream.h"

namespace zentar {

class FileSourceFilter;

class FileSourcePin : public SourceStream {
public:
    FileSourcePin(FileSourceFilter* filter, const SourceStreamInfo& info, std::u16string_view name);

    HRESULT FillBuffer(IMediaSample* sample) override;
    HRESULT OnThreadStartPlay() override;
    HRESULT GetMediaType(int position, MediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) override;

    const SourceStreamInfo& info() const { return info_; }
    // Start time of the last sample filled, or -1 before the first (any thread).
    REFERENCE_TIME lastStart() const { return lastStart_.load(std::memory_order_acquire); }
    void resetPosition(REFERENCE_TIME start) { lastStart_.store(start, std::memory_order_release); }

private:
    FileSourceFilter* const owner_;
    const SourceStreamInfo info_;
    std::atomic<REFERENCE_TIME> lastStart_{-1}; // written by the streaming thread
};

} // namespace zentar

// DecoderSource: the demuxing decoder behind the platform's file source. It opens one input
// file with libavformat, lists its audio and video streams, and decodes the selected ones
// with threaded libavcodec: video to bottom-up RGB24 (BGR, rows padded to 4 bytes), audio to
// interleaved PCM (8-bit input stays 8-bit unsigned, everything else becomes 16-bit signed,
// more than two channels are mixed down to stereo). Unselected streams are discarded inside
// the demuxer.
//
// Sample times, in 100-ns units: a sample starts at its presentation time relative to its
// stream's first frame, rounded half up. A video sample stops where the next frame starts
// (the stream holds one decoded frame back to know it), so a gap in the stream is covered by
// the frame before it; the last frame stops at its start plus its own duration, or one
// nominal frame period. An audio sample stops after its samples.
//
// Threads: open, selectStream and seek are called while no read is running. read() may be
// called for different streams on different threads at once (one thread per stream): the
// demuxer is shared under a lock, and packets of the other selected streams wait in their
// stream's queue. The object owns every FFmpeg object it uses; callers see none of them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/HResult.h"
#include "platform/media/MediaFormats.h"

namespace zentar {

class DecoderSource {
public:
    DecoderSource();
    ~DecoderSource();
    DecoderSource(const DecoderSource&) = delete;
    DecoderSource& operator=(const DecoderSource&) = delete;

    // Opens the file and lists its decodable streams (none selected). On failure returns a
    // failure code, errorText() says why, and the object stays closed.
    HRESULT open(const std::string& path);
    const std::string& errorText() const;

    const std::vector<SourceStreamInfo>& streams() const;
    // The stream with the file's stream index `index`, or nullptr.
    const SourceStreamInfo* stream(int index) const;

    // Selects a stream for decoding (opens its decoder) or deselects it (its packets are
    // discarded by the demuxer from then on).
    HRESULT selectStream(int index, bool selected);

    // Decodes the next sample of a selected stream into dst. Video needs
    // capacity >= video.imageBytes(); audio delivers at most `capacity` bytes (whole sample
    // frames) per call. Returns S_OK with info filled, S_FALSE at the end of the stream, or
    // a failure code (E_INVALIDARG for a stream that is not selected or a buffer too small).
    HRESULT read(int index, uint8_t* dst, uint32_t capacity, SampleInfo& info);

    // Moves every selected stream to `positionHns` (media time, relative to the streams'
    // first frames): the next read delivers the first frame (video) or sample (audio) at or
    // after that time.
    HRESULT seek(REFERENCE_TIME positionHns);

    struct Stream;
    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace zentar

// AviMuxer: libavformat's AVI muxer (or, for the MP4 and Matroska muxes, its mp4 or
// matroska muxer) writing through a custom AVIOContext onto a ByteSink (the "File writer"). Streams
// are declared by their AVI formats: raw bottom-up RGB24 (FourCC 0, BI_RGB), compressed video by
// FourCC with its BITMAPINFOHEADER extra bytes, PCM and compressed audio by their WAVEFORMATEX.
// Samples arrive with their times and are interleaved by time; finish() writes the index and
// rewrites the header (files past 1 GB become OpenDML). A write error of the sink surfaces as the
// failure code of the write or of finish(), never lost. MP4 is written fragmented (a fragment at
// every key frame and at least every second) so that a file cut short still plays up to its last
// fragment; Matroska's clusters play without the cues written at the end. write() and finish() may
// be called from several input threads: an internal lock serialises them. Owns every FFmpeg object;
// borrows the sink.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/HResult.h"
#include "platform/media/ByteSink.h"
#include "platform/media/OutputContainer.h"

namespace zentar {

struct AviVideoStream {
    uint32_t fourcc = 0; // 0: uncompressed bottom-up RGB (BI_RGB)
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitCount = 24;
    REFERENCE_TIME avgTimePerFrame = 0; // 0: 25 frames per second
    std::vector<uint8_t> extraData;     // bytes after the BITMAPINFOHEADER
};

class AviMuxer {
public:
    explicit AviMuxer(OutputContainer container = OutputContainer::Avi);
    ~AviMuxer();
    AviMuxer(const AviMuxer&) = delete;
    AviMuxer& operator=(const AviMuxer&) = delete;

    // Declare the streams before begin(); each returns the stream number, or -1 with
    // errorText() when the format cannot be written to the container.
    int addVideoStream(const AviVideoStream& format);
    int addAudioStream(const uint8_t* waveFormatEx, size_t bytes);

    // Writes the file header onto the sink (which must stay alive until finish()).
    HRESULT begin(ByteSink& sink);
    // One sample of a stream; times in 100-ns units from the stream's start.
    HRESULT write(int stream, const uint8_t* data, size_t size, REFERENCE_TIME startHns,
                  REFERENCE_TIME stopHns, bool keyFrame);
    // Flushes the interleaving queue, writes the index and the final header. Idempotent:
    // later calls return the first call's result.
    HRESULT finish();
    // Gives the file up as it stands: later write() and finish() leave the sink alone and
    // return `reason`. Waits for a write in progress.
    void abandon(HRESULT reason);

    const std::string& errorText() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace zentar

// ReaderGraph: decodes one stream type of an input file (RGB24 video or PCM audio) and hands
// it out one sample at a time on request. It owns a filter graph of its own: the platform's
// source filter for the file, whatever intermediate filters the graph's intelligent connect
// inserts, and the program's MediaReader sink at the end. It also works out the stream's
// duration, frame rate and sample rate.
//
// Ownership: the graph owns its filters; this object owns the graph, the sample buffer
// (borrowed by the MediaReader) and the sample event (the MediaReader's notify event).
// Threads: every call comes from the conversion's thread; decoding runs on the graph's
// streaming thread, which waits inside the MediaReader until the next sample is requested.
// Every wait also wakes on the graph's event handle, so a failing decoder ends it.
// Every failure while building, starting or reading raises CMyException with code 7.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/streaming/CaptureGraphBuilder.h"
#include "platform/streaming/MediaType.h"
#include "platform/streaming/StreamingInterfaces.h"
#include "platform/sync/Event.h"

#include <cstdint>
#include <memory>
#include <string>

namespace zentar {

struct IMediaReader;

// What GetStreamInfo reports; each answer is 8 bytes (an integer or a double).
enum class StreamInfoKind : int {
    Duration = 0,        // int64, 100-ns units
    DurationSamples = 1, // int64, sample frames
    DurationFrames = 2,  // int64, frames
    FrameRate = 3,       // double, frames per second
    SampleRate = 4,      // double, samples per second
};

class ReaderGraph {
public:
    // The code every failure of a reading graph raises.
    static constexpr int32_t kErrorCode = 7;

    // Builds, prepares and starts the graph for `fileName`. With `partial`, the template's
    // format block is dropped and its format type becomes the required format type only,
    // so any frame size or sample rate of that subtype is accepted. Throws CMyException(7).
    ReaderGraph(const std::string& fileName, const MediaType& templateType, bool partial);
    virtual ~ReaderGraph();
    ReaderGraph(const ReaderGraph&) = delete;
    ReaderGraph& operator=(const ReaderGraph&) = delete;

    // Raises CMyException(7) for a negative result; anything else is accepted.
    virtual void Check(HRESULT hr);

    // The media types the conversion job asks for: RGB24 in VideoInfo, PCM in WaveFormatEx,
    // fixed-size samples, sample size 1, no format block.
    static MediaType VideoTemplate();
    static MediaType AudioTemplate();

    // The frame-rate estimate from a duration in frames and in 100-ns units when the format
    // states no frame time: (frames + 1) / the duration rounded to whole seconds; 0 when
    // that divisor is 0 (streams shorter than half a second) or nothing is known.
    static double EstimateFrameRate(int64_t durationFrames, int64_t durationHns);

    // A deep copy of the connection's media type.
    void GetConnectedType(MediaType* type) const;
    // Bytes of the sample buffer (the largest sample the upstream allocator hands out).
    uint32_t GetBufferSize() const { return bufferSize_; }

    // The next sample: returns the sample buffer (owned by this object, valid until the
    // next call) with its length and times. A length of 0 means the end of the stream;
    // every further call returns 0 again.
    const uint8_t* NextSample(uint32_t* dataLength, REFERENCE_TIME* start, REFERENCE_TIME* stop);

    // Writes the 8-byte answer for `kind` into `out`; an unknown kind leaves it unchanged.
    void GetStreamInfo(int kind, void* out) const;
    int64_t duration() const { return duration_; }
    int64_t durationFrames() const { return durationFrames_; }
    int64_t durationSamples() const { return durationSamples_; }
    double frameRate() const { return frameRate_; }
    double sampleRate() const { return sampleRate_; }

    // Restarts reading at `position` (100-ns units); failures are silent.
    void Seek(REFERENCE_TIME position);
    void Rewind() { Seek(0); }

private:
    void build(const std::u16string& wideName);
    void takeControls();
    void prepare();
    void readStreamFacts();
    void start();
    // Waits for the requested sample; false when the stream ended (EC_COMPLETE) or the
    // graph is not running.
    bool waitForSample();

    std::string fileName_;
    MediaType requestedType_;
    GUID requiredFormatType_ = GUID_NULL;
    MediaType connectedType_;

    Event sampleEvent_{Event::ResetMode::Auto};
    HANDLE graphEvent_ = nullptr; // owned by the graph
    std::unique_ptr<uint8_t[]> buffer_;
    uint32_t bufferSize_ = 0;
    // A request the MediaReader has not answered yet (it outlives a seek or the end of
    // the stream); a second request would let the reader overwrite a buffer still in use.
    bool requestPending_ = false;

    int64_t duration_ = 0;
    int64_t durationFrames_ = 0;
    int64_t durationSamples_ = 0;
    double frameRate_ = 0;
    double sampleRate_ = 0;

    ComPtr<ICaptureGraphBuilder2> builder_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaEvent> event_;
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaSeeking> seeking_;
    ComPtr<IBaseFilter> readerFilter_;
    ComPtr<IMediaReader> reader_;
};

} // namespace zentar

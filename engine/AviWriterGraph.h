// AviWriterGraph: the filter graph that writes one AVI, MP4 or Matroska output file (one
// per clip). Its sources are the program's VideoWriterProxy and AudioWriterProxy; then come
// the chosen video and audio compressors (bound by friendly name), the platform's "AVI Mux"
// ("MP4 Mux", "Matroska Mux") and "File writer", and for DV video in AVI the "DV Muxer"
// (with the "ACM Wrapper" for the sound). The graph
// starts running with the first frame or block sent; sending nothing ends both streams and
// stops it, and the multiplexer finishes the file.
//
// Failures raise CMyException: code 1 when the graph objects cannot be created, code 5 when
// a compressor cannot be bound or pins cannot be connected (always before any frame is
// written), code 6 when the graph does not start on the first send. A failed delivery is
// not an exception: the send returns false.
//
// Ownership: the graph owns its filters; this object owns the graph and the interfaces it
// holds. One DV encoder instance is shared program-wide and released by
// the front end when the program ends. Threads: built and driven from the conversion's
// thread only; the streaming threads stay inside the filters.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/media/OutputContainer.h"
#include "platform/streaming/CaptureGraphBuilder.h"
#include "platform/streaming/FormatStructs.h"
#include "platform/streaming/StreamingInterfaces.h"

#include <cstdint>
#include <string>

namespace zentar {

struct IVideoWriterProxy;
struct IAudioWriterProxy;

class AviWriterGraph {
public:
    static constexpr int32_t kObjectsError = 1; // graph objects not available
    static constexpr int32_t kConnectError = 5; // compressor binding or pin connection
    static constexpr int32_t kStartError = 6;   // the graph does not start

    // Builds the empty graph; throws CMyException(1).
    AviWriterGraph();
    virtual ~AviWriterGraph();
    AviWriterGraph(const AviWriterGraph&) = delete;
    AviWriterGraph& operator=(const AviWriterGraph&) = delete;

    // Stores copies; the bit count is always 24, there is no palette.
    void SetVideoParameters(const AVICOMPRESSOPTIONS& options, double frameRate, int32_t width,
                            int32_t height, const std::string& videoCodec);
    // The container written (AVI unless set) and the video encoder's preset (empty: its
    // default); both before BuildVideoBranch.
    void SetContainer(OutputContainer container, const std::string& videoPreset);
    // Video proxy, optional compressor ("<Uncompressed>" or empty: none), DV muxer when the
    // compressor writes DV, AVI Mux and file writer for `fileName`. Throws code 5.
    void BuildVideoBranch(const std::string& fileName);
    // Audio proxy and, unless the name is empty, "PCM" or "pcm", the audio compressor,
    // connected into the DV muxer (through the ACM wrapper), the file-writing compressor or
    // the AVI Mux. Throws code 5.
    void BuildAudioBranch(const WAVEFORMATEX& format, double frameRate,
                          const std::string& audioCodec);

    // With data: runs the graph when it is stopped (code 6 when it does not start), then
    // hands the frame over; true when the proxy took it. Without data: ends both streams,
    // waits until the file is complete (or a failure is reported), stops the graph; true
    // when the file was completed and the graph stopped.
    bool SendVideo(const uint8_t* frame);
    bool SendAudio(const uint8_t* block);

    // Creates the video compressor of `name` and adds it to the graph (the shared DV
    // encoder when it is one). Throws code 5.
    void BindVideoCompressor(const std::string& name, ComPtr<IBaseFilter>& filter);
    // The graph's RemoveFilter; nothing when either is missing.
    void RemoveFilter(IBaseFilter* filter);

    // Releases the program-wide DV encoder instance when the program ends.
    static void ReleaseSharedDvEncoder();

private:
    enum class Stream { Video, Audio };

    // A bound on the wait for the file to complete after both streams ended: every failure
    // downstream ends it at once (EC_ERRORABORT); this only guards against a filter that
    // stops moving altogether.
    static constexpr DWORD kDrainLimitMs = 120'000;

    bool send(Stream stream, const uint8_t* data);
    // Waits for EC_COMPLETE after the ends were sent; false on a failure event.
    bool waitForCompletion();
    void AddPlatformFilter(const char16_t* name, const CLSID& clsid, ComPtr<IBaseFilter>& filter);
    void ConnectFilters(IBaseFilter* upstream, IBaseFilter* downstream, const GUID* type);
    void BindAudioCompressor(const std::string& name, ComPtr<IBaseFilter>& filter);
    void applyCompressionOptions(IPin* output);
    bool outputOffersDv(IBaseFilter* compressor);
    void buildFileWritingBranch(const std::string& fileName, IBaseFilter* compressor);

    // Held in the order of creation; released in reverse (the destructor).
    ComPtr<ICaptureGraphBuilder2> builder_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaEvent> event_;
    ComPtr<IBaseFilter> videoProxyFilter_;
    ComPtr<IVideoWriterProxy> videoProxy_;
    ComPtr<IBaseFilter> audioProxyFilter_;
    ComPtr<IAudioWriterProxy> audioProxy_;
    ComPtr<IBaseFilter> aviMux_;
    ComPtr<IBaseFilter> dvMux_;
    ComPtr<IBaseFilter> fileWritingCompressor_;

    AVICOMPRESSOPTIONS options_{};
    double frameRate_ = 0;
    int32_t width_ = 320;
    int32_t height_ = 240;
    int32_t bitCount_ = 24;
    std::string videoCodec_;
    OutputContainer container_ = OutputContainer::Avi;
    std::string videoPreset_;
    HANDLE eventHandle_ = nullptr; // owned by the graph
    bool pushFailed_ = false;      // a frame or block was refused: the file cannot complete
};

} // namespace zentar

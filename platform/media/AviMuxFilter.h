// AviMuxFilter: the platform's "AVI Mux" (CLSID_AviDest), and built on another container
// its "MP4 Mux" (CLSID_Mp4Mux) and "Matroska Mux" (CLSID_MatroskaMux), which take the same
// inputs except raw RGB and write through the same File writer. Any number of input pins, each
// mapped when streaming starts onto a stream of an AviMuxer: raw bottom-up RGB24 as
// BI_RGB, compressed video by its FourCC, PCM and compressed audio by their WAVEFORMATEX,
// and the DV Muxer's interleaved DV as a 'dvsd' stream with a PCM stream beside it. Types
// the muxer cannot write are refused at connection. The output pin connects to the File
// writer, through whose IFileWriterStream the file is written; libavformat interleaves
// the streams by their times.
//
// The file is finished (index, header; OpenDML past 1 GB) when every connected input has
// ended, then end of stream goes to the File writer, which reports EC_COMPLETE; or at
// Stop with what has arrived. A write error (a full disk, a vanished folder) is sent to
// the graph as EC_ERRORABORT with its code and refuses further samples, so every wait on
// the graph ends. IConfigAviMux and IConfigInterleaving are accepted and kept; they change
// nothing, as libavformat always interleaves by time and writes both the legacy index
// and, past 1 GB, the OpenDML one.
//
// Threads: control calls under filterLock_; samples and end of stream arrive on the
// upstream streaming threads (one per input). streamMutex_ guards which muxer and file are
// current and which inputs have ended; nothing is called while it is held. The AviMuxer's
// own lock serialises the writes of the inputs and the finishing, which come from the
// last input to end or from Stop (after waking upstream), whichever is first; the other
// waits for it on that lock. The file is opened at start before any input streams.
#pragma once

#include "platform/media/AviMuxPins.h"
#include "platform/media/AviMuxer.h"
#include "platform/media/MediaFilterInterfaces.h"
#include "platform/streaming/BaseFilter.h"

#include <memory>
#include <mutex>
#include <vector>

namespace zentar {

class AviMuxFilter : public BaseFilter, public IConfigAviMux, public IConfigInterleaving {
public:
    explicit AviMuxFilter(OutputContainer container = OutputContainer::Avi);

    ZENTAR_FORWARD_IUNKNOWN(BaseFilter)

    int GetPinCount() override;
    BasePin* GetPin(int index) override;
    HRESULT Stop() override;

    // IConfigAviMux
    HRESULT SetMasterStream(LONG stream) override;
    HRESULT GetMasterStream(LONG* stream) override;
    HRESULT SetOutputCompatibilityIndex(BOOL oldIndex) override;
    HRESULT GetOutputCompatibilityIndex(BOOL* oldIndex) override;
    // IConfigInterleaving
    HRESULT put_Mode(InterleavingMode mode) override;
    HRESULT get_Mode(InterleavingMode* mode) override;
    HRESULT put_Interleaving(const REFERENCE_TIME* leaving, const REFERENCE_TIME* preroll) override;
    HRESULT get_Interleaving(REFERENCE_TIME* leaving, REFERENCE_TIME* preroll) override;

    // For the input pins.
    HRESULT CheckInputType(const MediaType& type);
    void OnInputConnected();
    HRESULT ReceiveSample(AviMuxInputPin* pin, IMediaSample* sample);
    HRESULT InputEnded(AviMuxInputPin* pin);

protected:
    ~AviMuxFilter() override;
    void* QueryInterfaceExtra(REFIID iid) override;
    HRESULT OnLeavingStopped() override;

private:
    HRESULT beginFile();
    // Declares the streams of one input type on `muxer`; false when it cannot be written.
    static bool addStreams(AviMuxer& muxer, const MediaType& type, AviMuxInputPin::Streams& out);
    static HRESULT writeSample(AviMuxer& muxer, AviMuxInputPin* pin, IMediaSample* sample);
    // Finishes the file of `muxer` if it is still the current one; the caller that retires
    // it reports a failure to the graph.
    HRESULT finishFile(const std::shared_ptr<AviMuxer>& muxer);
    HRESULT failWrite(const std::shared_ptr<AviMuxer>& muxer, HRESULT hr);

    const OutputContainer container_;
    std::vector<std::unique_ptr<AviMuxInputPin>> inputs_; // filterLock_; only grows
    std::unique_ptr<AviMuxOutputPin> output_;
    LONG masterStream_ = -1;                   // filterLock_
    BOOL compatibilityIndex_ = TRUE;           // filterLock_
    InterleavingMode mode_ = INTERLEAVE_FULL;  // filterLock_
    REFERENCE_TIME interleaving_ = 10'000'000; // filterLock_
    REFERENCE_TIME preroll_ = 0;               // filterLock_

    std::mutex streamMutex_;
    std::shared_ptr<AviMuxer> muxer_; // streamMutex_; exists from start until finished
    ComPtr<IFileWriterStream> file_;  // streamMutex_; the file writer while a file is open
    bool failed_ = false;             // streamMutex_; a write failed: take no more samples
};

} // namespace zentar

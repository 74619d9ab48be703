// DvMuxerFilter: the platform's "DV Muxer" (CLSID_DVMux), the least the writer graph needs:
// DV video frames ('dvsd' from the DV encoder) and 16-bit stereo PCM at a DV rate (from
// the ACM Wrapper) become one interleaved DV stream for the AVI Mux, each sample one DV
// frame followed by the audio of its period (DvStreamFormat.h). The AVI Mux writes it as
// a DV AVI with a 'dvsd' video stream and a PCM audio stream. Without a connected audio
// input the stream carries video only.
//
// A frame is held back until the audio up to its stop time has arrived, the next frame
// comes, or the audio has ended, so neither input ever waits for the other (the writer
// proxies push a frame before its audio, one at a time). Audio after the last frame is
// dropped, as DV carries sound only inside frames. End of stream goes downstream once
// both connected inputs have ended.
//
// Threads: control calls under filterLock_; the two upstream streaming threads meet under
// mutex_, which guards the filter's state only: nothing is called while it is held. What
// is ready to go out (a frame with its audio, then end of stream) is queued under it and
// delivered, in order, by one streaming thread at a time with mutex_ released; that
// thread is the deliverer until the queue is empty. Stop, after decommitting the
// allocators (which wakes a delivery waiting for a buffer), waits for the deliverer to
// leave.
#pragma once

#include "platform/media/DvMuxerPins.h"
#include "platform/media/DvStreamFormat.h"
#include "platform/streaming/BaseFilter.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace zentar {

class DvMuxerFilter : public BaseFilter {
public:
    DvMuxerFilter();

    int GetPinCount() override { return 3; }
    BasePin* GetPin(int index) override;
    HRESULT Stop() override;

    // For the pins (negotiation: control thread, filterLock_ held).
    HRESULT CheckInputType(DvMuxInput kind, const MediaType& type);
    HRESULT PreferredInputType(DvMuxInput kind, int position, MediaType* type);
    void InputConnectionChanged();
    // The interleaved type, while the video input is connected.
    std::optional<MediaType> OutputType();
    DWORD OutputSampleBytes();
    // Streaming (upstream threads).
    HRESULT ReceiveSample(DvMuxInput kind, IMediaSample* sample);
    HRESULT InputEnded(DvMuxInput kind);

protected:
    ~DvMuxerFilter() override;
    HRESULT OnLeavingStopped() override;

private:
    // One thing to send downstream: a DV frame with the audio of its period, or the end.
    struct Output {
        std::vector<BYTE> data;
        REFERENCE_TIME start = 0;
        REFERENCE_TIME stop = 0;
        bool endOfStream = false;
    };

    bool audioCoversHeldLocked() const;
    void queueHeldLocked();
    void queueEndIfDoneLocked();
    // Delivers the queue unless another thread is delivering it; returns the first failure
    // of a delivery (also for a later caller, until the next start).
    HRESULT deliverQueued(std::unique_lock<std::mutex>& lock);
    HRESULT deliver(Output& output);

    std::unique_ptr<DvMuxInputPin> video_;
    std::unique_ptr<DvMuxInputPin> audio_;
    std::unique_ptr<DvMuxOutputPin> output_;

    std::mutex mutex_;
    std::vector<BYTE> held_;            // mutex_; the frame held back, empty when none
    REFERENCE_TIME heldStart_ = 0;      // mutex_
    REFERENCE_TIME heldStop_ = 0;       // mutex_
    std::vector<BYTE> audioPending_;    // mutex_; audio not yet sent
    int64_t audioSentSamples_ = 0;      // mutex_; sample frames sent since the start
    bool videoEnded_ = false;           // mutex_
    bool audioEnded_ = false;           // mutex_
    bool endSent_ = false;              // mutex_; end of stream is queued
    std::deque<Output> queue_;          // mutex_; waiting for delivery, in order
    bool delivering_ = false;           // mutex_; a thread is delivering the queue
    HRESULT deliveryFailure_ = S_OK;    // mutex_; the first failed delivery
    std::condition_variable delivered_; // with mutex_: delivering_ became false, or the
                                        // queue shrank
    // Fixed while streaming (set at start under filterLock_ and mutex_).
    DWORD frameBytes_ = 0;
    WORD audioBlockAlign_ = 0;
    DWORD audioRate_ = 0;
    bool audioConnected_ = false;
};

} // namespace zentar

// TransformFilter: a filter with one input and one output pin that turns each input
// sample into output (compressors, converters). The upstream streaming thread runs
// Receive, EndOfStream and the flush calls; the control thread connects, starts and
// stops. receiveLock_ is held (by the input pin) around Receive and EndOfStream.
//
// One output per input: implement Transform(in, out); the default Receive gets an
// output buffer, copies the times and flags, calls Transform and delivers (S_FALSE
// from Transform drops the sample). Zero or several outputs per input (encoders that
// buffer): override Receive, start it with receiveCheck(), and use GetOutputBuffer and
// DeliverOutput as often as needed; deliver what is buffered in OnEndOfStream (called
// before end of stream goes downstream) and drop it in OnFlush.
//
// Stop decommits both allocators (so a Receive waiting for an output buffer returns),
// then takes receiveLock_ to wait for the streaming thread to leave, then calls
// StopStreaming. The graph stops downstream filters first, so a Receive blocked in a
// downstream renderer has been woken by then.
#pragma once

#include "platform/streaming/BaseFilter.h"
#include "platform/streaming/TransformPins.h"

#include <memory>

namespace zentar {

class TransformFilter : public BaseFilter {
public:
    HRESULT Stop() override;

    int GetPinCount() override { return 2; }
    BasePin* GetPin(int index) override;

    // Negotiation hooks (control thread, filterLock_ held).
    virtual HRESULT CheckInputType(const MediaType* input) = 0;
    virtual HRESULT CheckTransform(const MediaType* input, const MediaType* output) = 0;
    // Output types; called only while the input is connected.
    virtual HRESULT GetMediaType(int position, MediaType* type) = 0;
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request) = 0;
    virtual HRESULT SetMediaType(PIN_DIRECTION /*direction*/, const MediaType* /*type*/) {
        return S_OK;
    }
    virtual HRESULT CompleteConnect(PIN_DIRECTION /*direction*/, IPin* /*peer*/) { return S_OK; }
    virtual HRESULT BreakConnect(PIN_DIRECTION /*direction*/) { return S_OK; }
    // Leaving Stopped (before the pins activate) and at Stop (after streaming left).
    virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }

    // Streaming hooks (upstream streaming thread, receiveLock_ held).
    virtual HRESULT Transform(IMediaSample* input, IMediaSample* output);
    virtual HRESULT Receive(IMediaSample* input);
    virtual HRESULT OnEndOfStream() { return S_OK; }
    virtual HRESULT EndOfStream();
    // Flushing (any thread): BeginFlush passes downstream at once; EndFlush calls
    // OnFlush under receiveLock_ and passes downstream.
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual void OnFlush() {}

    TransformInputPin* InputPin() { return input_.get(); }
    TransformOutputPin* OutputPin() { return output_.get(); }

protected:
    explicit TransformFilter(const CLSID& clsid);
    ~TransformFilter() override;

    HRESULT OnLeavingStopped() override { return StartStreaming(); }

    // The input pin's checks for a Receive override: S_OK means go on.
    HRESULT receiveCheck(IMediaSample* input);
    // An empty output sample; blocks while all are in use, fails after Stop.
    HRESULT GetOutputBuffer(ComPtr<IMediaSample>& output);
    HRESULT DeliverOutput(IMediaSample* output);

private:
    friend class TransformInputPin;
    CriticalSection receiveLock_;
    std::unique_ptr<TransformInputPin> input_;
    std::unique_ptr<TransformOutputPin> output_;
};

} // namespace zentar

// VideoWriterProxy: the push source at the head of a writer graph's video branch. The
// engine configures it through IVideoWriterProxy (frame size, rate, bit count, palette)
// before the pin is connected and then hands it one uncompressed frame per PushFrame;
// its single pin (VideoProxyPin) copies each frame into one sample on its streaming
// thread, stamps it and delivers it downstream. No queue: one frame is in hand-over at
// a time (ProxyHandOver), and the engine's frame bytes are borrowed, never freed.
//
// Created directly with Create (never registered); the class id only answers
// GetClassID. Threads: the engine's thread calls the interface and the graph's control
// calls; the pin's streaming thread reads the configuration (fixed while streaming).
#pragma once

#include "filters/IVideoWriterProxy.h"
#include "filters/WriterProxyFilter.h"

#include <array>
#include <atomic>

namespace zentar {

class VideoProxyPin;

class VideoWriterProxy : public WriterProxyFilter, public IVideoWriterProxy {
public:
    // The filter with one reference, or null (and E_OUTOFMEMORY in *result).
    static ComPtr<IBaseFilter> Create(HRESULT* result = nullptr);

    ZENTAR_FORWARD_IUNKNOWN(WriterProxyFilter)

    // IVideoWriterProxy. The setters take no lock: call them before connecting.
    HRESULT SetFrameSize(LONG width, LONG height) override;
    HRESULT SetFrameRate(double framesPerSecond) override;
    HRESULT SetBitCount(LONG bitCount) override;
    HRESULT GetPalette(BYTE** palette) override;
    HRESULT PushFrame(const BYTE* frame) override;
    HRESULT PushFrameWithTimes(const BYTE* frame, BOOL useTimes, REFERENCE_TIME start,
                               REFERENCE_TIME stop) override;

    VideoWriterProxy();
    ~VideoWriterProxy() override;

private:
    friend class VideoProxyPin;

    void* QueryInterfaceExtra(REFIID iid) override;

    VideoProxyPin* pin_ = nullptr; // owned by SourceFilter

    // Configuration: written by the engine before connection, read under filterLock_
    // at negotiation and by the streaming thread (started after connection).
    LONG width_ = 320;
    LONG height_ = 240;
    LONG bitCount_ = 24;
    std::atomic<double> frameRate_{15.0};
    std::array<BYTE, 1024> palette_{}; // red, green, blue, unused per entry

    // Written by PushFrameWithTimes before the frame is offered; read by the pin after
    // it has taken the offer (the events order the two).
    bool explicitTimes_ = false;
    REFERENCE_TIME explicitStart_ = 0;
    REFERENCE_TIME explicitStop_ = 0;
};

} // namespace zentar

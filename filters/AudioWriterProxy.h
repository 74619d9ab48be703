// AudioWriterProxy: the push source at the head of a writer graph's audio branch. The
// engine sets the frame rate and the PCM format through IAudioWriterProxy before the
// pin is connected and then hands over the sound of one frame period per PushAudio;
// its single pin (AudioProxyPin) turns each chunk into one sample of whole sample
// frames on its streaming thread, carrying a partial sample frame over to the next
// chunk. The hand-over is the video proxy's (ProxyHandOver); the engine's bytes are
// borrowed, never freed.
//
// Created directly with Create (never registered); the class id only answers
// GetClassID. Threads: the engine's thread calls the interface and the graph's control
// calls; the pin's streaming thread reads the configuration (fixed while streaming).
#pragma once

#include "filters/IAudioWriterProxy.h"
#include "filters/WriterProxyFilter.h"

#include <atomic>

namespace zentar {

class AudioProxyPin;

class AudioWriterProxy : public WriterProxyFilter, public IAudioWriterProxy {
public:
    // The filter with one reference, or null (and E_OUTOFMEMORY in *result).
    static ComPtr<IBaseFilter> Create(HRESULT* result = nullptr);

    ZENTAR_FORWARD_IUNKNOWN(WriterProxyFilter)

    // IAudioWriterProxy. The setters take no lock: call them before connecting.
    HRESULT SetFrameRate(double framesPerSecond) override;
    HRESULT SetFormat(const WAVEFORMATEX* format) override;
    HRESULT PushAudio(const BYTE* chunk) override;

    AudioWriterProxy();
    ~AudioWriterProxy() override;

private:
    friend class AudioProxyPin;

    void* QueryInterfaceExtra(REFIID iid) override;

    AudioProxyPin* pin_ = nullptr; // owned by SourceFilter

    // Configuration: written by the engine before connection, read under filterLock_
    // at negotiation.
    WAVEFORMATEX format_{};
    std::atomic<double> frameRate_{15.0};
};

} // namespace zentar

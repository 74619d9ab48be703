#include "filters/AudioWriterProxy.h"

#include "filters/AudioProxyPin.h"
#include "filters/CreateFilter.h"

#include <cstring>

namespace zentar {

ComPtr<IBaseFilter> AudioWriterProxy::Create(HRESULT* result) {
    return CreateFilter<AudioWriterProxy>(result);
}

AudioWriterProxy::AudioWriterProxy() : WriterProxyFilter(CLSID_AudioWriterProxy) {
    pin_ = static_cast<AudioProxyPin*>(AddPin(std::make_unique<AudioProxyPin>(this)));
}

AudioWriterProxy::~AudioWriterProxy() = default;

void* AudioWriterProxy::QueryInterfaceExtra(REFIID iid) {
    if (iid == IAudioWriterProxy::kIid)
        return static_cast<IAudioWriterProxy*>(this);
    return WriterProxyFilter::QueryInterfaceExtra(iid);
}

HRESULT AudioWriterProxy::SetFrameRate(double framesPerSecond) {
    frameRate_.store(framesPerSecond, std::memory_order_relaxed);
    return S_OK;
}

HRESULT AudioWriterProxy::SetFormat(const WAVEFORMATEX* format) {
    if (!format)
        return E_POINTER;
    std::memcpy(&format_, format, sizeof(WAVEFORMATEX));
    return S_OK;
}

HRESULT AudioWriterProxy::PushAudio(const BYTE* chunk) {
    return pushThrough(chunk, pin_);
}

} // namespace zentar

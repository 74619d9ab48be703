#include "filters/VideoWriterProxy.h"

#include "filters/CreateFilter.h"
#include "filters/VideoProxyPin.h"

namespace zentar {

ComPtr<IBaseFilter> VideoWriterProxy::Create(HRESULT* result) {
    return CreateFilter<VideoWriterProxy>(result);
}

VideoWriterProxy::VideoWriterProxy() : WriterProxyFilter(CLSID_VideoWriterProxy) {
    pin_ = static_cast<VideoProxyPin*>(AddPin(std::make_unique<VideoProxyPin>(this)));
}

VideoWriterProxy::~VideoWriterProxy() = default;

void* VideoWriterProxy::QueryInterfaceExtra(REFIID iid) {
    if (iid == IVideoWriterProxy::kIid)
        return static_cast<IVideoWriterProxy*>(this);
    return WriterProxyFilter::QueryInterfaceExtra(iid);
}

HRESULT VideoWriterProxy::SetFrameSize(LONG width, LONG height) {
    width_ = width;
    height_ = height;
    return S_OK;
}

HRESULT VideoWriterProxy::SetFrameRate(double framesPerSecond) {
    frameRate_.store(framesPerSecond, std::memory_order_relaxed);
    return S_OK;
}

HRESULT VideoWriterProxy::SetBitCount(LONG bitCount) {
    bitCount_ = bitCount;
    return S_OK;
}

HRESULT VideoWriterProxy::GetPalette(BYTE** palette) {
    if (!palette)
        return E_POINTER;
    *palette = palette_.data();
    return S_OK;
}

HRESULT VideoWriterProxy::PushFrame(const BYTE* frame) {
    return pushThrough(frame, pin_);
}

HRESULT VideoWriterProxy::PushFrameWithTimes(const BYTE* frame, BOOL useTimes, REFERENCE_TIME start,
                                             REFERENCE_TIME stop) {
    explicitTimes_ = useTimes != FALSE;
    explicitStart_ = start;
    explicitStop_ = stop;
    return PushFrame(frame);
}

} // namespace zentar

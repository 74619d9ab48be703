#include "filters/VideoProxyPin.h"

#include "filters/VideoWriterProxy.h"
#include "platform/streaming/MediaGuids.h"

#include <cmath>
#include <cstring>

namespace zentar {

REFERENCE_TIME FramePeriod(double framesPerSecond) {
    const double period = 10'000'000.0 / framesPerSecond;
    if (!(framesPerSecond > 0.0) || !std::isfinite(period))
        return 0;
    return static_cast<REFERENCE_TIME>(period); // truncated toward zero
}

VideoProxyPin::VideoProxyPin(VideoWriterProxy* proxy)
    : WriterProxyPin(proxy, u"VideoWriterProxy"), proxy_(proxy) {}

HRESULT VideoProxyPin::buildMediaType(MediaType* type) {
    MediaType offered;
    auto* info = reinterpret_cast<VIDEOINFO*>(offered.AllocFormatBuffer(sizeof(VIDEOINFO)));
    if (!info)
        return E_OUTOFMEMORY;
    BITMAPINFOHEADER& header = info->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = proxy_->width_;
    header.biHeight = proxy_->height_; // positive: bottom-up rows
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(proxy_->bitCount_);
    header.biCompression = BI_RGB;
    header.biSizeImage = GetBitmapSize(&header);
    header.biClrUsed = proxy_->bitCount_ == 8 ? 256 : 0;
    if (proxy_->bitCount_ == 8) {
        const BYTE* palette = proxy_->palette_.data();
        for (int i = 0; i < iPALETTE_COLORS; ++i) {
            info->bmiColors[i].rgbRed = palette[4 * i];
            info->bmiColors[i].rgbGreen = palette[4 * i + 1];
            info->bmiColors[i].rgbBlue = palette[4 * i + 2];
            info->bmiColors[i].rgbReserved = 0;
        }
    }
    // The format states the frame period that the time stamps step by: the compressors and
    // the AVI mux take the stream's rate from it. Left at 0 they fell back to 25 fps, so an
    // output of any other rate was written at 25 fps with filler frames.
    info->AvgTimePerFrame = FramePeriod(proxy_->frameRate_.load(std::memory_order_relaxed));
    info->dwBitRate = 307200;
    offered.majortype = MEDIATYPE_Video;
    offered.formattype = FORMAT_VideoInfo;
    offered.bTemporalCompression = FALSE;
    offered.subtype = GetBitmapSubtype(&header);
    offered.bFixedSizeSamples = TRUE;
    offered.lSampleSize = header.biSizeImage;
    *type = std::move(offered);
    return S_OK;
}

HRESULT VideoProxyPin::CheckMediaType(const MediaType* type) {
    if (!type)
        return E_POINTER;
    AutoLock lock(lock_);
    if (type->majortype != MEDIATYPE_Video || !type->bFixedSizeSamples)
        return S_FALSE;
    // The image size is read from the format block, so it must be a VIDEOINFOHEADER.
    if (type->formattype != FORMAT_VideoInfo || !type->FormatAs<VIDEOINFOHEADER>())
        return S_FALSE;
    const GUID wanted = proxy_->bitCount_ == 8    ? MEDIASUBTYPE_RGB8
                        : proxy_->bitCount_ == 16 ? MEDIASUBTYPE_RGB555
                                                  : MEDIASUBTYPE_RGB24;
    return type->subtype == wanted ? S_OK : S_FALSE;
}

DWORD VideoProxyPin::ConnectedImageBytes() const {
    const auto* info = CurrentMediaType().FormatAs<VIDEOINFOHEADER>();
    if (!info)
        return 0;
    return info->bmiHeader.biSizeImage ? info->bmiHeader.biSizeImage
                                       : GetBitmapSize(&info->bmiHeader);
}

uint64_t VideoProxyPin::sampleBufferBytes() {
    return 2ull * ConnectedImageBytes();
}

void VideoProxyPin::startTimesLocked() {
    runningTime_ = 0;
}

HRESULT VideoProxyPin::fillSampleLocked(const BYTE* frame, IMediaSample* sample) {
    const DWORD bytes = ConnectedImageBytes();
    BYTE* target = nullptr;
    HRESULT hr = sample->GetPointer(&target);
    if (FAILED(hr))
        return hr;
    if (static_cast<uint64_t>(sample->GetSize()) < bytes)
        return E_FAIL; // cannot happen with the negotiated buffer; never write past it
    std::memcpy(target, frame, bytes);
    sample->SetActualDataLength(static_cast<LONG>(bytes));

    REFERENCE_TIME start = runningTime_;
    if (proxy_->explicitTimes_) {
        start = proxy_->explicitStart_;
        runningTime_ = proxy_->explicitStop_;
    } else {
        runningTime_ += FramePeriod(proxy_->frameRate_.load(std::memory_order_relaxed));
    }
    REFERENCE_TIME stop = runningTime_;
    sample->SetTime(&start, &stop);
    sample->SetSyncPoint(TRUE);
    return S_OK;
}

} // namespace zentar

#include "platform/media/MediaTypeFactory.h"

#include <cstring>

#include "platform/streaming/MediaGuids.h"

namespace zentar {

namespace {

VIDEOINFOHEADER videoInfo(int32_t width, int32_t height, uint16_t bitCount, DWORD compression,
                          DWORD imageBytes, REFERENCE_TIME avgTimePerFrame) {
    VIDEOINFOHEADER vih{};
    vih.AvgTimePerFrame = avgTimePerFrame;
    if (avgTimePerFrame > 0) {
        vih.dwBitRate = static_cast<DWORD>(
            std::min<int64_t>(int64_t{imageBytes} * 8 * 10'000'000 / avgTimePerFrame, UINT32_MAX));
    }
    BITMAPINFOHEADER& bmi = vih.bmiHeader;
    bmi.biSize = sizeof(BITMAPINFOHEADER);
    bmi.biWidth = width;
    bmi.biHeight = height; // positive: bottom-up rows
    bmi.biPlanes = 1;
    bmi.biBitCount = bitCount;
    bmi.biCompression = compression;
    bmi.biSizeImage = imageBytes;
    return vih;
}

} // namespace

MediaType MakeRgbVideoType(const RgbVideoFormat& format) {
    MediaType type;
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.bFixedSizeSamples = TRUE;
    type.bTemporalCompression = FALSE;
    type.lSampleSize = format.imageBytes();
    type.formattype = FORMAT_VideoInfo;
    const VIDEOINFOHEADER vih = videoInfo(format.width, format.height, 24, BI_RGB,
                                          format.imageBytes(), format.avgTimePerFrame);
    type.SetFormat(&vih, sizeof(vih));
    return type;
}

MediaType MakePcmAudioType(const PcmAudioFormat& format) {
    MediaType type;
    type.majortype = MEDIATYPE_Audio;
    type.subtype = MEDIASUBTYPE_PCM;
    type.bFixedSizeSamples = TRUE;
    type.lSampleSize = format.blockAlign();
    type.formattype = FORMAT_WaveFormatEx;
    WAVEFORMATEX wf;
    wf.wFormatTag = WAVE_FORMAT_PCM;
    wf.nChannels = format.channels;
    wf.nSamplesPerSec = format.sampleRate;
    wf.nAvgBytesPerSec = format.avgBytesPerSecond();
    wf.nBlockAlign = format.blockAlign();
    wf.wBitsPerSample = format.bitsPerSample;
    type.SetFormat(&wf, sizeof(wf));
    return type;
}

MediaType MakeCompressedVideoType(uint32_t fourcc, int32_t width, int32_t height, uint16_t bitCount,
                                  REFERENCE_TIME avgTimePerFrame, uint32_t maxFrameBytes,
                                  const std::vector<uint8_t>& extraData) {
    MediaType type;
    type.majortype = MEDIATYPE_Video;
    type.subtype = FourCCGuid(fourcc);
    type.bFixedSizeSamples = FALSE;
    type.bTemporalCompression = TRUE;
    type.lSampleSize = 0;
    type.formattype = FORMAT_VideoInfo;
    VIDEOINFOHEADER vih =
        videoInfo(width, height, bitCount, fourcc, maxFrameBytes, avgTimePerFrame);
    vih.bmiHeader.biSize = static_cast<DWORD>(sizeof(BITMAPINFOHEADER) + extraData.size());
    BYTE* block = type.AllocFormatBuffer(sizeof(vih) + extraData.size());
    std::memcpy(block, &vih, sizeof(vih));
    if (!extraData.empty()) {
        std::memcpy(block + sizeof(vih), extraData.data(), extraData.size());
    }
    return type;
}

MediaType MakeWaveAudioType(const std::vector<uint8_t>& waveFormatEx) {
    MediaType type;
    WAVEFORMATEX wf;
    std::memcpy(&wf, waveFormatEx.data(), std::min(sizeof(wf), waveFormatEx.size()));
    type.majortype = MEDIATYPE_Audio;
    type.subtype = FourCCGuid(wf.wFormatTag);
    type.bFixedSizeSamples = TRUE;
    type.lSampleSize = wf.nBlockAlign;
    type.formattype = FORMAT_WaveFormatEx;
    type.SetFormat(waveFormatEx.data(), waveFormatEx.size());
    return type;
}

std::optional<RgbVideoFormat> ReadRgbVideoType(const MediaType& type) {
    const auto* vih = type.FormatAs<VIDEOINFOHEADER>();
    if (type.majortype != MEDIATYPE_Video || type.subtype != MEDIASUBTYPE_RGB24 ||
        type.formattype != FORMAT_VideoInfo || vih == nullptr) {
        return std::nullopt;
    }
    const BITMAPINFOHEADER& bmi = vih->bmiHeader;
    if (bmi.biCompression != BI_RGB || bmi.biBitCount != 24 || bmi.biWidth <= 0 ||
        bmi.biHeight <= 0 || bmi.biWidth > 16384 || bmi.biHeight > 16384) {
        return std::nullopt;
    }
    return RgbVideoFormat{bmi.biWidth, bmi.biHeight, vih->AvgTimePerFrame};
}

std::optional<PcmAudioFormat> ReadPcmAudioType(const MediaType& type) {
    const auto* wf = type.FormatAs<WAVEFORMATEX>();
    if (type.majortype != MEDIATYPE_Audio || type.formattype != FORMAT_WaveFormatEx ||
        wf == nullptr || wf->wFormatTag != WAVE_FORMAT_PCM ||
        (wf->wBitsPerSample != 8 && wf->wBitsPerSample != 16) || wf->nChannels == 0 ||
        wf->nSamplesPerSec == 0 || wf->nBlockAlign != wf->nChannels * wf->wBitsPerSample / 8) {
        return std::nullopt;
    }
    return PcmAudioFormat{wf->nSamplesPerSec, wf->nChannels, wf->wBitsPerSample};
}

} // namespace zentar

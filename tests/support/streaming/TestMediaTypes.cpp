#include "tests/support/streaming/TestMediaTypes.h"

namespace zentar::test {

MediaType MakeVideoType(int width, int height, int bitCount, REFERENCE_TIME frameTime) {
    MediaType type;
    type.majortype = MEDIATYPE_Video;
    type.formattype = FORMAT_VideoInfo;
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    vih->AvgTimePerFrame = frameTime;
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = width;
    vih->bmiHeader.biHeight = height;
    vih->bmiHeader.biPlanes = 1;
    vih->bmiHeader.biBitCount = static_cast<WORD>(bitCount);
    vih->bmiHeader.biCompression = BI_RGB;
    vih->bmiHeader.biSizeImage = GetBitmapSize(&vih->bmiHeader);
    type.subtype = GetBitmapSubtype(&vih->bmiHeader);
    type.lSampleSize = vih->bmiHeader.biSizeImage;
    return type;
}

WAVEFORMATEX PcmFormat(WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX format;
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = format.nBlockAlign * rate;
    return format;
}

MediaType MakeAudioType(int channels, int sampleRate) {
    MediaType type;
    type.majortype = MEDIATYPE_Audio;
    type.subtype = MEDIASUBTYPE_PCM;
    type.formattype = FORMAT_WaveFormatEx;
    const WAVEFORMATEX wfx =
        PcmFormat(static_cast<WORD>(channels), static_cast<DWORD>(sampleRate), 16);
    type.SetFormat(&wfx, sizeof wfx);
    type.lSampleSize = wfx.nBlockAlign;
    return type;
}

} // namespace zentar::test

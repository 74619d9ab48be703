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

MediaType MakeAudioType(int channels, int sampleRate) {
    MediaType type;
    type.majortype = MEDIATYPE_Audio;
    type.subtype = MEDIASUBTYPE_PCM;
    type.formattype = FORMAT_WaveFormatEx;
    WAVEFORMATEX wfx;
    wfx.wFormatTag = WAVE_FORMAT_PCM;
    wfx.nChannels = static_cast<WORD>(channels);
    wfx.nSamplesPerSec = static_cast<DWORD>(sampleRate);
    wfx.wBitsPerSample = 16;
    wfx.nBlockAlign = static_cast<WORD>(channels * 2);
    wfx.nAvgBytesPerSec = wfx.nBlockAlign * wfx.nSamplesPerSec;
    type.SetFormat(&wfx, sizeof wfx);
    type.lSampleSize = wfx.nBlockAlign;
    return type;
}

} // namespace zentar::test

// Byte-exact format blocks carried in a MediaType and stored in settings files:
// bitmap and video headers, the PCM wave format and the video compression options.
// Every struct keeps the layout of the host's record it stands for, with its size and
// the offsets callers read by hand asserted at compile time. Plain data, no owner.
#pragma once

#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

#include <cstddef>
#include <cstdint>

namespace zentar {

using WORD = uint16_t;
using BYTE = uint8_t;

struct RECT {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};
static_assert(sizeof(RECT) == 16);

struct RGBQUAD {
    BYTE rgbBlue = 0;
    BYTE rgbGreen = 0;
    BYTE rgbRed = 0;
    BYTE rgbReserved = 0;
};
static_assert(sizeof(RGBQUAD) == 4);

inline constexpr DWORD BI_RGB = 0;
inline constexpr DWORD BI_BITFIELDS = 3;

struct BITMAPINFOHEADER {
    DWORD biSize = 0;
    LONG biWidth = 0;
    LONG biHeight = 0; // positive: bottom-up rows
    WORD biPlanes = 0;
    WORD biBitCount = 0;
    DWORD biCompression = 0; // BI_RGB, BI_BITFIELDS or a FourCC
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(offsetof(BITMAPINFOHEADER, biBitCount) == 14);
static_assert(offsetof(BITMAPINFOHEADER, biSizeImage) == 20);

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate = 0;
    DWORD dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0; // 100-ns units per frame; 0 when not stated
    BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER) == 88);
static_assert(offsetof(VIDEOINFOHEADER, dwBitRate) == 32);
static_assert(offsetof(VIDEOINFOHEADER, AvgTimePerFrame) == 40);
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) == 48);

inline constexpr int iPALETTE_COLORS = 256;
inline constexpr int iMASK_COLORS = 3;

struct TRUECOLORINFO {
    DWORD dwBitMasks[iMASK_COLORS] = {};
    RGBQUAD bmiColors[iPALETTE_COLORS];
};
static_assert(sizeof(TRUECOLORINFO) == 1036);

// A VIDEOINFOHEADER followed by room for a colour table or bit masks.
struct VIDEOINFO {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate = 0;
    DWORD dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0;
    BITMAPINFOHEADER bmiHeader;
    union {
        RGBQUAD bmiColors[iPALETTE_COLORS];
        DWORD dwBitMasks[iMASK_COLORS];
        TRUECOLORINFO TrueColorInfo;
    };
    VIDEOINFO() : TrueColorInfo() {}
};
static_assert(sizeof(VIDEOINFO) == 1128);
static_assert(offsetof(VIDEOINFO, AvgTimePerFrame) == 40);
static_assert(offsetof(VIDEOINFO, bmiHeader) == 48);
static_assert(offsetof(VIDEOINFO, bmiColors) == 88);

inline constexpr WORD WAVE_FORMAT_PCM = 1;

#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag = 0;
    WORD nChannels = 0;
    DWORD nSamplesPerSec = 0;
    DWORD nAvgBytesPerSec = 0;
    WORD nBlockAlign = 0;
    WORD wBitsPerSample = 0;
    WORD cbSize = 0; // extra format bytes that follow the record
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(offsetof(WAVEFORMATEX, nSamplesPerSec) == 4);
static_assert(offsetof(WAVEFORMATEX, nAvgBytesPerSec) == 8);
static_assert(offsetof(WAVEFORMATEX, nBlockAlign) == 12);
static_assert(offsetof(WAVEFORMATEX, wBitsPerSample) == 14);
static_assert(offsetof(WAVEFORMATEX, cbSize) == 16);

inline constexpr DWORD AVICOMPRESSF_INTERLEAVE = 0x1;
inline constexpr DWORD AVICOMPRESSF_DATARATE = 0x2;
inline constexpr DWORD AVICOMPRESSF_KEYFRAMES = 0x4;
inline constexpr DWORD AVICOMPRESSF_VALID = 0x8;
inline constexpr DWORD streamtypeVIDEO = MakeFourCC('v', 'i', 'd', 's');
inline constexpr DWORD streamtypeAUDIO = MakeFourCC('a', 'u', 'd', 's');

// Video compression options, kept in the 44-byte layout in which settings store them.
// The format and parameter pointers of the original record were 32 bits wide; they
// are kept as opaque 32-bit fields (never dereferenced) so the stored layout holds.
struct AVICOMPRESSOPTIONS {
    DWORD fccType = 0;
    DWORD fccHandler = 0;
    DWORD dwKeyFrameEvery = 0;
    DWORD dwQuality = 0; // 0 .. 10000
    DWORD dwBytesPerSecond = 0;
    DWORD dwFlags = 0; // AVICOMPRESSF_*
    uint32_t lpFormat = 0;
    DWORD cbFormat = 0;
    uint32_t lpParms = 0;
    DWORD cbParms = 0;
    DWORD dwInterleaveEvery = 0;
};
static_assert(sizeof(AVICOMPRESSOPTIONS) == 44);
static_assert(offsetof(AVICOMPRESSOPTIONS, dwKeyFrameEvery) == 8);
static_assert(offsetof(AVICOMPRESSOPTIONS, dwQuality) == 12);
static_assert(offsetof(AVICOMPRESSOPTIONS, dwBytesPerSecond) == 16);
static_assert(offsetof(AVICOMPRESSOPTIONS, dwFlags) == 20);
static_assert(offsetof(AVICOMPRESSOPTIONS, dwInterleaveEvery) == 40);

} // namespace zentar

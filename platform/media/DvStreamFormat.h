// The interleaved DV stream that the "DV Muxer" hands to the "AVI Mux": major type
// MEDIATYPE_Interleaved, subtype 'dvsd', format FORMAT_DvMuxStream with a DvMuxStreamFormat
// block. Each sample holds one DV frame (videoFrameBytes bytes) followed by the PCM audio
// that belongs to it (possibly none); the AVI Mux writes the frames as a 'dvsd' video
// stream and the audio as a PCM stream beside it (a type-2 DV AVI). Plain data.
#pragma once

#include "platform/streaming/FormatStructs.h"
#include "platform/streaming/MediaGuids.h"

namespace zentar {

inline constexpr GUID MEDIATYPE_Interleaved = FourCCGuid(MakeFourCC('i', 'a', 'v', 's'));
inline constexpr GUID FORMAT_DvMuxStream = MakeGuid("{2F6C8A15-93D4-4B7E-A1C2-5D8E0F3B7A64}");

#pragma pack(push, 1)
struct DvMuxStreamFormat {
    VIDEOINFOHEADER video; // the DV frames: 'dvsd', 720 x 576 or 720 x 480
    DWORD videoFrameBytes; // bytes of one DV frame (144,000 PAL, 120,000 NTSC)
    WAVEFORMATEX audio;    // the PCM after each frame; nChannels 0 when there is none
};
#pragma pack(pop)
static_assert(sizeof(DvMuxStreamFormat) == 88 + 4 + 18);

} // namespace zentar

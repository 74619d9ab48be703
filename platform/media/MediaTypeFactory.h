// The media types the platform's media filters offer and read: RGB24 in a VideoInfo
// format, PCM in a WaveFormatEx format, compressed video by FourCC, and the reverse
// readings of VIDEOINFOHEADER and WAVEFORMATEX blocks. Free functions, no state.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/media/MediaFormats.h"
#include "platform/streaming/MediaType.h"

namespace zentar {

// MEDIATYPE_Video / MEDIASUBTYPE_RGB24 / FORMAT_VideoInfo, bottom-up BI_RGB rows.
MediaType MakeRgbVideoType(const RgbVideoFormat& format);
// MEDIATYPE_Audio / MEDIASUBTYPE_PCM / FORMAT_WaveFormatEx.
MediaType MakePcmAudioType(const PcmAudioFormat& format);
// MEDIATYPE_Video / the FourCC subtype / FORMAT_VideoInfo with the extra bytes after the
// BITMAPINFOHEADER; not fixed-size, temporally compressed when keyFramesOnly is false.
MediaType MakeCompressedVideoType(uint32_t fourcc, int32_t width, int32_t height, uint16_t bitCount,
                                  REFERENCE_TIME avgTimePerFrame, uint32_t maxFrameBytes,
                                  const std::vector<uint8_t>& extraData);
// MEDIATYPE_Audio / the format tag's subtype / FORMAT_WaveFormatEx with the given block
// (WAVEFORMATEX and its extra bytes).
MediaType MakeWaveAudioType(const std::vector<uint8_t>& waveFormatEx);

// The RGB24 video format of a VideoInfo media type, when it is one (bottom-up, BI_RGB).
std::optional<RgbVideoFormat> ReadRgbVideoType(const MediaType& type);
// The PCM format of a WaveFormatEx media type, when it is 8- or 16-bit integer PCM.
std::optional<PcmAudioFormat> ReadPcmAudioType(const MediaType& type);

} // namespace zentar

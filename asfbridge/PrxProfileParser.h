// Reads the text of a Windows Media profile file (.prx, an XML document handed over as
// UTF-16) into a WmProfile. Understood: the root <profile> element; per <streamconfig>
// its majortype (audio or video) and bitrate; for audio the <waveformatex> format tag
// (WMA 1 and 2, later WMA versions encoded as WMA 2), channels, sample rate and average
// bytes per second; for video the <bitmapinfoheader> compression FourCC (WMV1, WMV2, and
// later Windows Media video codecs encoded as WMV 8), width and height, the
// <videoinfoheader> bit rate and <videomediaprops> key-frame spacing. The first audio and
// the first video stream are used; a profile must have a video stream.
#pragma once

#include "asfbridge/WmProfile.h"

#include <optional>
#include <string_view>

namespace zentar::asfbridge {

// Longest profile text accepted, in UTF-16 characters (real files are a few KB).
inline constexpr size_t kMaxProfileTextChars = size_t{16} << 20;

// The profile the text describes, or nothing when the text is not a profile this
// library can write (not XML, malformed, no video stream, unknown codec, bad numbers).
// A leading byte-order mark is skipped; a byte-swapped one makes the text be read as
// big-endian UTF-16.
std::optional<WmProfile> parsePrxProfile(std::u16string_view text);

} // namespace zentar::asfbridge

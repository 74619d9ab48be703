// Small media types for framework tests: tiny RGB video frames and PCM audio.
#pragma once

#include "platform/streaming/MediaGuids.h"
#include "platform/streaming/MediaType.h"

namespace zentar::test {

// RGB video (24 or 32 bits) with a VIDEOINFOHEADER; fixed-size samples.
MediaType MakeVideoType(int width, int height, int bitCount = 24,
                        REFERENCE_TIME frameTime = 400000);
// A consistent PCM record.
WAVEFORMATEX PcmFormat(WORD channels, DWORD rate, WORD bits);
// 16-bit PCM with a WAVEFORMATEX.
MediaType MakeAudioType(int channels = 2, int sampleRate = 48000);

} // namespace zentar::test

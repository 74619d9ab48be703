// ConvertAudio: one-shot PCM format conversion of a block through the Audio Compression
// Manager, and the size query a run uses to size its converted-block buffer. Each call
// opens and closes its own conversion stream, so a block is converted on its own; a
// run converts its blocks with AudioBlockConverter instead, which keeps the stream (and
// the resampler's history) and the partial sample frames between blocks.
// Stateless; any thread.
#pragma once

#include "platform/acm/AcmTypes.h"

namespace zentar {

// Size query when *destinationBytes is 0 on entry: the output bytes that
// `sourceBytes` source bytes give (0 when the conversion is not possible); the byte
// pointers are not used. Otherwise converts `sourceBytes` from `source` into at most
// *destinationBytes bytes of `destination` and sets *destinationBytes to the bytes
// produced. Returns the first failing ACM result, else that of closing the stream.
MMRESULT ConvertAudio(const BYTE* source, const WAVEFORMATEX* sourceFormat, DWORD sourceBytes,
                      BYTE* destination, const WAVEFORMATEX* destinationFormat,
                      DWORD* destinationBytes);

} // namespace zentar

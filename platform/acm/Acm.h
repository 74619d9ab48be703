// The Audio Compression Manager's stream functions, as the host names and shapes them, for
// PCM to PCM conversions (sample rate, channels, 8/16 bits) over libswresample. Handles are
// checked: an unknown or closed handle gives MMSYSERR_INVALHANDLE, never a crash. A stream
// is used by one thread at a time; different streams may be used on different threads.
#pragma once

#include "platform/acm/AcmTypes.h"

namespace zentar {

// Opens a conversion stream from *source to *destination (both WAVE_FORMAT_PCM). No driver,
// filter or callback is supported (they must be null / 0). With ACM_STREAMOPENF_QUERY only
// answers whether the conversion is possible (phas may then be null).
MMRESULT acmStreamOpen(HACMSTREAM* phas, HACMDRIVER had, const WAVEFORMATEX* source,
                       const WAVEFORMATEX* destination, const void* filter, DWORD_PTR callback,
                       DWORD_PTR instance, DWORD flags);

// With ACM_STREAMSIZEF_SOURCE: the destination bytes that `bytes` source bytes give at most;
// with ACM_STREAMSIZEF_DESTINATION: the source bytes needed to fill `bytes`.
MMRESULT acmStreamSize(HACMSTREAM has, DWORD bytes, DWORD* result, DWORD flags);

MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER* header, DWORD flags);

// Converts whole source sample frames into the destination buffer, as many as fit; sets
// cbSrcLengthUsed and cbDstLengthUsed to what was really consumed and produced. Each call is
// complete in itself: its output covers all the source it consumed.
MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER* header, DWORD flags);

MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER* header, DWORD flags);

MMRESULT acmStreamClose(HACMSTREAM has, DWORD flags);

} // namespace zentar

// AudioStreamHandle: owns one ACM conversion stream (HACMSTREAM) and closes it on
// destruction. Used by one thread at a time.
#pragma once

#include "platform/acm/Acm.h"

#include <memory>

namespace zentar {

struct AcmStreamCloser {
    void operator()(AcmStream* stream) const { acmStreamClose(stream, 0); }
};
using AudioStreamHandle = std::unique_ptr<AcmStream, AcmStreamCloser>;

// Opens a non-real-time PCM conversion stream; null (and the result) on failure.
inline AudioStreamHandle OpenAudioStream(const WAVEFORMATEX& source,
                                         const WAVEFORMATEX& destination, MMRESULT* result) {
    HACMSTREAM stream = nullptr;
    *result = acmStreamOpen(&stream, nullptr, &source, &destination, nullptr, 0, 0,
                            ACM_STREAMOPENF_NONREALTIME);
    return AudioStreamHandle(*result == MMSYSERR_NOERROR ? stream : nullptr);
}

// One conversion call: `used` and `produced` get the bytes consumed and written.
MMRESULT ConvertOnce(HACMSTREAM stream, const BYTE* source, DWORD sourceBytes, BYTE* destination,
                     DWORD capacity, DWORD flags, DWORD* used, DWORD* produced);

} // namespace zentar

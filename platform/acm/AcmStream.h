// AcmStream: one PCM to PCM conversion stream behind an HACMSTREAM handle: the two formats
// and a libswresample context. Created by acmStreamOpen, destroyed by acmStreamClose; used
// by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/acm/AcmTypes.h"

namespace zentar {

class AcmStream {
public:
    // Whether this platform converts between the two formats.
    static bool supports(const WAVEFORMATEX& source, const WAVEFORMATEX& destination);

    AcmStream(const WAVEFORMATEX& source, const WAVEFORMATEX& destination);
    ~AcmStream();
    AcmStream(const AcmStream&) = delete;
    AcmStream& operator=(const AcmStream&) = delete;

    MMRESULT init();
    DWORD destinationBytesFor(DWORD sourceBytes) const;
    DWORD sourceBytesFor(DWORD destinationBytes) const;
    // Converts whole sample frames of src into dst as far as dst holds them.
    MMRESULT convert(const uint8_t* src, DWORD srcBytes, uint8_t* dst, DWORD dstBytes,
                     DWORD& srcUsed, DWORD& dstUsed);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace zentar

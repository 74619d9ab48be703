#include "platform/acm/Acm.h"

#include <memory>
#include <mutex>
#include <unordered_set>

#include "platform/acm/AcmStream.h"

namespace zentar {

namespace {

// The live stream handles; a handle not in the set is refused instead of dereferenced.
std::mutex& handleLock() {
    static std::mutex lock;
    return lock;
}

std::unordered_set<AcmStream*>& liveHandles() {
    static std::unordered_set<AcmStream*> handles;
    return handles;
}

bool isLive(HACMSTREAM has) {
    std::lock_guard guard(handleLock());
    return has != nullptr && liveHandles().contains(has);
}

bool isValidHeader(const ACMSTREAMHEADER* header) {
    return header != nullptr && header->cbStruct >= sizeof(ACMSTREAMHEADER);
}

} // namespace

MMRESULT acmStreamOpen(HACMSTREAM* phas, HACMDRIVER had, const WAVEFORMATEX* source,
                       const WAVEFORMATEX* destination, const void* filter, DWORD_PTR callback,
                       DWORD_PTR instance, DWORD flags) {
    (void)instance;
    if (phas != nullptr) {
        *phas = nullptr;
    }
    if (source == nullptr || destination == nullptr || filter != nullptr || had != nullptr ||
        callback != 0) {
        return MMSYSERR_INVALPARAM;
    }
    if ((flags & ~(ACM_STREAMOPENF_QUERY | ACM_STREAMOPENF_NONREALTIME)) != 0) {
        return MMSYSERR_INVALFLAG; // asynchronous conversion is not offered
    }
    if (!AcmStream::supports(*source, *destination)) {
        return ACMERR_NOTPOSSIBLE;
    }
    if ((flags & ACM_STREAMOPENF_QUERY) != 0) {
        return MMSYSERR_NOERROR;
    }
    if (phas == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    auto stream = std::make_unique<AcmStream>(*source, *destination);
    if (const MMRESULT mr = stream->init(); mr != MMSYSERR_NOERROR) {
        return mr;
    }
    std::lock_guard guard(handleLock());
    liveHandles().insert(stream.get());
    *phas = stream.release();
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamSize(HACMSTREAM has, DWORD bytes, DWORD* result, DWORD flags) {
    if (!isLive(has)) {
        return MMSYSERR_INVALHANDLE;
    }
    if (result == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    switch (flags) {
    case ACM_STREAMSIZEF_SOURCE:
        *result = has->destinationBytesFor(bytes);
        break;
    case ACM_STREAMSIZEF_DESTINATION:
        *result = has->sourceBytesFor(bytes);
        break;
    default:
        return MMSYSERR_INVALFLAG;
    }
    return *result == 0 ? ACMERR_NOTPOSSIBLE : MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER* header, DWORD flags) {
    if (!isLive(has)) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!isValidHeader(header) || flags != 0 || header->pbSrc == nullptr ||
        header->pbDst == nullptr) {
        return MMSYSERR_INVALPARAM;
    }
    header->fdwStatus |= ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER* header, DWORD flags) {
    if (!isLive(has)) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!isValidHeader(header)) {
        return MMSYSERR_INVALPARAM;
    }
    if ((flags & ~(ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START |
                   ACM_STREAMCONVERTF_END)) != 0) {
        return MMSYSERR_INVALFLAG;
    }
    if ((header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) == 0) {
        return ACMERR_UNPREPARED;
    }
    header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
    const MMRESULT mr =
        has->convert(header->pbSrc, header->cbSrcLength, header->pbDst, header->cbDstLength,
                     header->cbSrcLengthUsed, header->cbDstLengthUsed);
    header->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return mr;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER* header, DWORD flags) {
    if (!isLive(has)) {
        return MMSYSERR_INVALHANDLE;
    }
    if (!isValidHeader(header) || flags != 0) {
        return MMSYSERR_INVALPARAM;
    }
    if ((header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) == 0) {
        return ACMERR_UNPREPARED;
    }
    header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM has, DWORD flags) {
    if (flags != 0) {
        return MMSYSERR_INVALFLAG;
    }
    std::unique_ptr<AcmStream> owned;
    {
        std::lock_guard guard(handleLock());
        if (has == nullptr || liveHandles().erase(has) == 0) {
            return MMSYSERR_INVALHANDLE;
        }
        owned.reset(has);
    }
    return MMSYSERR_NOERROR;
}

} // namespace zentar

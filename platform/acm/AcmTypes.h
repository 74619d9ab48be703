// The Audio Compression Manager's types, flags and result codes in the host's shapes:
// the stream handle, the stream header and the MMRESULT codes the acmStream* functions use.
// Plain data; no owner.
#pragma once

#include <cstdint>

#include "platform/com/HResult.h"
#include "platform/streaming/FormatStructs.h"

namespace zentar {

using MMRESULT = uint32_t;
using DWORD_PTR = uintptr_t;

class AcmStream;
using HACMSTREAM = AcmStream*;
using HACMDRIVER = void*;

inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NOMEM = 7;
inline constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
inline constexpr MMRESULT ACMERR_BUSY = 513;
inline constexpr MMRESULT ACMERR_UNPREPARED = 514;

inline constexpr DWORD ACM_STREAMOPENF_QUERY = 0x00000001;
inline constexpr DWORD ACM_STREAMOPENF_ASYNC = 0x00000002;
inline constexpr DWORD ACM_STREAMOPENF_NONREALTIME = 0x00000004;

inline constexpr DWORD ACM_STREAMSIZEF_SOURCE = 0x00000000;
inline constexpr DWORD ACM_STREAMSIZEF_DESTINATION = 0x00000001;

inline constexpr DWORD ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004;
inline constexpr DWORD ACM_STREAMCONVERTF_START = 0x00000010;
inline constexpr DWORD ACM_STREAMCONVERTF_END = 0x00000020;

inline constexpr DWORD ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
inline constexpr DWORD ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;
inline constexpr DWORD ACMSTREAMHEADER_STATUSF_INQUEUE = 0x00100000;

struct ACMSTREAMHEADER {
    DWORD cbStruct = 0; // sizeof(ACMSTREAMHEADER), checked by every call
    DWORD fdwStatus = 0;
    DWORD_PTR dwUser = 0;
    BYTE* pbSrc = nullptr;
    DWORD cbSrcLength = 0;
    DWORD cbSrcLengthUsed = 0; // set by acmStreamConvert: source bytes consumed
    DWORD_PTR dwSrcUser = 0;
    BYTE* pbDst = nullptr;
    DWORD cbDstLength = 0;
    DWORD cbDstLengthUsed = 0; // set by acmStreamConvert: destination bytes produced
    DWORD_PTR dwDstUser = 0;
    DWORD dwReservedDriver[10] = {};
};

} // namespace zentar

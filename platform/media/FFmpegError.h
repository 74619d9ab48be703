// Turns FFmpeg's AVERROR codes into the platform's HRESULT codes and readable texts.
// Private to the media layer.
#pragma once

#include <string>

#include "platform/com/HResult.h"

extern "C" {
#include <libavutil/error.h>
}

namespace zentar::ffmpeg {

inline std::string errorText(int averror) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(averror, text, sizeof(text));
    return text;
}

// A full device keeps its own code so that callers can say "disk full"; other errno-based
// errors keep their errno, FFmpeg's own codes become E_FAIL.
inline HRESULT hresultFromAverror(int averror) {
    if (averror >= 0) {
        return S_OK;
    }
    if (averror == AVERROR(ENOSPC)) {
        return STG_E_MEDIUMFULL;
    }
    if (averror == AVERROR(ENOMEM)) {
        return E_OUTOFMEMORY;
    }
    const int err = AVUNERROR(averror);
    if (err > 0 && err < 0x10000) {
        return HResultFromErrno(err);
    }
    return E_FAIL;
}

} // namespace zentar::ffmpeg

#include "filters/ConvertAudio.h"

#include "filters/AudioStreamHandle.h"

namespace zentar {

MMRESULT ConvertOnce(HACMSTREAM stream, const BYTE* source, DWORD sourceBytes, BYTE* destination,
                     DWORD capacity, DWORD flags, DWORD* used, DWORD* produced) {
    *used = 0;
    *produced = 0;
    ACMSTREAMHEADER header;
    header.cbStruct = sizeof(ACMSTREAMHEADER);
    header.pbSrc = const_cast<BYTE*>(source); // the converter only reads it
    header.cbSrcLength = sourceBytes;
    header.pbDst = destination;
    header.cbDstLength = capacity;
    MMRESULT result = acmStreamPrepareHeader(stream, &header, 0);
    if (result != MMSYSERR_NOERROR)
        return result;
    result = acmStreamConvert(stream, &header, flags);
    if (result == MMSYSERR_NOERROR) {
        // Never trust a count beyond the buffers it describes.
        *used = header.cbSrcLengthUsed <= sourceBytes ? header.cbSrcLengthUsed : sourceBytes;
        *produced = header.cbDstLengthUsed <= capacity ? header.cbDstLengthUsed : capacity;
    }
    const MMRESULT unprepared = acmStreamUnprepareHeader(stream, &header, 0);
    return result != MMSYSERR_NOERROR ? result : unprepared;
}

MMRESULT ConvertAudio(const BYTE* source, const WAVEFORMATEX* sourceFormat, DWORD sourceBytes,
                      BYTE* destination, const WAVEFORMATEX* destinationFormat,
                      DWORD* destinationBytes) {
    if (!sourceFormat || !destinationFormat || !destinationBytes)
        return MMSYSERR_INVALPARAM;
    MMRESULT result = MMSYSERR_NOERROR;
    AudioStreamHandle stream = OpenAudioStream(*sourceFormat, *destinationFormat, &result);
    if (!stream) {
        if (*destinationBytes == 0)
            return result; // the size stays 0: the conversion is not possible
        *destinationBytes = 0;
        return result;
    }
    if (*destinationBytes == 0) {
        DWORD size = 0;
        result = acmStreamSize(stream.get(), sourceBytes, &size, ACM_STREAMSIZEF_SOURCE);
        *destinationBytes = result == MMSYSERR_NOERROR ? size : 0;
    } else if (!source || !destination) {
        *destinationBytes = 0;
        result = MMSYSERR_INVALPARAM;
    } else {
        DWORD used = 0;
        result = ConvertOnce(stream.get(), source, sourceBytes, destination, *destinationBytes, 0,
                             &used, destinationBytes);
    }
    const MMRESULT closed = acmStreamClose(stream.release(), 0);
    return result != MMSYSERR_NOERROR ? result : closed;
}

} // namespace zentar

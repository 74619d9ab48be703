// IAudioWriterProxy: the program's interface to the audio push source of a writer graph
// (AudioWriterProxy). The engine sets the frame rate and the PCM format before the pin
// is connected, then hands over the sound of one frame period per call; each push
// returns once the chunk is copied. Called on the engine's thread only.
#pragma once

#include "platform/streaming/StreamingInterfaces.h"

namespace zentar {

inline constexpr CLSID CLSID_AudioWriterProxy = MakeGuid("{4A2DBB42-FFF8-492C-8094-459591DC758E}");

struct IAudioWriterProxy : IUnknown {
    static constexpr GUID kIid = MakeGuid("{4A2DBB40-FFF8-492C-8094-459591DC758E}");

    virtual HRESULT SetFrameRate(double framesPerSecond) = 0;
    // Copies the 18-byte record (no extra format bytes).
    virtual HRESULT SetFormat(const WAVEFORMATEX* format) = 0;
    // Hands over one chunk of trunc(average bytes per second / frame rate) bytes and
    // returns once it has been copied, or with the failure that ended the stream.
    // Null ends the stream at once.
    virtual HRESULT PushAudio(const BYTE* chunk) = 0;
};

} // namespace zentar

// IVideoWriterProxy: the program's interface to the video push source of a writer graph
// (VideoWriterProxy). The engine sets the picture geometry before the pin is connected,
// then hands over one frame per call; each push returns once the frame is copied.
// Called on the engine's thread only.
#pragma once

#include "platform/streaming/StreamingInterfaces.h"

namespace zentar {

inline constexpr CLSID CLSID_VideoWriterProxy = MakeGuid("{F8D187A2-381C-4339-B331-82D37447A8CF}");

struct IVideoWriterProxy : IUnknown {
    static constexpr GUID kIid = MakeGuid("{F8D187A0-381C-4339-B331-82D37447A8CF}");

    virtual HRESULT SetFrameSize(LONG width, LONG height) = 0;
    virtual HRESULT SetFrameRate(double framesPerSecond) = 0;
    virtual HRESULT SetBitCount(LONG bitCount) = 0;
    // The filter's 1024-byte palette (red, green, blue, unused per entry), filled in
    // place by the caller; used at 8 bits per pixel only.
    virtual HRESULT GetPalette(BYTE** palette) = 0;
    // Hands over one bottom-up frame of the connected size and returns once it has been
    // copied, or with the failure that ended the stream. Null ends the stream at once.
    virtual HRESULT PushFrame(const BYTE* frame) = 0;
    // Stores explicit sample times (kept for later pushes too), then pushes.
    virtual HRESULT PushFrameWithTimes(const BYTE* frame, BOOL useTimes, REFERENCE_TIME start,
                                       REFERENCE_TIME stop) = 0;
};

} // namespace zentar

// The binary interface of the Windows Media writer library (libasfbridge.so): the one
// exported entry point and the writer object it hands out. Self-contained on purpose:
// the library and the program each include this header and nothing of the other.
//
// The writer is a reference-counted object with a COM-style table of operations; every
// operation returns a 32-bit result, negative meaning failure, and never throws. Strings
// are UTF-16. Names handed out by GetProfileName are allocated by the library in the
// length-prefixed string layout (a 32-bit byte count, the characters, a 0 character;
// malloc'ed; the pointer addresses the first character), so the caller frees them with
// its own SysFreeString. One writer writes one file and is used from one thread.
#pragma once

#include <cstdint>

namespace zentar::asfbridge {

using WmResult = int32_t;

inline constexpr WmResult kWmOk = 0;
inline constexpr WmResult kWmFalse = 1; // success that says "no" (end of the profile list)

// An interface identifier in the layout of the host's GUID.
struct WmGuid {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
static_assert(sizeof(WmGuid) == 16);

// The 18-byte audio format record passed to SetInputFormats (the host's WAVEFORMATEX
// layout, packed). All zero when the file has no audio.
#pragma pack(push, 1)
struct WmWaveFormat {
    uint16_t wFormatTag;
    uint16_t nChannels;
    uint32_t nSamplesPerSec;
    uint32_t nAvgBytesPerSec;
    uint16_t nBlockAlign;
    uint16_t wBitsPerSample;
    uint16_t cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WmWaveFormat) == 18);

inline constexpr uint16_t kWaveFormatPcm = 1;

// The writer. The table order below is the binary contract: do not reorder.
struct WinMediaWriter {
    static constexpr WmGuid kIid = {
        0x5E0A7C31, 0x9B42, 0x4D6E, {0xA1, 0x53, 0x2C, 0x8F, 0x61, 0x0D, 0x47, 0xB9}};
    static constexpr WmGuid kIidUnknown = {
        0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

    virtual WmResult QueryInterface(const WmGuid& iid, void** object) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

    // Name of the built-in profile at index (0-based) into *name; 0 when a name was
    // returned, kWmFalse past the end of the list, negative on a bad argument.
    virtual WmResult GetProfileName(int32_t index, char16_t** name) = 0;
    // Index of the built-in profile with exactly this name, or -1.
    virtual WmResult FindProfile(const char16_t* name, int32_t* index) = 0;
    // Frame size of what WriteVideo will receive, formatSize (18) and the audio format
    // (null or all zero: no audio), and the frame rate in frames per second.
    virtual WmResult SetInputFormats(int32_t width, int32_t height, int32_t formatSize,
                                     const void* audioFormat, double frameRate) = 0;
    // Creates the file. profile: a built-in profile name, the text of a profile file
    // (.prx), or null for the default profile.
    virtual WmResult Open(const char16_t* fileName, const char16_t* profile) = 0;
    // Bytes of one frame: bottom-up BGR24 rows, each padded to a multiple of 4 bytes.
    virtual WmResult GetVideoFrameSize(uint32_t* size) = 0;
    // Bytes of one frame period of the input audio: trunc(avg bytes per second / rate).
    virtual WmResult GetAudioBlockSize(uint32_t* size) = 0;
    // One frame; (0, null) ends the video stream.
    virtual WmResult WriteVideo(uint32_t size, const void* data) = 0;
    // Any number of PCM bytes; (0, null) ends the audio stream. The file is finished
    // when both streams have ended.
    virtual WmResult WriteAudio(uint32_t size, const void* data) = 0;

protected:
    // Destroyed through Release only.
    ~WinMediaWriter() = default;
};

using CreateWinMediaWriterFn = WmResult (*)(WinMediaWriter** writer);

inline constexpr const char* kCreateWinMediaWriterName = "CreateWinMediaWriter";

} // namespace zentar::asfbridge

// Fills *writer with a new writer holding one reference.
extern "C" zentar::asfbridge::WmResult
CreateWinMediaWriter(zentar::asfbridge::WinMediaWriter** writer);

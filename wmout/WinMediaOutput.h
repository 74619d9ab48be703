// WinMediaOutput: one WMV file written through the Windows Media writer library, as the
// conversion job drives it: open (create the writer, Open with the profile value,
// SetInputFormats), one frame and one audio block per step, close (the two end markers,
// then release). A failure while opening throws CMyException with code 9 and leaves the
// partly set-up writer held, so that close() still ends and releases it. Borrows the
// WinMediaLibrary, which must outlive it. Used from the conversion's thread only.
#pragma once

#include "engine/FormatRecords.h"
#include "wmout/WinMediaLibrary.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace zentar {

class WinMediaOutput {
public:
    static constexpr int32_t kErrorCode = 9; // the Windows Media writer's failure code

    explicit WinMediaOutput(const WinMediaLibrary& library) : library_(library) {}
    ~WinMediaOutput();
    WinMediaOutput(const WinMediaOutput&) = delete;
    WinMediaOutput& operator=(const WinMediaOutput&) = delete;

    // Creates the file. profile: the resolved profile value (nothing: the library's
    // default); audio: the output audio format, or nullptr when the conversion has no
    // audio (18 zero bytes are passed then). Throws CMyException(9) on any failure.
    void open(const std::string& fileName, const std::optional<std::u16string>& profile,
              int32_t width, int32_t height, const AudioFormatRecord* audio, double frameRate);

    // One frame (bufferBytes: the size of the caller's buffer). True when the writer
    // took it; false on a negative result, or when the writer counts a frame larger
    // than the buffer (it would read past it).
    bool writeVideo(const uint8_t* frame, size_t bufferBytes);
    // One audio block; same rules.
    bool writeAudio(const uint8_t* block, size_t bufferBytes);

    // End markers and release; nothing when no writer is held. False when an end marker
    // failed: the file could not be completed.
    bool close();
    bool isOpen() const { return static_cast<bool>(writer_); }

private:
    const WinMediaLibrary& library_;
    ComPtr<WinMediaWriter> writer_;
};

} // namespace zentar

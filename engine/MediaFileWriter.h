// MediaFileWriter: the conversion job's view of a per-file writer that is not a writer graph
// (the Windows Media writer): open one file with a profile value, frame size, audio format
// and frame rate, take one frame and one audio block per step, close with the end markers.
// The engine only declares it; the front end hands the job a factory whose writers are
// implemented over the outside writer library (wmout/). A job without a factory cannot
// write such files and fails with code 9, as a missing writer library does.
//
// A writer belongs to the job that created it and is used from the conversion's thread.
#pragma once

#include "engine/FormatRecords.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace zentar {

class MediaFileWriter {
public:
    static constexpr int32_t kErrorCode = 9; // every failure while opening

    virtual ~MediaFileWriter() = default;

    // Creates the file. profile: the resolved profile value (nothing: the library's
    // default); audio: the output audio format, or nullptr when there is no audio. Throws
    // CMyException(9); a writer that failed to open is still closed by close().
    virtual void open(const std::string& fileName, const std::optional<std::u16string>& profile,
                      int32_t width, int32_t height, const AudioFormatRecord* audio,
                      double frameRate) = 0;
    // One frame / one audio block from a buffer of `bufferBytes`; true when it was taken.
    virtual bool writeVideo(const uint8_t* frame, size_t bufferBytes) = 0;
    virtual bool writeAudio(const uint8_t* block, size_t bufferBytes) = 0;
    // Sends the end markers and releases the writer; nothing when none is held. False when
    // the file could not be completed (a write that failed while it was finished, for
    // example on a full disk: the writer buffers, so a failure may surface only here).
    virtual bool close() = 0;
};

// Makes a new, unopened writer per output file; may return null when the writer library
// is missing (the job then fails with code 9).
using MediaFileWriterFactory = std::function<std::unique_ptr<MediaFileWriter>()>;

} // namespace zentar

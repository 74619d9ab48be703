// WinMediaFileWriter: the conversion job's per-file writer port (MediaFileWriter) over
// WinMediaOutput, and the factory the front ends hand to a ConversionJob. The factory loads
// the writer library once (a job's own load, independent of the window's) and shares it with
// every writer it makes, so the library outlives them. Used from the conversion's thread.
#pragma once

#include "engine/MediaFileWriter.h"
#include "wmout/WinMediaLibrary.h"
#include "wmout/WinMediaOutput.h"

#include <memory>

namespace zentar {

class WinMediaFileWriter final : public MediaFileWriter {
public:
    explicit WinMediaFileWriter(std::shared_ptr<const WinMediaLibrary> library)
        : library_(std::move(library)), output_(*library_) {}

    void open(const std::string& fileName, const std::optional<std::u16string>& profile,
              int32_t width, int32_t height, const AudioFormatRecord* audio,
              double frameRate) override {
        output_.open(fileName, profile, width, height, audio, frameRate);
    }
    bool writeVideo(const uint8_t* frame, size_t bufferBytes) override {
        return output_.writeVideo(frame, bufferBytes);
    }
    bool writeAudio(const uint8_t* block, size_t bufferBytes) override {
        return output_.writeAudio(block, bufferBytes);
    }
    bool close() override { return output_.close(); }

private:
    std::shared_ptr<const WinMediaLibrary> library_; // declared first: outlives output_
    WinMediaOutput output_;
};

// Loads the writer library now; every writer made shares it. A missing library still
// makes writers, whose open fails with code 9.
inline MediaFileWriterFactory MakeWinMediaWriterFactory(
    std::shared_ptr<const WinMediaLibrary> library = std::make_shared<WinMediaLibrary>()) {
    return [library]() -> std::unique_ptr<MediaFileWriter> {
        return std::make_unique<WinMediaFileWriter>(library);
    };
}

} // namespace zentar

// One ASF (WMV) file being written: the output context and its file, the video stage
// and, when both the profile and the input have audio, the audio stage. Created by
// WinMediaWriterObject at Open (which creates the file), started once the input formats
// and the profile are known (streams, encoders, header), finished once. A file that
// received neither a frame nor an audio byte is removed when it is finished, so the end
// markers without data leave no file behind. All calls come from the writer's thread;
// results are negative AVERROR codes on failure.
#pragma once

#include "asfbridge/AudioEncoderStage.h"
#include "asfbridge/FfmpegHandles.h"
#include "asfbridge/VideoEncoderStage.h"
#include "asfbridge/WinMediaWriter.h"
#include "asfbridge/WmProfile.h"

#include <memory>
#include <string>

namespace zentar::asfbridge {

class AsfFileWriter {
public:
    // Creates (or truncates) the file at path.
    static int open(const std::string& path, std::unique_ptr<AsfFileWriter>& writer);
    // Finishes the file if the end markers never came, so that nothing written is lost.
    ~AsfFileWriter();
    AsfFileWriter(const AsfFileWriter&) = delete;
    AsfFileWriter& operator=(const AsfFileWriter&) = delete;

    // audio: nullptr when the input has no audio.
    int start(const WmProfile& profile, int width, int height, const WmWaveFormat* audio,
              double frameRate);
    bool started() const { return started_; }
    bool hasAudioStream() const { return audio_ != nullptr; }

    int writeVideo(const uint8_t* frame);
    int writeAudio(const uint8_t* data, size_t size);
    int endVideo();
    int endAudio();
    // Writes the trailer and closes the file (or removes an empty one). Idempotent.
    int finish();

private:
    AsfFileWriter() = default;

    std::string path_;
    OutputContextPtr output_;
    std::unique_ptr<VideoEncoderStage> video_;
    std::unique_ptr<AudioEncoderStage> audio_;
    bool started_ = false;
    bool videoEnded_ = false;
    bool audioEnded_ = false;
    bool finished_ = false;
    int error_ = 0; // the first failure; later calls report it again
};

} // namespace zentar::asfbridge

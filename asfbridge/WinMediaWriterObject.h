// The writer object handed out by CreateWinMediaWriter: reference counting, the profile
// list, argument checks and the order of calls (Open and SetInputFormats in either
// order, then frames and audio, then the two end markers). The encoding itself is
// AsfFileWriter's. Every operation catches everything: nothing is thrown across the
// library's boundary, failures are negative results. One thread at a time.
#pragma once

#include "asfbridge/AsfFileWriter.h"
#include "asfbridge/WinMediaWriter.h"
#include "asfbridge/WmProfile.h"

#include <atomic>
#include <memory>
#include <optional>

namespace zentar::asfbridge {

class WinMediaWriterObject final : public WinMediaWriter {
public:
    WinMediaWriterObject() = default;
    ~WinMediaWriterObject() = default;
    WinMediaWriterObject(const WinMediaWriterObject&) = delete;
    WinMediaWriterObject& operator=(const WinMediaWriterObject&) = delete;

    WmResult QueryInterface(const WmGuid& iid, void** object) override;
    uint32_t AddRef() override;
    uint32_t Release() override;
    WmResult GetProfileName(int32_t index, char16_t** name) override;
    WmResult FindProfile(const char16_t* name, int32_t* index) override;
    WmResult SetInputFormats(int32_t width, int32_t height, int32_t formatSize,
                             const void* audioFormat, double frameRate) override;
    WmResult Open(const char16_t* fileName, const char16_t* profile) override;
    WmResult GetVideoFrameSize(uint32_t* size) override;
    WmResult GetAudioBlockSize(uint32_t* size) override;
    WmResult WriteVideo(uint32_t size, const void* data) override;
    WmResult WriteAudio(uint32_t size, const void* data) override;

private:
    struct InputFormats {
        int width = 0;
        int height = 0;
        std::optional<WmWaveFormat> audio;
        double frameRate = 0;
        uint32_t frameBytes() const {
            return static_cast<uint32_t>((width * 3 + 3) & ~3) * static_cast<uint32_t>(height);
        }
    };

    WmResult startIfReady();

    std::atomic<uint32_t> refs_{1};
    std::optional<WmProfile> profile_;
    std::optional<InputFormats> input_;
    std::unique_ptr<AsfFileWriter> file_;
};

} // namespace zentar::asfbridge

#include "wmout/WinMediaOutput.h"

#include "engine/CMyException.h"
#include "platform/com/Bstr.h"

namespace zentar {

static_assert(sizeof(AudioFormatRecord) == sizeof(asfbridge::WmWaveFormat),
              "the writer takes the program's audio format record as it is");

WinMediaOutput::~WinMediaOutput() {
    close();
}

void WinMediaOutput::open(const std::string& fileName, const std::optional<std::u16string>& profile,
                          int32_t width, int32_t height, const AudioFormatRecord* audio,
                          double frameRate) {
    close();
    if (FAILED(library_.createWriter(writer_)))
        throw CMyException(kErrorCode);
    HRESULT hr;
    {
        const std::u16string wideName = WideFromUtf8(fileName);
        hr = writer_->Open(wideName.c_str(), profile ? profile->c_str() : nullptr);
    }
    if (FAILED(hr))
        throw CMyException(kErrorCode);
    const AudioFormatRecord none{};
    hr = writer_->SetInputFormats(width, height, static_cast<int32_t>(sizeof(AudioFormatRecord)),
                                  audio ? audio : &none, frameRate);
    if (FAILED(hr))
        throw CMyException(kErrorCode);
}

bool WinMediaOutput::writeVideo(const uint8_t* frame, size_t bufferBytes) {
    if (!writer_ || !frame)
        return false;
    uint32_t size = 0;
    writer_->GetVideoFrameSize(&size);
    return size <= bufferBytes && SUCCEEDED(writer_->WriteVideo(size, frame));
}

bool WinMediaOutput::writeAudio(const uint8_t* block, size_t bufferBytes) {
    if (!writer_ || !block)
        return false;
    uint32_t size = 0;
    writer_->GetAudioBlockSize(&size);
    return size <= bufferBytes && SUCCEEDED(writer_->WriteAudio(size, block));
}

bool WinMediaOutput::close() {
    if (!writer_)
        return true;
    const bool videoEnded = SUCCEEDED(writer_->WriteVideo(0, nullptr));
    const bool audioEnded = SUCCEEDED(writer_->WriteAudio(0, nullptr));
    writer_.Reset();
    return videoEnded && audioEnded;
}

} // namespace zentar

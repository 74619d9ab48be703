#include "asfbridge/WinMediaWriterObject.h"

#include "asfbridge/PrxProfileParser.h"
#include "asfbridge/WideText.h"

#include <cmath>
#include <cstring>
#include <new>

namespace zentar::asfbridge {

namespace {

constexpr WmResult code(uint32_t value) {
    return static_cast<WmResult>(value);
}
constexpr WmResult kNoInterface = code(0x80004002);
constexpr WmResult kPointer = code(0x80004003);
constexpr WmResult kFail = code(0x80004005);
constexpr WmResult kUnexpected = code(0x8000FFFF);
constexpr WmResult kOutOfMemory = code(0x8007000E);
constexpr WmResult kInvalidArg = code(0x80070057);

// Longest file name accepted, in UTF-16 characters.
constexpr size_t kMaxFileNameChars = 32768;

// An FFmpeg error as a result code: errno values the way the host wraps them.
WmResult resultFromAv(int error) {
    if (error >= 0)
        return kWmOk;
    if (error == AVERROR(ENOMEM))
        return kOutOfMemory;
    if (error > -0x10000)
        return code(0x80070000u | static_cast<uint32_t>(-error));
    return kFail;
}

template <class F> WmResult guarded(F&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (...) {
        return kFail;
    }
}

bool sameGuid(const WmGuid& a, const WmGuid& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool validPcm(const WmWaveFormat& f) {
    if (f.wFormatTag != kWaveFormatPcm || f.nChannels < 1 || f.nChannels > 2 ||
        (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) || f.nSamplesPerSec < 1000 ||
        f.nSamplesPerSec > 384000)
        return false;
    const uint32_t align = f.nChannels * (f.wBitsPerSample / 8u);
    return f.nBlockAlign == align && f.nAvgBytesPerSec == f.nSamplesPerSec * align;
}

// The profile a value names or describes; nothing when it is neither.
std::optional<WmProfile> profileFor(const char16_t* value) {
    if (!value)
        return defaultProfile();
    const auto length = boundedWideLength(value, kMaxProfileTextChars);
    if (!length)
        return std::nullopt;
    const std::u16string_view text(value, *length);
    if (const int32_t index = findBuiltinProfile(text); index >= 0)
        return builtinProfiles()[static_cast<size_t>(index)];
    return parsePrxProfile(text);
}

} // namespace

WmResult WinMediaWriterObject::QueryInterface(const WmGuid& iid, void** object) {
    return guarded([&] {
        if (!object)
            return kPointer;
        *object = nullptr;
        if (!sameGuid(iid, kIid) && !sameGuid(iid, kIidUnknown))
            return kNoInterface;
        AddRef();
        *object = static_cast<WinMediaWriter*>(this);
        return kWmOk;
    });
}

uint32_t WinMediaWriterObject::AddRef() {
    return ++refs_;
}

uint32_t WinMediaWriterObject::Release() {
    const uint32_t left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

WmResult WinMediaWriterObject::GetProfileName(int32_t index, char16_t** name) {
    return guarded([&] {
        if (!name)
            return kPointer;
        *name = nullptr;
        if (index < 0)
            return kInvalidArg;
        const auto& all = builtinProfiles();
        if (static_cast<size_t>(index) >= all.size())
            return kWmFalse;
        *name = allocCallerString(all[static_cast<size_t>(index)].name);
        return *name ? kWmOk : kOutOfMemory;
    });
}

WmResult WinMediaWriterObject::FindProfile(const char16_t* name, int32_t* index) {
    return guarded([&] {
        if (!index)
            return kPointer;
        *index = -1;
        if (!name)
            return kPointer;
        // No built-in name is longer than this: a longer text is no name.
        const auto length = boundedWideLength(name, 256);
        if (length)
            *index = findBuiltinProfile(std::u16string_view(name, *length));
        return *index >= 0 ? kWmOk : kWmFalse;
    });
}

WmResult WinMediaWriterObject::SetInputFormats(int32_t width, int32_t height, int32_t formatSize,
                                               const void* audioFormat, double frameRate) {
    return guarded([&] {
        if (input_)
            return kUnexpected;
        if (width < 1 || height < 1 || width > kMaxFrameSide || height > kMaxFrameSide ||
            !std::isfinite(frameRate) || frameRate < 0.01 || frameRate > 1000.0)
            return kInvalidArg;
        InputFormats input{width, height, std::nullopt, frameRate};
        if (audioFormat) {
            if (formatSize < static_cast<int32_t>(sizeof(WmWaveFormat)))
                return kInvalidArg;
            WmWaveFormat format;
            std::memcpy(&format, audioFormat, sizeof format);
            static constexpr WmWaveFormat kNone{};
            if (std::memcmp(&format, &kNone, sizeof format) != 0) {
                if (!validPcm(format))
                    return kInvalidArg;
                input.audio = format;
            }
        }
        input_ = input;
        return startIfReady();
    });
}

WmResult WinMediaWriterObject::Open(const char16_t* fileName, const char16_t* profile) {
    return guarded([&] {
        if (file_)
            return kUnexpected;
        if (!fileName)
            return kPointer;
        const auto length = boundedWideLength(fileName, kMaxFileNameChars);
        const auto path =
            length ? utf8FromUtf16(std::u16string_view(fileName, *length)) : std::nullopt;
        if (!path || path->empty())
            return kInvalidArg;
        profile_ = profileFor(profile);
        if (!profile_)
            return kInvalidArg;
        if (const int ret = AsfFileWriter::open(*path, file_); ret < 0)
            return resultFromAv(ret);
        return startIfReady();
    });
}

WmResult WinMediaWriterObject::startIfReady() {
    if (!file_ || !input_ || file_->started())
        return kWmOk;
    const WmWaveFormat* audio = input_->audio ? &*input_->audio : nullptr;
    return resultFromAv(
        file_->start(*profile_, input_->width, input_->height, audio, input_->frameRate));
}

WmResult WinMediaWriterObject::GetVideoFrameSize(uint32_t* size) {
    return guarded([&] {
        if (!size)
            return kPointer;
        *size = input_ ? input_->frameBytes() : 0;
        return input_ ? kWmOk : kUnexpected;
    });
}

WmResult WinMediaWriterObject::GetAudioBlockSize(uint32_t* size) {
    return guarded([&] {
        if (!size)
            return kPointer;
        *size = 0;
        if (!input_)
            return kUnexpected;
        if (!input_->audio)
            return kWmFalse;
        // Cut as the program cuts its blocks: whole bytes of one frame period.
        *size =
            static_cast<uint32_t>(std::trunc(input_->audio->nAvgBytesPerSec / input_->frameRate));
        return kWmOk;
    });
}

WmResult WinMediaWriterObject::WriteVideo(uint32_t size, const void* data) {
    return guarded([&] {
        if (size == 0 && !data)
            return file_ ? resultFromAv(file_->endVideo()) : kWmOk;
        if (!data)
            return kPointer;
        if (!file_ || !file_->started())
            return kUnexpected;
        if (size != input_->frameBytes())
            return kInvalidArg;
        return resultFromAv(file_->writeVideo(static_cast<const uint8_t*>(data)));
    });
}

WmResult WinMediaWriterObject::WriteAudio(uint32_t size, const void* data) {
    return guarded([&] {
        if (size == 0 && !data)
            return file_ ? resultFromAv(file_->endAudio()) : kWmOk;
        if (!data)
            return kPointer;
        if (!file_ || !file_->started() || !input_->audio)
            return kUnexpected;
        return resultFromAv(file_->writeAudio(static_cast<const uint8_t*>(data), size));
    });
}

} // namespace zentar::asfbridge

extern "C" __attribute__((visibility("default"))) zentar::asfbridge::WmResult
CreateWinMediaWriter(zentar::asfbridge::WinMediaWriter** writer) {
    using namespace zentar::asfbridge;
    if (!writer)
        return kPointer;
    *writer = nullptr;
    try {
        *writer = new WinMediaWriterObject();
        return kWmOk;
    } catch (...) {
        return kOutOfMemory;
    }
}

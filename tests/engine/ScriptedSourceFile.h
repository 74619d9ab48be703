// ScriptedSourceFile: makes a file name open as the streaming framework's TestSource (a
// numbered RGB24 stream with chosen sample times, frame time in the format and failure
// index) instead of through the media layer, so that reading-graph cases the real decoder
// cannot produce on demand (no stated frame time, a stream that fails half-way, zero-length
// samples) run through the real graph. Registered for the lifetime of the object.
#pragma once

#include "platform/com/Bstr.h"
#include "platform/media/MediaTypeFactory.h"
#include "platform/streaming/FilterRegistry.h"
#include "tests/support/streaming/TestSource.h"

#include <string>

namespace zentar::test {

struct ScriptedStream {
    int frames = 10;
    REFERENCE_TIME sampleDuration = 400'000;
    REFERENCE_TIME avgTimePerFrame = 0; // stated in the format; 0: none
    int failAt = -1;                    // FillBuffer fails at this index
};

class ScriptedSourceFile {
public:
    static constexpr int kWidth = 16;
    static constexpr int kHeight = 8;

    ScriptedSourceFile(const std::string& name, const ScriptedStream& stream)
        : name_(WideFromUtf8(name)) {
        TestSourcePinConfig pin;
        pin.type = MakeRgbVideoType(RgbVideoFormat{kWidth, kHeight, stream.avgTimePerFrame});
        pin.sampleCount = stream.frames;
        pin.sampleDuration = stream.sampleDuration;
        pin.failAt = stream.failAt;
        pin.name = u"Video";
        id_ = FilterRegistry::RegisterSourceFilter(
            [this, pin](LPCWSTR fileName, ComPtr<IBaseFilter>& filter) -> HRESULT {
                if (name_ != fileName)
                    return REGDB_E_CLASSNOTREG;
                filter = ComPtr<IBaseFilter>(TestSource::Create({pin}).Get());
                return filter ? S_OK : E_OUTOFMEMORY;
            });
    }
    ~ScriptedSourceFile() { FilterRegistry::Unregister(id_); }
    ScriptedSourceFile(const ScriptedSourceFile&) = delete;
    ScriptedSourceFile& operator=(const ScriptedSourceFile&) = delete;

    // The index a sample of this stream carries in its first four bytes.
    static int indexOf(const uint8_t* sample) {
        return sample[0] | sample[1] << 8 | sample[2] << 16 | sample[3] << 24;
    }

private:
    std::u16string name_;
    FilterRegistry::RegistrationId id_ = 0;
};

} // namespace zentar::test

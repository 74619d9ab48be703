#include "options/InputFrameSize.h"

#include "engine/CMyException.h"
#include "platform/media/DecoderSource.h"

namespace zentar {

namespace {
constexpr int32_t kReadingGraphFailure = 7;
}

FrameSize ReadInputFrameSize(const std::string& path) {
    DecoderSource source;
    if (FAILED(source.open(path))) {
        throw CMyException(kReadingGraphFailure);
    }
    for (const SourceStreamInfo& stream : source.streams()) {
        if (stream.kind == StreamKind::Video) {
            return {stream.video.width, stream.video.height};
        }
    }
    throw CMyException(kReadingGraphFailure);
}

} // namespace zentar

#include "options/CompressorSource.h"

#include "engine/CMyException.h"
#include "options/CompressorNames.h"

namespace zentar {

namespace {

// The system's compressors, named by the same source as the main window's lists. Creating
// a filter needs the platform's compressor filters; until a category offers them, every
// name fails as a compressor that cannot be bound (code 5).
class InstalledVideoCompressorSource final : public VideoCompressorSource {
public:
    std::vector<std::string> names() override {
        return InstalledCompressorNames(CompressorCategory::Video);
    }
    std::unique_ptr<VideoCompressorFilter> create(const std::string& /*name*/) override {
        throw CMyException(5);
    }
};

} // namespace

VideoCompressorSource& InstalledVideoCompressors() {
    static InstalledVideoCompressorSource source;
    return source;
}

std::vector<std::string> InstalledAudioCompressorNames() {
    std::vector<std::string> names = InstalledCompressorNames(CompressorCategory::Audio);
    std::erase(names, std::string());
    return names;
}

} // namespace zentar

#include "engine/ClipNaming.h"

#include <cstdio>

namespace zentar {

std::string OutputTypeExtension(int dstFileType) {
    static constexpr const char* kExtensions[] = {".avi", ".wmv", ".mp4", ".mkv"};
    return kExtensions[dstFileType >= 0 && dstFileType < 4 ? dstFileType : 0];
}

std::string MakeClipName(std::string_view dstFileName, std::string_view typeExtension,
                         int sceneDetection, int index) {
    const std::size_t slash = dstFileName.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = dstFileName.rfind('.');
    const bool hasExtension = dot != std::string_view::npos && dot >= nameStart;
    const std::string_view stem = hasExtension ? dstFileName.substr(0, dot) : dstFileName;
    const std::string_view extension = hasExtension ? dstFileName.substr(dot) : typeExtension;

    std::string name(stem);
    if (sceneDetection != 0) {
        char number[16];
        std::snprintf(number, sizeof number, "%05i", index);
        name += number;
    }
    name += extension;
    return name;
}

} // namespace zentar

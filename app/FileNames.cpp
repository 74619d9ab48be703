#include "app/FileNames.h"

#include "engine/ClipNaming.h"

namespace zentar {

PathParts SplitPath(const std::string& path) {
    PathParts parts;
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    parts.folder = path.substr(0, nameStart);
    const std::string name = path.substr(nameStart);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        parts.base = name;
    } else {
        parts.base = name.substr(0, dot);
        parts.extension = name.substr(dot);
    }
    return parts;
}

std::string OutputExtension(int dstFileType) {
    return OutputTypeExtension(dstFileType);
}

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
    const PathParts parts = SplitPath(path);
    return parts.folder + parts.base + extension;
}

std::string FileNamePart(const std::string& path) {
    const PathParts parts = SplitPath(path);
    return parts.base + parts.extension;
}

} // namespace zentar

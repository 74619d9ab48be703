#include "options/InputFrameSize.h"

#include "engine/CMyException.h"
#include "engine/ReaderGraph.h"
#include "platform/streaming/FormatStructs.h"

namespace zentar {

// A reading graph for the video, as a conversion opens it; the size is the bitmap header's
// of the connected format. The graph is closed when the function returns.
FrameSize ReadInputFrameSize(const std::string& path) {
    ReaderGraph reader(path, ReaderGraph::VideoTemplate(), true);
    MediaType type;
    reader.GetConnectedType(&type);
    const auto* header = type.FormatAs<VIDEOINFOHEADER>();
    if (header == nullptr) {
        throw CMyException(ReaderGraph::kErrorCode);
    }
    return {header->bmiHeader.biWidth, header->bmiHeader.biHeight};
}

} // namespace zentar

#include "options/InputFrameRate.h"

#include "engine/ReaderGraph.h"
#include "platform/streaming/FormatStructs.h"

namespace zentar {

double ReadInputFrameRate(const std::string& path) {
    if (path.empty()) {
        return 0.0;
    }
    try {
        ReaderGraph reader(path, ReaderGraph::VideoTemplate(), true);
        MediaType type;
        reader.GetConnectedType(&type);
        const auto* header = type.FormatAs<VIDEOINFOHEADER>();
        if (header == nullptr || header->AvgTimePerFrame <= 0) {
            return 0.0;
        }
        return 1e7 / static_cast<double>(header->AvgTimePerFrame);
    } catch (...) {
        return 0.0; // the dialog shows frames only
    }
}

} // namespace zentar

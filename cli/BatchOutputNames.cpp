#include "cli/BatchOutputNames.h"

#include "engine/ClipNaming.h"
#include "resources/strings/StringTable.h"

#include <algorithm>
#include <filesystem>

namespace zentar {

namespace fs = std::filesystem;

BatchOutputNames::BatchOutputNames(const BatchInput& input, const std::string& outputFolder,
                                   int dstFileType, int sceneDetection) {
    const fs::path relative(input.relative);
    const fs::path folder = (fs::path(outputFolder) / relative.parent_path()).lexically_normal();
    folder_ = folder.empty() ? "." : folder.string();
    if (folder_.size() > 1 && folder_.ends_with('/'))
        folder_.pop_back();
    stem_ = relative.stem().string();
    extension_ = OutputTypeExtension(dstFileType);
    const std::string output = folder_ + "/" + stem_;
    marker_ = sceneDetection == 2
                  ? output + "." + LoadString(IDS_PROJECT_DEFAULT_EXT)
                  : MakeClipName(output + extension_, extension_, sceneDetection, 0);
    partialFolder_ = folder_ + "/.zentar-partial-" + stem_ + extension_;
}

std::string BatchOutputNames::partialOutput() const {
    return partialFolder_ + "/" + stem_ + extension_;
}

std::string BatchOutputNames::partialProjectFile() const {
    return partialFolder_ + "/" + stem_ + "." + LoadString(IDS_PROJECT_DEFAULT_EXT);
}

std::vector<std::string> BatchOutputNames::Publish(const std::vector<std::string>& written) const {
    std::vector<std::string> names;
    for (const std::string& file : written)
        names.push_back(folder_ + "/" + fs::path(file).filename().string());
    // The marker moves last: its presence says the others are in place.
    std::vector<size_t> order(written.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_partition(order.begin(), order.end(),
                          [&](size_t i) { return names[i] != marker_; });
    for (const size_t i : order)
        fs::rename(written[i], names[i]);
    std::error_code ignored;
    fs::remove(partialFolder_, ignored); // only when empty
    return names;
}

} // namespace zentar

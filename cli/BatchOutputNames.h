// BatchOutputNames: where a batch puts the outputs of one input. The output name is the input's
// stem with the output type's extension, in the output folder mirroring the input's folder
// below its folder argument; clips and the project file are named from it as for one
// conversion. The conversion writes into a hidden partial folder beside the outputs; when it
// has ended well its files are moved to their names, the "marker" (the output, the first clip
// or the project file) last, so that the marker exists only when every output of the input is
// complete. Main thread.
#pragma once

#include "cli/BatchInputs.h"

#include <string>
#include <vector>

namespace zentar {

class BatchOutputNames {
public:
    BatchOutputNames(const BatchInput& input, const std::string& outputFolder, int dstFileType,
                     int sceneDetection);

    const std::string& folder() const { return folder_; }
    // The output that exists only when all of the input's outputs are complete.
    const std::string& marker() const { return marker_; }
    // Where the conversion writes: DstFileName and ClipsFileName inside the partial folder.
    const std::string& partialFolder() const { return partialFolder_; }
    std::string partialOutput() const;
    std::string partialProjectFile() const;

    // Moves the written files (paths inside the partial folder) to the output folder, the
    // marker last, and removes the partial folder. Returns their final names; throws
    // std::filesystem::filesystem_error when one cannot be moved.
    std::vector<std::string> Publish(const std::vector<std::string>& written) const;

private:
    std::string folder_;
    std::string stem_;
    std::string extension_;
    std::string marker_;
    std::string partialFolder_;
};

} // namespace zentar

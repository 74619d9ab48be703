// RunFacts: what one conversion did, as its front ends report it: the files it opened for
// writing (clips in order, then the project file), the input frame where each scene starts
// and how many input frames it read. A plain value filled by ConversionRun on its thread and
// copied out; no Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zentar {

struct RunFacts {
    std::vector<std::string> outputs;
    std::vector<int64_t> cuts; // the first input frame of each scene, from 0
    uint64_t framesRead = 0;   // frames decoded (the statistics also count the end)
};

} // namespace zentar

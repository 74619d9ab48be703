// AsfFileRepair: turns an ASF file whose writing stopped half-way (a full disk, a failing
// device) into a valid file of the data packets written whole. The file is cut back to the
// end of its last complete packet (packets have one fixed size), and the counts and sizes
// of the header and the data object, and the play and send durations, are set to what
// remains. Whatever followed the data (an index) is dropped. Patches overwrite bytes already
// in the file and the cut frees space, so no free space is needed. Files that do not start
// with an ASF header are left alone.
#pragma once

#include <cstdint>
#include <string>

namespace zentar::asfbridge {

class AsfFileRepair {
public:
    struct Result {
        bool repaired = false;
        int64_t size = 0;     // the file's length after the cut
        uint64_t packets = 0; // data packets kept
    };

    static Result Repair(const std::string& path);
};

} // namespace zentar::asfbridge

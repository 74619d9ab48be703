// AviRecovery: turns an AVI file whose writing stopped half-way (a full disk, a failing
// device) into a valid file of what was written whole. The file is cut back to the end of
// the last complete chunk of its first 'movi' list, and the sizes and counts the muxer
// leaves for its end (RIFF and 'movi' sizes, total frames, stream lengths) are set to what
// remains. No index is added (the file's flags then say it has none: readers scan 'movi').
// Patches overwrite bytes already in the file, and the cut frees space, so the repair needs
// no free space on the device. Files that do not start with an AVI header are left alone.
#pragma once

#include <cstdint>

namespace zentar {

class AviRecovery {
public:
    struct Result {
        bool repaired = false;    // an AVI file, now ending on a whole chunk
        int64_t size = 0;         // its length after the cut
        uint32_t videoFrames = 0; // chunks of the first video stream kept
    };

    // Repairs the file open for reading and writing on `fd`. Nothing else may write it.
    static Result Repair(int fd);
};

} // namespace zentar

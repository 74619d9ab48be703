// The small clip the engine tests read: 64 x 48 video of two scenes (the cut half-way) at
// `fps`, with `audioSeconds` of 44,100 Hz 16-bit stereo tone, or no sound when 0.
#pragma once

#include "tests/support/media/MediaFixture.h"

#include <string>

namespace zentar::test {

inline std::string SmallClip(const std::string& path, int frames, double audioSeconds,
                             int fps = 25) {
    ClipSpec spec{.video = VideoSpec{.fpsNum = fps, .frames = frames, .cutFrames = {frames / 2}}};
    if (audioSeconds > 0)
        spec.audio = AudioSpec{.seconds = audioSeconds};
    return writeClip(path, spec);
}

} // namespace zentar::test

// Timecodes of input frames as the scene lists show them: the clock form "hh:mm:ss.ff" (the
// frame's start time with the frames into its second at the input's rate) and the SMPTE form
// of edit decision lists, "HH:MM:SS:FF" counted at a whole-number timebase, or "HH:MM:SS;FF"
// with drop-frame counting (frame numbers 0 and 1, or 0 to 3 at 59.94, skipped at the start
// of every minute except each tenth) for the NTSC rates 29.97 and 59.94. Pure; any thread.
#pragma once

#include <cstdint>
#include <string>

namespace zentar {

// The SMPTE counting for a frame rate: the nearest whole rate, drop-frame for 30000/1001 and
// 60000/1001.
struct SmpteBase {
    int framesPerSecond = 25;
    bool dropFrame = false;
};

SmpteBase SmpteBaseForRate(double frameRate);

// "hh:mm:ss.ff" of frame `frame` at frameRate (frames a second, > 0).
std::string ClockTimecode(std::int64_t frame, double frameRate);

// The SMPTE timecode of frame `frame` (from 0) counted with `base`.
std::string SmpteTimecode(std::int64_t frame, SmpteBase base);

} // namespace zentar

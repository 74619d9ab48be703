// Helpers of the end-to-end tests: zentar-convert run as a child with a time limit, input
// files with known frames and sound, and readers of what a conversion wrote (frame colours
// decoded by the ffmpeg tool, sound length, frames counted by our own reading graph).
#pragma once

#include "tests/support/media/MediaFixture.h"
#include "tests/support/process/ChildProcess.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zentar::e2e {

// Runs the built zentar-convert with the arguments (KEY=VALUE settings and options).
test::ChildResult convert(const std::vector<std::string>& args, int timeoutMs = 120000);

// A clip whose frame i is a flat grey of level greyLevel(i, frames), so that every output
// frame tells which input frame it is; `frames` frames at fpsNum/fpsDen, MPEG-4 in AVI.
std::string writeNumberedClip(const std::string& path, int frames, int fpsNum, int fpsDen = 1);
int greyLevel(int frame, int frames);

// The input frame index of every video frame of `path` (decoded by the ffmpeg tool, read at
// the centre of the picture, matched to the nearest grey level); -1 for a frame that matches
// none within the tolerance.
std::vector<int> frameIndices(const std::string& path, int width, int height, int frames);

// Seconds of sound in the first audio stream, from the samples the ffmpeg tool decodes.
double soundSeconds(const std::string& path);

// Video frames of `path` counted through our own reading graph.
int64_t framesReadBack(const std::string& path);

// A run that ended by itself with status 1 and `message` as its only error line.
void expectFailure(const test::ChildResult& r, const std::string& message);

// The first line ffprobe prints for `what` ("-show_entries stream=r_frame_rate ...").
std::string ffprobe(const std::string& path, const std::string& what);

// What the ffmpeg tool reports while decoding `path` ("" when it decodes cleanly).
std::string decodeErrors(const std::string& path);

// A file that plays to its end: ffprobe's header count of video frames equals the (non-zero)
// count it decodes, and the ffmpeg tool decodes it without an error.
void expectPlayable(const std::string& path);

// The files below `folder` (hidden ones included) relative to it, sorted.
std::vector<std::string> filesBelow(const std::string& folder);

// The numbers of a project file after its two header lines: the first frames of the scenes,
// then the frame count of the input.
std::vector<int64_t> projectLines(const std::string& path);

} // namespace zentar::e2e

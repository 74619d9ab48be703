// ffprobe / ffmpeg command-line helpers for tests: the outside reader that checks the files
// we write, and the reference decoder for colour comparisons. Each call runs the tool once,
// waits for it and parses its output. Test threads only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zentar::test {

struct ProbedStream {
    std::string codecName;
    int width = 0;
    int height = 0;
    int64_t frames = -1; // decoded frames (with countFrames), else the container's count
    double durationSeconds = -1;
    int sampleRate = 0;
    int channels = 0;
};

// Facts of the first stream matching `selector` ("v:0", "a:0"), or nothing when the file
// has no such stream or ffprobe cannot read it. countFrames decodes the whole stream.
std::optional<ProbedStream> probeStream(const std::string& path, const std::string& selector,
                                        bool countFrames = false);

// Several facts in one line, to compare at once: "codec WxH frames" for a video selector
// ("v:0", frames decoded and counted), "codec rate channels" for an audio one; "none" when
// the file has no such stream.
std::string streamFacts(const std::string& path, const std::string& selector);

// Where the stream's last packet ends (its time plus its duration), in seconds, or -1. AVI
// audio streams have no duration of their own in ffprobe's view.
double probeStreamEnd(const std::string& path, const std::string& selector);

// The file's duration in seconds as ffprobe reports it, or -1.
double probeFormatDuration(const std::string& path);

// Every video frame decoded by the ffmpeg tool as top-down, unpadded BGR24 rows.
std::vector<uint8_t> ffmpegDecodeBgr24(const std::string& path);

// Runs a shell command, returns its exit status and its standard output in `output`.
int runCommand(const std::string& command, std::string& output);

} // namespace zentar::test

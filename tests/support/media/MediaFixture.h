// Test media fixtures: small files written at test time with our own FFmpeg libraries
// (never the command-line tool), with known content: video made of scenes of solid colours
// that change at known frames, known frame rate and size, optional colour-matrix and range
// tags, and optional audio (a sine tone) in any encoder FFmpeg has. Containers: anything
// libavformat writes (AVI, MPEG-1/MPEG-2 program streams, ASF, Matroska, ...) plus the VCD
// .dat form (RIFF CDXA sectors around an MPEG-1 program stream), built here. Used from test
// threads only; every function throws std::runtime_error with a readable text on failure.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zentar::test {

using Rgb = std::array<uint8_t, 3>; // red, green, blue

enum class ColourMatrix { Unspecified, Bt601, Bt709 };
enum class ColourRange { Unspecified, Limited, Full };

struct VideoSpec {
    std::string encoder = "mpeg4"; // an FFmpeg encoder name
    std::string fourcc;            // codec tag to force ("XVID"), empty for the default
    int width = 64;
    int height = 48;
    int fpsNum = 25;
    int fpsDen = 1;
    int frames = 25;
    std::vector<int> cutFrames;    // frames where a new scene (the next colour) starts
    std::vector<Rgb> sceneColours; // empty: the built-in palette
    int topBandRows = 0;           // rows at the top painted in topBandColour
    Rgb topBandColour{255, 255, 255};
    std::string pixelFormat; // empty: the encoder's first format
    ColourMatrix matrix = ColourMatrix::Unspecified;
    ColourRange range = ColourRange::Unspecified;
    int gop = 12;
    int bFrames = 0; // B-frames between reference frames (decode order differs from display)
    int bitRate = 0; // 0: the encoder's default; otherwise bits per second
    // When set, paints frame `index` (RGB24 rows of `linesize` bytes) instead of the scenes.
    std::function<void(int index, uint8_t* rgb, int linesize)> painter;
    int rotation = 0; // display matrix, degrees counter-clockwise (a phone's portrait: -90)
};

struct AudioSpec {
    std::string encoder = "pcm_s16le";
    int sampleRate = 44100;
    int channels = 2;
    double toneHz = 440.0;
    double seconds = 1.0;
    int bitRate = 0;
};

struct ClipSpec {
    std::string format = "avi"; // libavformat muxer name, or "vcd-dat"
    std::optional<VideoSpec> video;
    std::optional<AudioSpec> audio;
};

// Writes the clip to `path` (overwriting it) and returns path.
std::string writeClip(const std::string& path, const ClipSpec& spec);

// The colour of scene `index` in the built-in palette (distinct, saturated colours).
Rgb sceneColour(const VideoSpec& spec, int index);
// The scene that frame `frame` belongs to.
int sceneOf(const VideoSpec& spec, int frame);

// A fresh folder for one test's files, under the build tree; removed by the destructor.
class TempFolder {
public:
    explicit TempFolder(const std::string& name);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The whole content of a file ("" when it cannot be read).
std::string FileText(const std::string& path);

} // namespace zentar::test

// The input kinds the program accepts, each as a small generated clip with both a
// video and an audio stream, and the PCM format its sound must decode to. The file source
// tests run every kind through a playing graph.
#pragma once

#include "tests/support/media/MediaFixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zentar::test {

struct InputKind {
    const char* name;
    const char* format; // MediaFixture container name
    const char* file;
    const char* videoEncoder;
    int width;
    int height;
    const char* audioEncoder;
    int sampleRate;
    int channelsIn;
    uint16_t channelsOut; // what the decoded PCM has
    uint16_t bitsOut;
};

inline const std::vector<InputKind>& AcceptedInputKinds() {
    static const std::vector<InputKind> kinds = {
        {"Mpeg1Ps", "mpeg", "a.mpg", "mpeg1video", 352, 288, "mp2", 44100, 2, 2, 16},
        {"Mpeg2Ps", "vob", "b.mpg", "mpeg2video", 720, 576, "mp2", 48000, 2, 2, 16},
        {"VcdDat", "vcd-dat", "c.dat", "mpeg1video", 352, 288, "mp2", 44100, 2, 2, 16},
        {"Wmv", "asf", "d.wmv", "wmv2", 320, 240, "wmav2", 44100, 2, 2, 16},
        {"Mp3InAvi", "avi", "e.avi", "mpeg4", 320, 240, "libmp3lame", 44100, 2, 2, 16},
        {"EightBitMonoPcmAvi", "avi", "f.avi", "mjpeg", 160, 120, "pcm_u8", 22050, 1, 1, 8},
        {"SurroundAc3Avi", "avi", "g.avi", "msmpeg4", 160, 120, "ac3", 48000, 6, 2, 16}};
    return kinds;
}

// The clip of one input kind with `frames` video frames and `audioSeconds` of sound.
inline ClipSpec InputKindClip(const InputKind& kind, int frames, double audioSeconds) {
    return {kind.format,
            VideoSpec{.encoder = kind.videoEncoder,
                      .width = kind.width,
                      .height = kind.height,
                      .frames = frames},
            AudioSpec{.encoder = kind.audioEncoder,
                      .sampleRate = kind.sampleRate,
                      .channels = kind.channelsIn,
                      .seconds = audioSeconds}};
}

// Test names for ::testing::ValuesIn(AcceptedInputKinds()).
inline std::string InputKindName(const ::testing::TestParamInfo<InputKind>& info) {
    return info.param.name;
}

} // namespace zentar::test

// What a Windows Media profile fixes for one file: the video and audio codecs, their bit
// rates, the audio format and optionally the frame size. The built-in profiles live here
// in their fixed enumeration order (low bandwidth first); profile files are read by
// PrxProfileParser into the same record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentar::asfbridge {

enum class WmVideoCodec { Wmv7, Wmv8 }; // FFmpeg's wmv1 and wmv2
enum class WmAudioCodec { Wma1, Wma2 }; // FFmpeg's wmav1 and wmav2

struct WmProfile {
    std::u16string name;
    WmVideoCodec videoCodec = WmVideoCodec::Wmv8;
    int64_t videoBitRate = 0;
    int width = 0; // 0: the input frame size is kept
    int height = 0;
    double keyFrameSeconds = 5.0;
    bool hasAudio = true; // false: audio written to the writer is dropped
    WmAudioCodec audioCodec = WmAudioCodec::Wma2;
    int64_t audioBitRate = 0;
    int sampleRate = 44100;
    int channels = 2;
};

// Limits that every profile is brought within before encoding.
inline constexpr int64_t kMinAudioBitRate = 24000; // the WMA encoders refuse less
inline constexpr int64_t kMaxAudioBitRate = 384000;
inline constexpr int64_t kMinVideoBitRate = 8000;
inline constexpr int64_t kMaxVideoBitRate = 100000000;
inline constexpr int kMinSampleRate = 8000;
inline constexpr int kMaxSampleRate = 48000;
inline constexpr int kMaxFrameSide = 8192;

// The built-in profiles in enumeration order.
const std::vector<WmProfile>& builtinProfiles();
// Index of the built-in profile named exactly name, or -1.
int32_t findBuiltinProfile(std::u16string_view name);
// The profile used when Open gets no profile.
const WmProfile& defaultProfile();

} // namespace zentar::asfbridge

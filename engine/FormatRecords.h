// The two binary records the settings keep byte for byte: the video compression options
// (the 44-byte AVICOMPRESSOPTIONS layout) and the audio format (the 18-byte packed
// WAVEFORMATEX layout). Their bytes are what the settings file stores, so sizes and
// offsets are fixed here and checked at compile time. Plain values, no owner.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace zentar {

static_assert(std::endian::native == std::endian::little,
              "the stored records are little-endian images of these structs");

// Flags of VideoFormatRecord::dwFlags.
inline constexpr uint32_t kCompressKeyFrames = 0x4; // dwKeyFrameEvery is set
inline constexpr uint32_t kCompressDataRate = 0x2;  // dwBytesPerSecond is set
inline constexpr uint32_t kMaxVideoQuality = 10000;

struct VideoFormatRecord {
    uint32_t fccType = 0;
    uint32_t fccHandler = 0;
    uint32_t dwKeyFrameEvery = 0;
    uint32_t dwQuality = 0; // 0..10000
    uint32_t dwBytesPerSecond = 0;
    uint32_t dwFlags = 0;
    uint32_t lpFormat = 0; // a 32-bit pointer slot in the stored image; never dereferenced
    uint32_t cbFormat = 0;
    uint32_t lpParms = 0; // likewise
    uint32_t cbParms = 0;
    uint32_t dwInterleaveEvery = 0;

    bool operator==(const VideoFormatRecord&) const = default;
};
static_assert(sizeof(VideoFormatRecord) == 44);
static_assert(offsetof(VideoFormatRecord, dwQuality) == 12);
static_assert(offsetof(VideoFormatRecord, dwFlags) == 20);
static_assert(offsetof(VideoFormatRecord, dwInterleaveEvery) == 40);

#pragma pack(push, 1)
struct AudioFormatRecord {
    uint16_t wFormatTag = 0; // 1 = PCM
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;

    bool operator==(const AudioFormatRecord&) const = default;
};
#pragma pack(pop)
static_assert(sizeof(AudioFormatRecord) == 18);
static_assert(offsetof(AudioFormatRecord, nSamplesPerSec) == 4);
static_assert(offsetof(AudioFormatRecord, nAvgBytesPerSec) == 8);
static_assert(offsetof(AudioFormatRecord, nBlockAlign) == 12);
static_assert(offsetof(AudioFormatRecord, cbSize) == 16);

inline constexpr uint16_t kWaveFormatPcm = 1;

} // namespace zentar

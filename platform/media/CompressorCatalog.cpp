#include "platform/media/CompressorCatalog.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace zentar {

namespace {

constexpr uint32_t fourcc(const char (&t)[5]) {
    return static_cast<uint32_t>(static_cast<uint8_t>(t[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(t[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(t[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(t[3])) << 24;
}

// The friendly names and their encoders, in the order the categories enumerate them.
const CompressorInfo kTable[] = {
    {"Microsoft Video 1", "msvideo1", StreamKind::Video, fourcc("MSVC"), 0},
    {"Cinepak Codec", "cinepak", StreamKind::Video, fourcc("cvid"), 0},
    {"Motion JPEG", "mjpeg", StreamKind::Video, fourcc("MJPG"), 0},
    {"MPEG-4 Part 2 (XVID)", "mpeg4", StreamKind::Video, fourcc("XVID"), 0},
    {"MPEG-4 Microsoft V2", "msmpeg4v2", StreamKind::Video, fourcc("MP42"), 0},
    {"MPEG-4 Microsoft V3", "msmpeg4", StreamKind::Video, fourcc("DIV3"), 0},
    {"Windows Media Video 7", "wmv1", StreamKind::Video, fourcc("WMV1"), 0},
    {"Windows Media Video 8", "wmv2", StreamKind::Video, fourcc("WMV2"), 0},
    {"DV Video Encoder", "dvvideo", StreamKind::Video, fourcc("dvsd"), 0},
    {"Huffyuv", "huffyuv", StreamKind::Video, fourcc("HFYU"), 0},
    {"FFV1 Lossless", "ffv1", StreamKind::Video, fourcc("FFV1"), 0},
    {"H.264 (x264)", "libx264", StreamKind::Video, fourcc("H264"), 0},
    {"H.265 (x265)", "libx265", StreamKind::Video, fourcc("HEVC"), 0},
    {"AV1 (SVT-AV1)", "libsvtav1", StreamKind::Video, fourcc("AV01"), 0},
    {"VP9", "libvpx-vp9", StreamKind::Video, fourcc("VP90"), 0},
    // "PCM" stands for no compression: its encoder passes the PCM through unchanged.
    {"PCM", "pcm_s16le", StreamKind::Audio, 0, 0x0001},
    {"CCITT A-Law", "pcm_alaw", StreamKind::Audio, 0, 0x0006},
    {"CCITT u-Law", "pcm_mulaw", StreamKind::Audio, 0, 0x0007},
    {"GSM 6.10", "libgsm_ms", StreamKind::Audio, 0, 0x0031},
    {"IMA ADPCM", "adpcm_ima_wav", StreamKind::Audio, 0, 0x0011},
    {"Microsoft ADPCM", "adpcm_ms", StreamKind::Audio, 0, 0x0002},
    {"MPEG Layer-3", "libmp3lame", StreamKind::Audio, 0, 0x0055},
    {"AAC", "aac", StreamKind::Audio, 0, 0x00FF},
    {"Opus", "libopus", StreamKind::Audio, 0, 0x704F},
    {"FLAC", "flac", StreamKind::Audio, 0, 0xF1AC},
};

std::vector<CompressorInfo> installed(StreamKind kind) {
    std::vector<CompressorInfo> out;
    for (const CompressorInfo& entry : kTable) {
        if (entry.kind == kind && avcodec_find_encoder_by_name(entry.encoderName.c_str())) {
            out.push_back(entry);
        }
    }
    return out;
}

} // namespace

const std::vector<CompressorInfo>& CompressorCatalog::list(StreamKind kind) {
    static const std::vector<CompressorInfo> video = installed(StreamKind::Video);
    static const std::vector<CompressorInfo> audio = installed(StreamKind::Audio);
    return kind == StreamKind::Video ? video : audio;
}

const CompressorInfo* CompressorCatalog::find(StreamKind kind, const std::string& friendlyName) {
    for (const CompressorInfo& entry : list(kind)) {
        if (entry.friendlyName == friendlyName) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace zentar

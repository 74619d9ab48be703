#include "platform/media/OutputContainer.h"

#include <algorithm>
#include <cctype>

namespace zentar {

namespace {

struct Fit {
    const char* name; // friendly name; "" for no compressor
    StreamKind kind;
    bool avi;
    bool mp4;
    bool matroska;
};

// Which compressor fits which container. AVI keeps the compressors it always had; MP4 takes
// the codecs its players know; Matroska takes every compressed stream, and PCM sound.
const Fit kFits[] = {
    {"", StreamKind::Video, true, false, false},
    {"Microsoft Video 1", StreamKind::Video, true, false, true},
    {"Cinepak Codec", StreamKind::Video, true, false, true},
    {"Motion JPEG", StreamKind::Video, true, true, true},
    {"MPEG-4 Part 2 (XVID)", StreamKind::Video, true, true, true},
    {"MPEG-4 Microsoft V2", StreamKind::Video, true, false, true},
    {"MPEG-4 Microsoft V3", StreamKind::Video, true, false, true},
    {"Windows Media Video 7", StreamKind::Video, true, false, true},
    {"Windows Media Video 8", StreamKind::Video, true, false, true},
    {"DV Video Encoder", StreamKind::Video, true, false, true},
    {"Huffyuv", StreamKind::Video, true, false, true},
    {"FFV1 Lossless", StreamKind::Video, true, false, true},
    {"H.264 (x264)", StreamKind::Video, true, true, true},
    {"H.265 (x265)", StreamKind::Video, false, true, true},
    {"AV1 (SVT-AV1)", StreamKind::Video, false, true, true},
    {"VP9", StreamKind::Video, false, true, true},
    {"", StreamKind::Audio, true, false, true},
    {"CCITT A-Law", StreamKind::Audio, true, false, true},
    {"CCITT u-Law", StreamKind::Audio, true, false, true},
    {"GSM 6.10", StreamKind::Audio, true, false, true},
    {"IMA ADPCM", StreamKind::Audio, true, false, true},
    {"Microsoft ADPCM", StreamKind::Audio, true, false, true},
    {"MPEG Layer-3", StreamKind::Audio, true, true, true},
    {"AAC", StreamKind::Audio, false, true, true},
    {"Opus", StreamKind::Audio, false, true, true},
    {"FLAC", StreamKind::Audio, false, true, true},
};

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

OutputContainer ContainerForExtension(const std::string& extension) {
    std::string ext = lowerCase(extension);
    if (!ext.empty() && ext.front() == '.')
        ext.erase(0, 1);
    if (ext.find("wmv") != std::string::npos)
        return OutputContainer::Wmv;
    if (ext == "mp4" || ext == "m4v")
        return OutputContainer::Mp4;
    if (ext == "mkv")
        return OutputContainer::Matroska;
    return OutputContainer::Avi;
}

const char* ContainerLabel(OutputContainer container) {
    switch (container) {
    case OutputContainer::Wmv:
        return "WMV";
    case OutputContainer::Mp4:
        return "MP4";
    case OutputContainer::Matroska:
        return "MKV";
    default:
        return "AVI";
    }
}

const char* ContainerMuxer(OutputContainer container) {
    switch (container) {
    case OutputContainer::Wmv:
        return nullptr;
    case OutputContainer::Mp4:
        return "mp4";
    case OutputContainer::Matroska:
        return "matroska";
    default:
        return "avi";
    }
}

bool ContainerTakes(OutputContainer container, StreamKind kind, const std::string& friendlyName) {
    if (container == OutputContainer::Wmv)
        return true;
    const bool none = friendlyName.empty() || friendlyName == "<Uncompressed>" ||
                      lowerCase(friendlyName) == "pcm";
    for (const Fit& fit : kFits) {
        if (fit.kind != kind || (none ? *fit.name != '\0' : friendlyName != fit.name))
            continue;
        return container == OutputContainer::Avi   ? fit.avi
               : container == OutputContainer::Mp4 ? fit.mp4
                                                   : fit.matroska;
    }
    // A name the table does not know: only AVI, which takes what its mux can write.
    return container == OutputContainer::Avi;
}

} // namespace zentar

// CompressorCatalog: the fixed table of compressors the platform offers under friendly
// names, each mapped onto an FFmpeg encoder, listing only those whose encoder the linked
// FFmpeg has, in a fixed order. The system device enumerator's compressor categories and the
// encoder classes read it. Immutable after the first call; safe from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/media/MediaFormats.h"

namespace zentar {

struct CompressorInfo {
    std::string friendlyName; // e.g. "Microsoft Video 1"
    std::string encoderName;  // FFmpeg encoder, e.g. "msvideo1"
    StreamKind kind = StreamKind::Video;
    uint32_t fourcc = 0;    // video: the AVI handler / biCompression written
    uint16_t formatTag = 0; // audio: the WAVEFORMATEX format tag written
};

class CompressorCatalog {
public:
    // The installed video or audio compressors, in enumeration order.
    static const std::vector<CompressorInfo>& list(StreamKind kind);
    // The first installed compressor of that kind with exactly this friendly name.
    static const CompressorInfo* find(StreamKind kind, const std::string& friendlyName);
};

} // namespace zentar

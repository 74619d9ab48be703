// zentar-decode-floor: decodes every frame of the first video stream of a file to bottom-up
// RGB24 through the platform's decoder source, the floor under every conversion, and prints
// the frame count. bench/decode_floor.sh times it against the ffmpeg tool on the same file.
#include <cstdio>
#include <vector>

#include "platform/media/DecoderSource.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zentar-decode-floor FILE\n");
        return 2;
    }
    zentar::DecoderSource source;
    if (zentar::FAILED(source.open(argv[1]))) {
        std::fprintf(stderr, "%s\n", source.errorText().c_str());
        return 1;
    }
    for (const auto& stream : source.streams()) {
        if (stream.kind != zentar::StreamKind::Video) {
            continue;
        }
        source.selectStream(stream.index, true);
        std::vector<uint8_t> frame(stream.video.imageBytes());
        zentar::SampleInfo info;
        long frames = 0;
        zentar::HRESULT hr = zentar::S_OK;
        while ((hr = source.read(stream.index, frame.data(), static_cast<uint32_t>(frame.size()),
                                 info)) == zentar::S_OK) {
            ++frames;
        }
        std::printf("%ld frames\n", frames);
        return zentar::FAILED(hr) ? 1 : 0;
    }
    std::fprintf(stderr, "no video stream\n");
    return 1;
}

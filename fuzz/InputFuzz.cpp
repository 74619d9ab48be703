// Fuzz target: the input path. The input is written to a file and read through the
// conversion's reading graph (video as RGB24, then audio as PCM) to the end of its
// stream. A file the graph cannot read must fail with the reading graph's code; anything
// else is a finding. The container is found from the content, as for every input.
#include "engine/CMyException.h"
#include "engine/ReaderGraph.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// More samples than any seed holds; a damaged header claiming more is cut here.
constexpr int kMaxSamples = 600;

void readToEnd(const std::string& path, const zentar::MediaType& type) {
    try {
        zentar::ReaderGraph reader(path, type, true);
        uint32_t length = 0;
        zentar::REFERENCE_TIME start = 0, stop = 0;
        for (int i = 0; i < kMaxSamples; ++i) {
            const uint8_t* sample = reader.NextSample(&length, &start, &stop);
            if (length == 0)
                break;
            if (sample == nullptr || length > reader.GetBufferSize()) {
                std::fprintf(stderr, "InputFuzz: sample of %u bytes past a %u-byte buffer\n",
                             length, reader.GetBufferSize());
                std::abort();
            }
        }
    } catch (const zentar::CMyException& e) {
        if (e.code() != zentar::ReaderGraph::kErrorCode) {
            std::fprintf(stderr, "InputFuzz: unexpected failure code %d\n", e.code());
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = "/tmp/zentar-input-fuzz-" + std::to_string(::getpid()) + ".avi";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    readToEnd(path, zentar::ReaderGraph::VideoTemplate());
    readToEnd(path, zentar::ReaderGraph::AudioTemplate());
    std::remove(path.c_str());
    return 0;
}

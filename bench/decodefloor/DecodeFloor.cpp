// zentar-decode-floor: decodes every frame of the first video stream of a file to bottom-up
// RGB24 and prints the frame count. By default through a filter graph (the platform's file
// source and a renderer that drops each frame), as a conversion's reading graph does; with
// --direct straight from the decoder source. bench/decode_floor.sh times it against the
// ffmpeg tool on the same file.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/media/DecoderSource.h"
#include "platform/media/MediaRegistration.h"
#include "platform/streaming/BaseRenderer.h"
#include "platform/streaming/FilterGraph.h"
#include "platform/streaming/FilterRegistry.h"
#include "platform/streaming/MediaGuids.h"

namespace {

using namespace zentar;

constexpr CLSID kNullRenderer = MakeGuid("{3C7A5D21-8E4B-4F0A-9C16-2B5E7D9A4F99}");

// Takes RGB24 video and drops it, counting frames.
class NullRenderer : public BaseRenderer {
public:
    NullRenderer() : BaseRenderer(kNullRenderer) {}
    HRESULT CheckMediaType(const MediaType* type) override {
        return type->majortype == MEDIATYPE_Video && type->subtype == MEDIASUBTYPE_RGB24 ? S_OK
                                                                                         : S_FALSE;
    }
    HRESULT DoRenderSample(IMediaSample* /*sample*/) override {
        ++frames;
        return S_OK;
    }
    std::atomic<long> frames{0};
};

int decodeDirect(const char* path) {
    DecoderSource source;
    if (FAILED(source.open(path))) {
        std::fprintf(stderr, "%s\n", source.errorText().c_str());
        return 1;
    }
    for (const auto& stream : source.streams()) {
        if (stream.kind != StreamKind::Video) {
            continue;
        }
        source.selectStream(stream.index, true);
        std::vector<uint8_t> frame(stream.video.imageBytes());
        SampleInfo info;
        long frames = 0;
        HRESULT hr = S_OK;
        while ((hr = source.read(stream.index, frame.data(), static_cast<uint32_t>(frame.size()),
                                 info)) == S_OK) {
            ++frames;
        }
        std::printf("%ld frames\n", frames);
        return FAILED(hr) ? 1 : 0;
    }
    std::fprintf(stderr, "no video stream\n");
    return 1;
}

int decodeThroughGraph(const char* path) {
    RegisterMediaFilters();
    ComPtr<IGraphBuilder> graph;
    CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                     graph.GetVoidAddressOf());
    const std::string name(path);
    const std::u16string wide = WideFromUtf8(name);
    ComPtr<IBaseFilter> source;
    if (!graph || FAILED(graph->AddSourceFilter(wide.c_str(), u"Source", source.GetAddressOf()))) {
        std::fprintf(stderr, "cannot open %s\n", path);
        return 1;
    }
    ComPtr<NullRenderer> renderer = MakeComObject<NullRenderer>();
    graph->AddFilter(renderer.Get(), u"Renderer");
    ComPtr<IPin> out;
    source->FindPin(u"Video", out.GetAddressOf());
    if (!out || FAILED(graph->Connect(out.Get(), renderer->InputPin()))) {
        std::fprintf(stderr, "no video stream\n");
        return 1;
    }
    graph.As<IMediaFilter>()->SetSyncSource(nullptr);
    ComPtr<IMediaEvent> events = graph.As<IMediaEvent>();
    graph.As<IMediaControl>()->Run();
    LONG code = 0;
    LONG_PTR p1 = 0;
    LONG_PTR p2 = 0;
    while (SUCCEEDED(events->GetEvent(&code, &p1, &p2, -1))) {
        events->FreeEventParams(code, p1, p2);
        if (code == EC_COMPLETE || code == EC_ERRORABORT) {
            break;
        }
    }
    graph.As<IMediaControl>()->Stop();
    std::printf("%ld frames\n", renderer->frames.load());
    return code == EC_COMPLETE ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const bool direct = argc == 3 && std::strcmp(argv[1], "--direct") == 0;
    if (argc != 2 && !direct) {
        std::fprintf(stderr, "usage: zentar-decode-floor [--direct] FILE\n");
        return 2;
    }
    return direct ? decodeDirect(argv[2]) : decodeThroughGraph(argv[1]);
}

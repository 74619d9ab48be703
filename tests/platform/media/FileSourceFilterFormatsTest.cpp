// The file source as the reading graphs use it: one graph per stream, each opening the
// file itself and rendering one pin into a collecting renderer. Every kind of input the
// program accepts gives its pin the right format (8-bit mono stays 8-bit mono, 5.1 comes
// out as stereo) and plays to EC_COMPLETE. What the writer graph makes is read back by
// ffprobe (tests/engine/AviWriterGraphTest) and by the reading graph in the end-to-end tests.
// Cut and damaged files: tests/engine/ReaderGraphTest, tests/badinput.
#include "platform/media/FileSourceFilter.h"

#include "platform/media/MediaRegistration.h"
#include "platform/streaming/CaptureGraphBuilder.h"
#include "tests/support/media/InputKinds.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/streaming/StreamingTestUtil.h"
#include "tests/support/streaming/TestRenderer.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

using test::ClipSpec;

// One reading graph: the file's source filter and a renderer on its first pin of `major`.
struct StreamReader {
    ComPtr<IGraphBuilder> graph = test::MakeGraph();
    ComPtr<test::TestRenderer> renderer;
    MediaType connected;

    HRESULT open(const std::string& path, const GUID& major, const GUID& subtype) {
        RegisterMediaFilters();
        MediaType accepted;
        accepted.majortype = major;
        accepted.subtype = subtype;
        renderer = test::TestRenderer::Create(accepted);
        graph->AddFilter(renderer.Get(), u"MediaReader");
        const std::u16string name = WideFromUtf8(path);
        ComPtr<IBaseFilter> source;
        HRESULT hr = graph->AddSourceFilter(name.c_str(), name.c_str(), source.GetAddressOf());
        if (FAILED(hr))
            return hr;
        ComPtr<ICaptureGraphBuilder2> builder;
        CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                         IID_ICaptureGraphBuilder2, builder.GetVoidAddressOf());
        builder->SetFiltergraph(graph.Get());
        hr = builder->RenderStream(nullptr, &major, source.Get(), nullptr, renderer.Get());
        if (SUCCEEDED(hr))
            renderer->InputPin()->ConnectionMediaType(&connected);
        return hr;
    }
    // Runs to the end of the stream; true when EC_COMPLETE came.
    bool playToEnd() {
        if (FAILED(test::CallBounded([&] { return graph.As<IMediaControl>()->Run(); })))
            return false;
        const bool complete = test::WaitForEvent(graph.Get(), EC_COMPLETE, nullptr, 60000);
        test::CallBounded([&] { return graph.As<IMediaControl>()->Stop(); });
        return complete;
    }
    int64_t bytes() {
        int64_t total = 0;
        for (const auto& sample : renderer->samples())
            total += sample.length;
        return total;
    }
    ~StreamReader() {
        if (graph)
            test::CallBounded([&] { return graph.As<IMediaControl>()->Stop(); });
    }
};

class FileSourceFilterFormatsTest : public ::testing::TestWithParam<test::InputKind> {};

TEST_P(FileSourceFilterFormatsTest, EachStreamPlaysInItsOwnGraphWithTheRightFormat) {
    const test::InputKind& c = GetParam();
    test::TempFolder folder("source_formats");
    const ClipSpec spec = test::InputKindClip(c, 25, 1.0);
    const std::string path = test::writeClip(folder.file(c.file), spec);

    StreamReader video;
    ASSERT_EQ(video.open(path, MEDIATYPE_Video, MEDIASUBTYPE_RGB24), S_OK);
    const auto* vih = video.connected.FormatAs<VIDEOINFOHEADER>();
    ASSERT_TRUE(vih);
    EXPECT_EQ(vih->bmiHeader.biWidth, c.width);
    EXPECT_EQ(vih->bmiHeader.biHeight, c.height); // positive: bottom-up rows
    EXPECT_EQ(vih->AvgTimePerFrame, 400000);
    StreamReader audio;
    ASSERT_EQ(audio.open(path, MEDIATYPE_Audio, MEDIASUBTYPE_PCM), S_OK);
    const auto* wf = audio.connected.FormatAs<WAVEFORMATEX>();
    ASSERT_TRUE(wf);
    EXPECT_EQ(wf->nChannels, c.channelsOut);
    EXPECT_EQ(wf->wBitsPerSample, c.bitsOut);
    EXPECT_EQ(wf->nSamplesPerSec, static_cast<DWORD>(c.sampleRate));

    ASSERT_TRUE(video.playToEnd());
    EXPECT_EQ(video.renderer->samples().size(), 25u);
    ASSERT_TRUE(audio.playToEnd());
    EXPECT_NEAR(static_cast<double>(audio.bytes()) / wf->nAvgBytesPerSec, 1.0, 0.1);
    EXPECT_TRUE(video.renderer->checker().violations().empty());
    EXPECT_TRUE(audio.renderer->checker().violations().empty());
}

INSTANTIATE_TEST_SUITE_P(Inputs, FileSourceFilterFormatsTest,
                         ::testing::ValuesIn(test::AcceptedInputKinds()), test::InputKindName);

} // namespace
} // namespace zentar

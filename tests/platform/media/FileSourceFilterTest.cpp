// FileSourceFilter in real graphs: AddSourceFilter through the registry, a collecting
// renderer on the streaming thread, durations in the three time formats, seeking while
// running, only connected streams decoded, Stop while the renderer blocks. Rewinding after
// the end is the reading graph's (tests/engine/ReaderGraphTest); unreadable files are
// DecoderSourceTest's and the end-to-end tests'.
#include "platform/media/FileSourceFilter.h"

#include <gtest/gtest.h>

#include "platform/media/MediaRegistration.h"
#include "platform/streaming/MediaGuids.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/streaming/StreamingTestUtil.h"
#include "tests/support/streaming/TestRenderer.h"

namespace zentar {
namespace {

using test::CallBounded;
using test::kWaitMs;

const std::string kTree = std::string(ZENTAR_SHARED_MEDIA_DIR) + "/tree.avi";

MediaType partialType(const GUID& major, const GUID& subtype) {
    MediaType type;
    type.majortype = major;
    type.subtype = subtype;
    return type;
}

// A graph of the file's source filter and a renderer on one of its pins.
struct ReaderGraph {
    ComPtr<IGraphBuilder> graph = test::MakeGraph();
    ComPtr<IBaseFilter> source;
    ComPtr<test::TestRenderer> renderer;

    HRESULT build(const std::string& path, const char16_t* pin, const MediaType& accepted) {
        RegisterMediaFilters();
        const std::u16string name = WideFromUtf8(path);
        HRESULT hr = graph->AddSourceFilter(name.c_str(), name.c_str(), source.GetAddressOf());
        if (FAILED(hr)) {
            return hr;
        }
        renderer = test::TestRenderer::Create(accepted);
        graph->AddFilter(renderer.Get(), u"Renderer");
        hr = graph->Connect(test::PinOf(source.Get(), pin).Get(), renderer->InputPin());
        if (FAILED(hr)) {
            return hr;
        }
        graph.As<IMediaFilter>()->SetSyncSource(nullptr);
        return S_OK;
    }
    ComPtr<IMediaControl> control() { return graph.As<IMediaControl>(); }
    ComPtr<IMediaSeeking> seeking() { return graph.As<IMediaSeeking>(); }
};

TEST(FileSourceFilterTest, StopWhileTheRendererBlocksReturns) {
    ReaderGraph g;
    ASSERT_EQ(g.build(kTree, u"Video", partialType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24)), S_OK);
    g.renderer->blockAt = 3;
    ASSERT_EQ(CallBounded([&] { return g.control()->Run(); }), S_OK);
    ASSERT_EQ(WaitForSingleObject(g.renderer->BlockedHandle(), kWaitMs), WAIT_OBJECT_0);
    ASSERT_EQ(CallBounded([&] { return g.control()->Stop(); }), S_OK);
    // And it plays again from where the position was set.
    g.renderer->blockAt = -1;
    g.renderer->clear();
    LONGLONG zero = 0;
    ASSERT_EQ(g.seeking()->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
    ASSERT_EQ(CallBounded([&] { return g.control()->Run(); }), S_OK);
    ASSERT_TRUE(g.renderer->waitForSamples(5, kWaitMs));
    EXPECT_EQ(g.renderer->samples().front().start, 0);
    ASSERT_EQ(CallBounded([&] { return g.control()->Stop(); }), S_OK);
}

// Both streams of one file in one graph, each on its own streaming thread; a seek while
// running moves both.
TEST(FileSourceFilterTest, BothStreamsInOneGraphSeekTogether) {
    test::TempFolder folder("both");
    const std::string path =
        test::writeClip(folder.file("both.avi"),
                        {"avi", test::VideoSpec{.frames = 50}, test::AudioSpec{.seconds = 2.0}});

    ReaderGraph g;
    ASSERT_EQ(g.build(path, u"Video", partialType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24)), S_OK);
    ComPtr<test::TestRenderer> audio =
        test::TestRenderer::Create(partialType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM));
    g.graph->AddFilter(audio.Get(), u"Audio renderer");
    ASSERT_EQ(g.graph->Connect(test::PinOf(g.source.Get(), u"Audio").Get(), audio->InputPin()),
              S_OK);
    ASSERT_EQ(CallBounded([&] { return g.control()->Run(); }), S_OK);
    ASSERT_TRUE(g.renderer->waitForEndOfStream(kWaitMs));
    ASSERT_TRUE(audio->waitForEndOfStream(kWaitMs));
    EXPECT_EQ(g.renderer->samples().size(), 50u);
    LONG bytes = 0;
    for (const auto& s : audio->samples()) {
        bytes += s.length;
    }
    EXPECT_EQ(bytes, 44100 * 4 * 2);

    g.renderer->clear();
    audio->clear();
    LONGLONG second = 10'000'000;
    ASSERT_EQ(CallBounded([&] {
                  return g.seeking()->SetPositions(&second, AM_SEEKING_AbsolutePositioning, nullptr,
                                                   AM_SEEKING_NoPositioning);
              }),
              S_OK);
    ASSERT_TRUE(g.renderer->waitForEndOfStream(kWaitMs));
    ASSERT_TRUE(audio->waitForEndOfStream(kWaitMs));
    ASSERT_EQ(g.renderer->samples().size(), 25u);
    EXPECT_EQ(g.renderer->samples().front().start, 10'000'000);
    ASSERT_FALSE(audio->samples().empty());
    EXPECT_EQ(audio->samples().front().start, 10'000'000);
    ASSERT_EQ(CallBounded([&] { return g.control()->Stop(); }), S_OK);
    EXPECT_TRUE(g.renderer->checker().violations().empty());
    EXPECT_TRUE(audio->checker().violations().empty());
}

} // namespace
} // namespace zentar

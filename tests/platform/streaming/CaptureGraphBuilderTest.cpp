// FindPin as the writer and reading graphs use it; RenderStream from a pin is the reading
// graph's (tests/engine/ReaderGraphTest).
#include "platform/streaming/CaptureGraphBuilder.h"
#include "tests/support/streaming/StreamingTestUtil.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

using namespace zentar::test;

struct Fixture {
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<ICaptureGraphBuilder2> builder;
    ComPtr<TestSource> source; // pins: "Video", "Audio", "Video 2"

    Fixture() {
        CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                         IID_ICaptureGraphBuilder2, builder.GetVoidAddressOf());
        EXPECT_EQ(builder->SetFiltergraph(graph.Get()), S_OK);
        TestSourcePinConfig video, audio, video2;
        video.type = MakeVideoType(8, 4);
        video.name = u"Video";
        audio.type = MakeAudioType();
        audio.type.lSampleSize = 4096;
        audio.name = u"Audio";
        video2 = video;
        video2.name = u"Video 2";
        source = TestSource::Create({video, audio, video2});
        graph->AddFilter(source.Get(), u"Source");
    }

    std::u16string find(IUnknown* from, PIN_DIRECTION direction, const GUID* type,
                        BOOL unconnectedOnly, int index) {
        ComPtr<IPin> pin;
        if (FAILED(builder->FindPin(from, direction, nullptr, type, unconnectedOnly, index,
                                    pin.GetAddressOf())))
            return u"(none)";
        PIN_INFO info;
        pin->QueryPinInfo(&info);
        return info.achName;
    }
};

TEST(CaptureGraphBuilderTest, FindPinSelectsByDirectionTypeConnectionAndIndex) {
    Fixture f;
    IUnknown* source = static_cast<IBaseFilter*>(f.source.Get());
    EXPECT_EQ(f.find(source, PINDIR_OUTPUT, nullptr, FALSE, 0), u"Video");
    EXPECT_EQ(f.find(source, PINDIR_OUTPUT, nullptr, FALSE, 1), u"Audio");
    EXPECT_EQ(f.find(source, PINDIR_OUTPUT, &MEDIATYPE_Audio, FALSE, 0), u"Audio");
    EXPECT_EQ(f.find(source, PINDIR_OUTPUT, &MEDIATYPE_Video, FALSE, 1), u"Video 2");
    EXPECT_EQ(f.find(source, PINDIR_OUTPUT, &MEDIATYPE_Video, FALSE, 2), u"(none)");
    EXPECT_EQ(f.find(source, PINDIR_INPUT, nullptr, FALSE, 0), u"(none)");

    ComPtr<TestRenderer> renderer = TestRenderer::Create(MajorType(MEDIATYPE_Video));
    f.graph->AddFilter(renderer.Get(), u"Renderer");
    EXPECT_EQ(f.find(renderer.Get(), PINDIR_INPUT, nullptr, TRUE, 0), u"In");
    ASSERT_EQ(f.graph->Connect(f.source->pin(0), renderer->InputPin()), S_OK);
    EXPECT_EQ(f.find(source, PINDIR_OUTPUT, nullptr, TRUE, 0), u"Audio");
    EXPECT_EQ(f.find(source, PINDIR_OUTPUT, &MEDIATYPE_Video, TRUE, 0), u"Video 2");
    EXPECT_EQ(f.find(source, PINDIR_OUTPUT, &MEDIATYPE_Video, FALSE, 0), u"Video");
    EXPECT_EQ(f.find(renderer.Get(), PINDIR_INPUT, nullptr, TRUE, 0), u"(none)");

    // A pin is its own only candidate.
    EXPECT_EQ(f.find(f.source->pin(1), PINDIR_OUTPUT, nullptr, TRUE, 0), u"Audio");
    EXPECT_EQ(f.find(f.source->pin(1), PINDIR_OUTPUT, nullptr, TRUE, 1), u"(none)");
    EXPECT_EQ(f.find(f.source->pin(0), PINDIR_OUTPUT, nullptr, TRUE, 0), u"(none)");
    ComPtr<IPin> pin;
    EXPECT_EQ(f.builder->FindPin(source, PINDIR_OUTPUT, &MEDIATYPE_Video, nullptr, FALSE, 0,
                                 pin.GetAddressOf()),
              E_FAIL)
        << "pins have no category";
}

} // namespace
} // namespace zentar

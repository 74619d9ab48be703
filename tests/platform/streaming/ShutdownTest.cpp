// Stop always returns, whatever the streaming thread is blocked in, and failures on a
// streaming thread reach the graph as EC_ERRORABORT.
#include "tests/platform/streaming/StreamingTestUtil.h"
#include "tests/support/streaming/TestMediaTypes.h"
#include "tests/support/streaming/TestRenderer.h"
#include "tests/support/streaming/TestSource.h"
#include "tests/support/streaming/TestTransforms.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

using namespace zentar::test;

constexpr HRESULT kDiskFull = STG_E_MEDIUMFULL;

struct Graph {
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<IMediaControl> control = graph.As<IMediaControl>();
    ComPtr<IMediaEvent> events = graph.As<IMediaEvent>();
    ComPtr<TestSource> source;
    ComPtr<TestRenderer> renderer;

    explicit Graph(TestSourcePinConfig config, IBaseFilter* transform = nullptr) {
        source = TestSource::Create({std::move(config)});
        MediaType video;
        video.majortype = MEDIATYPE_Video;
        renderer = TestRenderer::Create(video);
        graph->AddFilter(source.Get(), u"Source");
        graph->AddFilter(renderer.Get(), u"Renderer");
        if (transform) {
            graph->AddFilter(transform, u"Transform");
            EXPECT_EQ(graph->Connect(source->pin(0), PinOf(transform, u"In").Get()), S_OK);
            EXPECT_EQ(graph->Connect(PinOf(transform, u"Out").Get(), renderer->InputPin()), S_OK);
        } else {
            EXPECT_EQ(graph->Connect(source->pin(0), renderer->InputPin()), S_OK);
        }
    }
    bool noEventQueued() {
        LONG code;
        LONG_PTR p1, p2;
        return events->GetEvent(&code, &p1, &p2, 0) == E_ABORT;
    }
};

TestSourcePinConfig pinConfig(int count) {
    TestSourcePinConfig config;
    config.type = MakeVideoType(8, 4);
    config.sampleCount = count;
    return config;
}

TEST(ShutdownTest, StopWakesASourceBlockedInGetBuffer) {
    TestSourcePinConfig config = pinConfig(1000);
    config.bufferCount = 2;
    Graph g(config);
    g.renderer->keepSamples = true; // the renderer never gives buffers back
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(g.renderer->waitForSamples(2, kWaitMs));
    // Both buffers are held: the source thread now waits in GetBuffer.
    EXPECT_EQ(CallBounded([&] { return g.control->Stop(); }), S_OK);
    EXPECT_EQ(g.renderer->samples().size(), 2u);
    EXPECT_TRUE(g.noEventQueued()) << "a shutdown is not a failure";
    g.renderer->clear(); // late returns to a decommitted allocator free the buffers
    EXPECT_TRUE(g.renderer->checker().violations().empty());
}

TEST(ShutdownTest, StopWakesARendererBlockedInDoRenderSampleAndRunsAgain) {
    Graph g(pinConfig(10));
    g.renderer->blockAt = 3;
    for (int round = 0; round < 2; ++round) {
        g.renderer->clear();
        g.renderer->BlockedHandle()->Reset();
        ASSERT_EQ(g.control->Run(), S_OK);
        ASSERT_TRUE(g.renderer->BlockedHandle()->Wait(kWaitMs));
        EXPECT_EQ(CallBounded([&] { return g.control->Stop(); }), S_OK);
        EXPECT_EQ(g.renderer->samples().size(), 4u);
        EXPECT_TRUE(g.noEventQueued());
    }
    // Without a block the same graph streams to the end.
    g.renderer->blockAt = -1;
    g.renderer->clear();
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(WaitForEvent(g.graph.Get(), EC_COMPLETE));
    EXPECT_EQ(g.renderer->samples().size(), 10u);
    CallBounded([&] { return g.control->Stop(); });
    EXPECT_TRUE(g.renderer->checker().violations().empty());
}

TEST(ShutdownTest, StopReachesThroughATransformToABlockedRenderer) {
    ComPtr<PairingTransform> pairing = PairingTransform::Create();
    Graph g(pinConfig(50), pairing.Get());
    g.renderer->blockAt = 1;
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(g.renderer->BlockedHandle()->Wait(kWaitMs));
    EXPECT_EQ(CallBounded([&] { return g.control->Stop(); }), S_OK);
    EXPECT_TRUE(g.noEventQueued());
}

TEST(ShutdownTest, StopWakesAFillBufferThatWaits) {
    TestSourcePinConfig config = pinConfig(10);
    config.blockAt = 4;
    Graph g(config);
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(g.source->pin(0)->BlockedHandle()->Wait(kWaitMs));
    EXPECT_EQ(CallBounded([&] { return g.control->Stop(); }), S_OK);
    EXPECT_EQ(g.renderer->samples().size(), 4u);
    EXPECT_EQ(g.renderer->checker().endOfStreamCount(), 0) << "Stop is not an end of stream";
    EXPECT_EQ(WaitForSingleObject(g.source->pin(0)->StreamEndedHandle(), 0), WAIT_OBJECT_0);
}

TEST(ShutdownTest, ReleasingARunningGraphStopsAndJoinsEverything) {
    // No Stop: the last reference shuts the graph down (the sanitizer builds check that
    // no thread outlives it and nothing is freed twice).
    TestSourcePinConfig config = pinConfig(100000);
    auto g = std::make_unique<Graph>(config);
    ASSERT_EQ(g->control->Run(), S_OK);
    ASSERT_TRUE(g->renderer->waitForSamples(3, kWaitMs));
    ComPtr<TestSource> source = g->source;
    CallBounded([&] {
        g.reset();
        return S_OK;
    });
    EXPECT_EQ(source->state(), State_Stopped);
    EXPECT_FALSE(source->pin(0)->IsConnected());
    FILTER_INFO info;
    source->QueryFilterInfo(&info);
    EXPECT_FALSE(info.pGraph);
}

TEST(ShutdownTest, FailuresOnTheStreamingThreadBecomeErrorAbortEvents) {
    struct Case {
        const char* where;
        int sourceFailAt, transformFailAt, rendererFailAt;
    } cases[] = {
        {"FillBuffer", 3, -1, -1}, {"Transform", -1, 3, -1}, {"DoRenderSample", -1, -1, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        TestSourcePinConfig config = pinConfig(10);
        config.failAt = c.sourceFailAt;
        config.failWith = kDiskFull;
        ComPtr<PassThroughTransform> pass = PassThroughTransform::Create();
        pass->failAt = c.transformFailAt;
        pass->failWith = kDiskFull;
        Graph g(config, pass.Get());
        g.renderer->failAt = c.rendererFailAt;
        g.renderer->failWith = kDiskFull;
        ASSERT_EQ(g.control->Run(), S_OK);
        LONG_PTR code = 0;
        ASSERT_TRUE(WaitForEvent(g.graph.Get(), EC_ERRORABORT, &code));
        EXPECT_EQ(code, kDiskFull);
        EXPECT_EQ(WaitForSingleObject(g.source->pin(0)->StreamEndedHandle(), kWaitMs),
                  WAIT_OBJECT_0)
            << "the streaming loop ends after a failure";
        EXPECT_EQ(CallBounded([&] { return g.control->Stop(); }), S_OK);
        EXPECT_LE(g.renderer->samples().size(), 4u);
        EXPECT_TRUE(g.renderer->checker().violations().empty());
    }
}

TEST(ShutdownTest, AFailureWhileDrainingAtEndOfStreamIsReported) {
    // The buffering transform delivers its last sample only when the end arrives; the
    // renderer refuses exactly that one.
    ComPtr<PairingTransform> pairing = PairingTransform::Create();
    Graph g(pinConfig(7), pairing.Get());
    g.renderer->failAt = 6;
    g.renderer->failWith = kDiskFull;
    ASSERT_EQ(g.control->Run(), S_OK);
    LONG_PTR code = 0;
    ASSERT_TRUE(WaitForEvent(g.graph.Get(), EC_ERRORABORT, &code));
    EXPECT_EQ(code, kDiskFull);
    EXPECT_EQ(CallBounded([&] { return g.control->Stop(); }), S_OK);
}

TEST(ShutdownTest, ExceptionsOnTheStreamingThreadAreReportedNotPropagated) {
    struct ThrowingPin : TestSourcePin {
        using TestSourcePin::TestSourcePin;
        HRESULT FillBuffer(IMediaSample*) override { throw std::runtime_error("broken input"); }
    };
    struct ThrowingSource : TestSource {
        ThrowingSource() : TestSource({}) {
            TestSourcePinConfig config = pinConfig(5);
            AddPin(std::make_unique<ThrowingPin>(this, std::move(config)));
        }
    };
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<ThrowingSource> source = MakeComObject<ThrowingSource>();
    MediaType video;
    video.majortype = MEDIATYPE_Video;
    ComPtr<TestRenderer> renderer = TestRenderer::Create(video);
    graph->AddFilter(source.Get(), u"Source");
    graph->AddFilter(renderer.Get(), u"Renderer");
    ASSERT_EQ(graph->Connect(source->pin(0), renderer->InputPin()), S_OK);
    ASSERT_EQ(graph.As<IMediaControl>()->Run(), S_OK);
    LONG_PTR code = 0;
    ASSERT_TRUE(WaitForEvent(graph.Get(), EC_ERRORABORT, &code));
    EXPECT_EQ(code, E_FAIL);
    EXPECT_EQ(CallBounded([&] { return graph.As<IMediaControl>()->Stop(); }), S_OK);
}

TEST(ShutdownTest, DownstreamRefusalEndsTheLoopVisiblyWithoutAnEvent) {
    Graph g(pinConfig(100000));
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(g.renderer->waitForSamples(2, kWaitMs));
    // A flushing renderer answers S_FALSE: the source stops sending, and a hand-over
    // that waits for the thread sees it through the ended handle.
    g.renderer->BeginFlush();
    EXPECT_EQ(WaitForSingleObject(g.source->pin(0)->StreamEndedHandle(), kWaitMs), WAIT_OBJECT_0);
    g.renderer->EndFlush();
    EXPECT_TRUE(g.noEventQueued());
    EXPECT_EQ(CallBounded([&] { return g.control->Stop(); }), S_OK);
}

TEST(ShutdownTest, AStreamingThreadThatCannotStartFailsRunAndLeavesAllStopped) {
    struct RefusingPin : TestSourcePin {
        using TestSourcePin::TestSourcePin;
        HRESULT OnThreadCreate() override { return E_OUTOFMEMORY; }
    };
    struct RefusingSource : TestSource {
        RefusingSource() : TestSource({}) {
            TestSourcePinConfig config = pinConfig(5);
            AddPin(std::make_unique<RefusingPin>(this, std::move(config)));
        }
    };
    ComPtr<IGraphBuilder> graph = MakeGraph();
    ComPtr<RefusingSource> source = MakeComObject<RefusingSource>();
    MediaType video;
    video.majortype = MEDIATYPE_Video;
    ComPtr<TestRenderer> renderer = TestRenderer::Create(video);
    graph->AddFilter(source.Get(), u"Source");
    graph->AddFilter(renderer.Get(), u"Renderer");
    ASSERT_EQ(graph->Connect(source->pin(0), renderer->InputPin()), S_OK);
    ComPtr<IMediaControl> control = graph.As<IMediaControl>();
    EXPECT_EQ(CallBounded([&] { return control->Run(); }), E_OUTOFMEMORY);
    OAFilterState state = -1;
    control->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(renderer->state(), State_Stopped);
    EXPECT_EQ(source->state(), State_Stopped);
    EXPECT_TRUE(renderer->samples().empty());
}

} // namespace
} // namespace zentar

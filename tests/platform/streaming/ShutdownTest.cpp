// Stop always returns, whatever the streaming thread is blocked in, and failures on a
// streaming thread reach the graph as EC_ERRORABORT.
#include "tests/support/streaming/StreamingTestUtil.h"
#include "tests/support/streaming/TestTransforms.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

using namespace zentar::test;

constexpr HRESULT kDiskFull = STG_E_MEDIUMFULL;

TestSourcePinConfig pinConfig(int count) {
    return VideoPinConfig(count);
}

// A source whose one pin is a `Pin` (a TestSourcePin subclass) streaming five frames.
template <class Pin> struct SourceWith : TestSource {
    SourceWith() : TestSource({}) { AddPin(std::make_unique<Pin>(this, pinConfig(5))); }
};

TEST(ShutdownTest, StopWakesASourceBlockedInGetBuffer) {
    TestSourcePinConfig config = pinConfig(1000);
    config.bufferCount = 2;
    Chain g(config);
    g.renderer->keepSamples = true; // the renderer never gives buffers back
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(g.renderer->waitForSamples(2, kWaitMs));
    // Both buffers are held: the source thread now waits in GetBuffer.
    EXPECT_EQ(g.stop(), S_OK);
    EXPECT_EQ(g.renderer->samples().size(), 2u);
    EXPECT_TRUE(g.noEventQueued()) << "a shutdown is not a failure";
    g.renderer->clear(); // late returns to a decommitted allocator free the buffers
    EXPECT_TRUE(g.renderer->checker().violations().empty());
}

TEST(ShutdownTest, StopWakesARendererBlockedInDoRenderSampleAndRunsAgain) {
    Chain g(pinConfig(10));
    g.renderer->blockAt = 3;
    for (int round = 0; round < 2; ++round) {
        g.renderer->clear();
        g.renderer->BlockedHandle()->Reset();
        ASSERT_EQ(g.control->Run(), S_OK);
        ASSERT_TRUE(g.renderer->BlockedHandle()->Wait(kWaitMs));
        EXPECT_EQ(g.stop(), S_OK);
        EXPECT_EQ(g.renderer->samples().size(), 4u);
        EXPECT_TRUE(g.noEventQueued());
    }
    // Without a block the same graph streams to the end.
    g.renderer->blockAt = -1;
    g.renderer->clear();
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(WaitForEvent(g.graph.Get(), EC_COMPLETE));
    EXPECT_EQ(g.renderer->samples().size(), 10u);
    g.stop();
    EXPECT_TRUE(g.renderer->checker().violations().empty());

    // Stop reaches through a transform to a blocked renderer.
    ComPtr<PairingTransform> pairing = PairingTransform::Create();
    Chain paired(pinConfig(50), pairing.Get());
    paired.renderer->blockAt = 1;
    ASSERT_EQ(paired.control->Run(), S_OK);
    ASSERT_TRUE(paired.renderer->BlockedHandle()->Wait(kWaitMs));
    EXPECT_EQ(paired.stop(), S_OK);
    EXPECT_TRUE(paired.noEventQueued());
}

TEST(ShutdownTest, StopWakesAFillBufferThatWaits) {
    TestSourcePinConfig config = pinConfig(10);
    config.blockAt = 4;
    Chain g(config);
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(g.source->pin(0)->BlockedHandle()->Wait(kWaitMs));
    EXPECT_EQ(g.stop(), S_OK);
    EXPECT_EQ(g.renderer->samples().size(), 4u);
    EXPECT_EQ(g.renderer->checker().endOfStreamCount(), 0) << "Stop is not an end of stream";
    EXPECT_EQ(WaitForSingleObject(g.source->pin(0)->StreamEndedHandle(), 0), WAIT_OBJECT_0);
}

TEST(ShutdownTest, ReleasingARunningGraphStopsAndJoinsEverything) {
    // No Stop: the last reference shuts the graph down (the sanitizer builds check that
    // no thread outlives it and nothing is freed twice).
    TestSourcePinConfig config = pinConfig(100000);
    auto g = std::make_unique<Chain>(config);
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
        Chain g(config, pass.Get());
        g.renderer->failAt = c.rendererFailAt;
        g.renderer->failWith = kDiskFull;
        ASSERT_EQ(g.control->Run(), S_OK);
        LONG_PTR code = 0;
        ASSERT_TRUE(WaitForEvent(g.graph.Get(), EC_ERRORABORT, &code));
        EXPECT_EQ(code, kDiskFull);
        EXPECT_EQ(WaitForSingleObject(g.source->pin(0)->StreamEndedHandle(), kWaitMs),
                  WAIT_OBJECT_0)
            << "the streaming loop ends after a failure";
        EXPECT_EQ(g.stop(), S_OK);
        EXPECT_LE(g.renderer->samples().size(), 4u);
        EXPECT_TRUE(g.renderer->checker().violations().empty());
    }
}

TEST(ShutdownTest, AFailureWhileDrainingAtEndOfStreamIsReported) {
    // The buffering transform delivers its last sample only when the end arrives; the
    // renderer refuses exactly that one.
    ComPtr<PairingTransform> pairing = PairingTransform::Create();
    Chain g(pinConfig(7), pairing.Get());
    g.renderer->failAt = 6;
    g.renderer->failWith = kDiskFull;
    ASSERT_EQ(g.control->Run(), S_OK);
    LONG_PTR code = 0;
    ASSERT_TRUE(WaitForEvent(g.graph.Get(), EC_ERRORABORT, &code));
    EXPECT_EQ(code, kDiskFull);
    EXPECT_EQ(g.stop(), S_OK);
}

TEST(ShutdownTest, ExceptionsOnTheStreamingThreadAreReportedNotPropagated) {
    struct ThrowingPin : TestSourcePin {
        using TestSourcePin::TestSourcePin;
        HRESULT FillBuffer(IMediaSample*) override { throw std::runtime_error("broken input"); }
    };
    Chain g(MakeComObject<SourceWith<ThrowingPin>>());
    ASSERT_EQ(g.control->Run(), S_OK);
    LONG_PTR code = 0;
    ASSERT_TRUE(WaitForEvent(g.graph.Get(), EC_ERRORABORT, &code));
    EXPECT_EQ(code, E_FAIL);
    EXPECT_EQ(g.stop(), S_OK);
}

TEST(ShutdownTest, DownstreamRefusalEndsTheLoopVisiblyWithoutAnEvent) {
    Chain g(pinConfig(100000));
    ASSERT_EQ(g.control->Run(), S_OK);
    ASSERT_TRUE(g.renderer->waitForSamples(2, kWaitMs));
    // A flushing renderer answers S_FALSE: the source stops sending, and a hand-over
    // that waits for the thread sees it through the ended handle.
    g.renderer->BeginFlush();
    EXPECT_EQ(WaitForSingleObject(g.source->pin(0)->StreamEndedHandle(), kWaitMs), WAIT_OBJECT_0);
    g.renderer->EndFlush();
    EXPECT_TRUE(g.noEventQueued());
    EXPECT_EQ(g.stop(), S_OK);
}

TEST(ShutdownTest, AStreamingThreadThatCannotStartFailsRunAndLeavesAllStopped) {
    struct RefusingPin : TestSourcePin {
        using TestSourcePin::TestSourcePin;
        HRESULT OnThreadCreate() override { return E_OUTOFMEMORY; }
    };
    Chain g(MakeComObject<SourceWith<RefusingPin>>());
    EXPECT_EQ(CallBounded([&] { return g.control->Run(); }), E_OUTOFMEMORY);
    OAFilterState state = -1;
    g.control->GetState(0, &state);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(g.renderer->state(), State_Stopped);
    EXPECT_EQ(g.source->state(), State_Stopped);
    EXPECT_TRUE(g.renderer->samples().empty());
}

} // namespace
} // namespace zentar

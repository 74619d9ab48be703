// VideoWriterProxy driven through a real graph into a collecting renderer: the offered
// type, buffer negotiation, frame copies and time stamps, the end push, and every way a
// push can end without the pin taking the frame (the hand-over both writer proxies share).
#include "filters/VideoWriterProxy.h"
#include "filters/VideoProxyPin.h"
#include "platform/streaming/MediaGuids.h"
#include "tests/support/streaming/StreamingTestUtil.h"

#include <gtest/gtest.h>

#include <numeric>

namespace zentar {
namespace {

using test::kWaitMs;

struct VideoProxyRig {
    explicit VideoProxyRig(LONG width = 320, LONG height = 240, double rate = 0) {
        filter = VideoWriterProxy::Create();
        filter.As(proxy);
        if (width != 320 || height != 240)
            proxy->SetFrameSize(width, height);
        if (rate > 0)
            proxy->SetFrameRate(rate);
        MediaType video;
        video.majortype = MEDIATYPE_Video;
        renderer = test::TestRenderer::Create(video);
        renderer->keepBytes = true;
    }
    HRESULT build() {
        graph.add(filter.Get(), u"VideoWriterProxy");
        graph.add(renderer.Get(), u"Renderer");
        return graph.connect(filter.Get(), renderer.Get());
    }
    VideoProxyPin* pin() {
        return static_cast<VideoProxyPin*>(
            static_cast<BasePin*>(test::FirstPin(filter.Get(), PINDIR_OUTPUT)));
    }
    std::vector<BYTE> frame(BYTE seed) {
        std::vector<BYTE> bytes(pin()->ConnectedImageBytes());
        std::iota(bytes.begin(), bytes.end(), seed);
        return bytes;
    }
    HRESULT push(const std::vector<BYTE>& bytes) {
        return test::CallBounded([&] { return proxy->PushFrame(bytes.data()); });
    }

    ComPtr<IBaseFilter> filter;
    ComPtr<IVideoWriterProxy> proxy;
    ComPtr<test::TestRenderer> renderer;
    test::TestGraph graph;
};

TEST(VideoWriterProxy, DefaultConfigurationOffersRgb24AndAsksForOneDoubleBuffer) {
    VideoProxyRig rig;
    MediaType offered;
    ASSERT_EQ(rig.pin()->GetMediaType(0, &offered), S_OK);
    EXPECT_EQ(rig.pin()->GetMediaType(1, &offered), VFW_S_NO_MORE_ITEMS);
    EXPECT_EQ(rig.pin()->GetMediaType(-1, &offered), E_INVALIDARG);
    ASSERT_EQ(rig.pin()->GetMediaType(0, &offered), S_OK);
    EXPECT_EQ(offered.subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(offered.formattype, FORMAT_VideoInfo);
    ASSERT_EQ(offered.cbFormat(), 1128u);
    const auto* info = offered.FormatAs<VIDEOINFO>();
    EXPECT_EQ(info->bmiHeader.biWidth, 320);
    EXPECT_EQ(info->bmiHeader.biHeight, 240);
    EXPECT_EQ(info->bmiHeader.biSizeImage, 230400u);
    EXPECT_EQ(info->bmiHeader.biClrUsed, 0u);
    EXPECT_EQ(info->dwBitRate, 307200u);
    EXPECT_EQ(info->AvgTimePerFrame, 666666); // the default 15 fps, as the samples step
    EXPECT_EQ(offered.lSampleSize, 230400u);

    ASSERT_EQ(rig.build(), S_OK);
    ALLOCATOR_PROPERTIES props;
    ASSERT_EQ(rig.pin()->allocator()->GetProperties(&props), S_OK);
    EXPECT_EQ(props.cBuffers, 1);
    EXPECT_EQ(props.cbBuffer, 460800);

    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    const auto a = rig.frame(1);
    const auto b = rig.frame(7);
    EXPECT_EQ(rig.push(a), S_OK);
    EXPECT_EQ(rig.push(b), S_OK);
    EXPECT_EQ(rig.proxy->PushFrame(nullptr), S_OK);
    ASSERT_TRUE(rig.renderer->waitForEndOfStream(kWaitMs));
    const auto samples = rig.renderer->samples();
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[0].start, 0);
    EXPECT_EQ(samples[0].stop, 666666); // 15 frames per second, truncated
    EXPECT_EQ(samples[1].start, 666666);
    EXPECT_EQ(samples[1].stop, 1333332);
    EXPECT_TRUE(samples[0].sync);
    EXPECT_EQ(rig.renderer->payloads()[0], a);
    EXPECT_EQ(rig.renderer->payloads()[1], b);
    EXPECT_TRUE(rig.renderer->checker().violations().empty());
    EXPECT_TRUE(test::WaitForEvent(rig.graph.graph.Get(), EC_COMPLETE));
    // The stream has ended: a further push fails instead of waiting for a copy.
    EXPECT_EQ(rig.push(a), VFW_E_WRONG_STATE);
    rig.graph.control->Stop();
}

TEST(VideoWriterProxy, TimesAddUpTruncatedPeriodsAndRestartAfterStopAndRun) {
    VideoProxyRig rig(16, 2, 30.0);
    ASSERT_EQ(rig.build(), S_OK);
    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    const auto frame = rig.frame(0);
    for (int i = 0; i < 30; ++i)
        ASSERT_EQ(rig.push(frame), S_OK);
    ASSERT_TRUE(rig.renderer->waitForSamples(30, kWaitMs));
    EXPECT_EQ(rig.renderer->samples()[29].stop, 9999990); // 333,333 added 30 times

    EXPECT_EQ(rig.proxy->PushFrame(nullptr), S_OK);
    ASSERT_TRUE(rig.renderer->waitForEndOfStream(kWaitMs));
    ASSERT_EQ(rig.graph.control->Stop(), S_OK);
    rig.renderer->clear();
    // A new run: an end push made while stopped must not leak into it.
    EXPECT_EQ(rig.proxy->PushFrame(nullptr), S_OK);
    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    EXPECT_EQ(rig.push(frame), S_OK);
    ASSERT_TRUE(rig.renderer->waitForSamples(1, kWaitMs));
    EXPECT_EQ(rig.renderer->samples()[0].start, 0);
    EXPECT_EQ(rig.renderer->samples()[0].stop, 333333);
    rig.proxy->PushFrame(nullptr);
    rig.graph.control->Stop();
}

TEST(VideoWriterProxy, DownstreamFailureEndsTheWaitingPushWithItsCode) {
    VideoProxyRig rig(8, 2);
    rig.renderer->failAt = 1;
    rig.renderer->failWith = STG_E_MEDIUMFULL;
    ASSERT_EQ(rig.build(), S_OK);
    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    const auto frame = rig.frame(0);
    EXPECT_EQ(rig.push(frame), S_OK);
    EXPECT_EQ(rig.push(frame), S_OK); // copied; its delivery fails afterwards
    EXPECT_EQ(rig.push(frame), STG_E_MEDIUMFULL);
    rig.proxy->PushFrame(nullptr);
    rig.graph.control->Stop();
}

TEST(VideoWriterProxy, PushesThatCannotBeTakenFailInsteadOfHanging) {
    VideoProxyRig rig(8, 2);
    rig.renderer->refuseFrom = 1; // downstream takes one sample, then answers S_FALSE
    ASSERT_EQ(rig.build(), S_OK);
    const auto frame = rig.frame(0);
    // Never run: nothing would ever take the frame.
    EXPECT_EQ(rig.push(frame), VFW_E_WRONG_STATE);

    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    EXPECT_EQ(rig.push(frame), S_OK);
    EXPECT_EQ(rig.push(frame), S_OK); // copied, then refused downstream
    EXPECT_EQ(rig.push(frame), VFW_E_WRONG_STATE);
    ASSERT_EQ(rig.graph.control->Stop(), S_OK);

    // Stopped again: refused at once, and the withdrawn frame is not sent by the next run.
    EXPECT_EQ(rig.push(frame), VFW_E_WRONG_STATE);
    rig.renderer->clear();
    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    rig.proxy->PushFrame(nullptr);
    ASSERT_TRUE(rig.renderer->waitForEndOfStream(kWaitMs));
    EXPECT_TRUE(rig.renderer->samples().empty());
    rig.graph.control->Stop();
}

TEST(VideoWriterProxy, StopWithoutEndPushDoesNotWaitForAFrame) {
    VideoProxyRig rig(8, 2);
    ASSERT_EQ(rig.build(), S_OK);
    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    EXPECT_EQ(rig.push(rig.frame(0)), S_OK);
    test::CallBounded([&] { return rig.graph.control->Stop(); });
}

} // namespace
} // namespace zentar

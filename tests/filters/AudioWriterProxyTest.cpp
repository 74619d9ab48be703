// AudioWriterProxy driven through a real graph into a collecting renderer: the chunk
// geometry of common formats, the carry of partial sample frames (the received bytes
// must be the pushed byte stream, cut on sample frames), time stamps from the bytes
// sent. The failure paths of a push are the hand-over both proxies share: the video
// proxy's tests.
#include "filters/AudioWriterProxy.h"
#include "filters/AudioProxyPin.h"
#include "platform/streaming/MediaGuids.h"
#include "tests/support/streaming/StreamingTestUtil.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

using test::kWaitMs;

struct AudioProxyRig {
    AudioProxyRig(const WAVEFORMATEX& format, double rate) {
        filter = AudioWriterProxy::Create();
        filter.As(proxy);
        proxy->SetFrameRate(rate);
        proxy->SetFormat(&format);
        MediaType audio;
        audio.majortype = MEDIATYPE_Audio;
        renderer = test::TestRenderer::Create(audio);
        renderer->keepBytes = true;
    }
    HRESULT build() {
        graph.add(filter.Get(), u"AudioWriterProxy");
        graph.add(renderer.Get(), u"Renderer");
        return graph.connect(filter.Get(), renderer.Get());
    }
    AudioProxyPin* pin() {
        return static_cast<AudioProxyPin*>(
            static_cast<BasePin*>(test::FirstPin(filter.Get(), PINDIR_OUTPUT)));
    }
    // The next chunk of one continuous byte stream (byte i of the stream is i * 7).
    std::vector<BYTE> nextChunk() {
        std::vector<BYTE> chunk(static_cast<size_t>(pin()->geometry().chunkBytes));
        for (BYTE& b : chunk)
            b = static_cast<BYTE>(streamBytes++ * 7);
        return chunk;
    }
    HRESULT push(const BYTE* chunk) {
        return test::CallBounded([&] { return proxy->PushAudio(chunk); });
    }
    // Pushes `count` chunks and returns the lengths of the samples they gave.
    std::vector<LONG> pushChunks(int count) {
        const size_t before = renderer->samples().size();
        for (int i = 0; i < count; ++i) {
            auto chunk = nextChunk();
            EXPECT_EQ(push(chunk.data()), S_OK);
        }
        EXPECT_TRUE(renderer->waitForSamples(before + static_cast<size_t>(count), kWaitMs));
        std::vector<LONG> lengths;
        const auto samples = renderer->samples();
        for (size_t i = before; i < samples.size(); ++i)
            lengths.push_back(samples[i].length);
        return lengths;
    }

    ComPtr<IBaseFilter> filter;
    ComPtr<IAudioWriterProxy> proxy;
    ComPtr<test::TestRenderer> renderer;
    test::TestGraph graph;
    size_t streamBytes = 0;
};

TEST(AudioWriterProxy, PartialSampleFramesAreCarriedIntoTheNextSample) {
    // 44,100 Hz, 16-bit stereo at 29.97: 5,885-byte chunks of 4-byte sample frames.
    AudioProxyRig rig(test::PcmFormat(2, 44100, 16), 29.97);
    ASSERT_EQ(rig.build(), S_OK);
    const auto g = rig.pin()->geometry();
    EXPECT_EQ(g.chunkBytes, 5885);
    EXPECT_EQ(g.wholeBytes, 5884);
    EXPECT_EQ(g.tailBytes, 1);
    EXPECT_EQ(g.maxSampleBytes, 5888);
    ALLOCATOR_PROPERTIES props;
    ASSERT_EQ(rig.pin()->allocator()->GetProperties(&props), S_OK);
    EXPECT_EQ(props.cbBuffer, 5888);

    ASSERT_EQ(rig.graph.control->Run(), S_OK);
    EXPECT_EQ(rig.pushChunks(4), (std::vector<LONG>{5884, 5884, 5884, 5888}));
    EXPECT_EQ(rig.pin()->carryLength(), 0);
    const auto samples = rig.renderer->samples();
    EXPECT_EQ(samples[0].start, 0);
    EXPECT_EQ(samples[0].stop, 333560);
    EXPECT_EQ(samples[3].stop - samples[3].start, 333786);
    EXPECT_EQ(samples[1].start, samples[0].stop);

    // Every byte pushed arrives once, in order, with no byte of a frame split off.
    std::vector<BYTE> received;
    for (const auto& payload : rig.renderer->payloads())
        received.insert(received.end(), payload.begin(), payload.end());
    ASSERT_EQ(received.size(), 4u * 5885);
    for (size_t i = 0; i < received.size(); ++i)
        ASSERT_EQ(received[i], static_cast<BYTE>(i * 7)) << "byte " << i;

    // A partial frame left at the end is dropped with the end of the stream.
    EXPECT_EQ(rig.pushChunks(7).size(), 7u);
    EXPECT_EQ(rig.pin()->carryLength(), 3);
    EXPECT_EQ(rig.proxy->PushAudio(nullptr), S_OK);
    ASSERT_TRUE(rig.renderer->waitForEndOfStream(kWaitMs));
    EXPECT_EQ(rig.renderer->samples().size(), 11u);
    EXPECT_TRUE(rig.renderer->checker().violations().empty());
    rig.graph.control->Stop();
}

TEST(AudioWriterProxy, ExactChunkGeometries) {
    struct Case {
        WAVEFORMATEX format;
        double rate;
        LONG chunk;
        REFERENCE_TIME duration;
    };
    const Case cases[] = {{test::PcmFormat(2, 48000, 16), 25.0, 7680, 400000},
                          {test::PcmFormat(1, 22050, 8), 29.97, 735, 333333}};
    for (const Case& c : cases) {
        AudioProxyRig rig(c.format, c.rate);
        ASSERT_EQ(rig.build(), S_OK);
        EXPECT_EQ(rig.pin()->geometry().tailBytes, 0);
        ASSERT_EQ(rig.graph.control->Run(), S_OK);
        EXPECT_EQ(rig.pushChunks(3), (std::vector<LONG>(3, c.chunk)));
        const auto samples = rig.renderer->samples();
        EXPECT_EQ(samples[2].start, 2 * c.duration);
        EXPECT_EQ(samples[2].stop, 3 * c.duration);
        rig.proxy->PushAudio(nullptr);
        rig.graph.control->Stop();
    }
}

TEST(AudioWriterProxy, OfferedFormatIsDerivedFromChannelsRateAndBits) {
    WAVEFORMATEX wrong = test::PcmFormat(2, 44100, 16);
    wrong.nBlockAlign = 3;
    wrong.nAvgBytesPerSec = 0;
    wrong.wFormatTag = 0x55;
    AudioProxyRig rig(wrong, 25.0);
    MediaType offered;
    ASSERT_EQ(rig.pin()->GetMediaType(0, &offered), S_OK);
    const auto* wave = offered.FormatAs<WAVEFORMATEX>();
    ASSERT_EQ(offered.cbFormat(), 18u);
    EXPECT_EQ(wave->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(wave->nBlockAlign, 4);
    EXPECT_EQ(wave->nAvgBytesPerSec, 176400u);
    EXPECT_EQ(offered.lSampleSize, 4u);
    ASSERT_EQ(rig.build(), S_OK);
    EXPECT_EQ(rig.pin()->geometry().chunkBytes, 7056);

    // Types the chunk arithmetic cannot serve are refused.
    MediaType bad = offered;
    bad.FormatAs<WAVEFORMATEX>()->nBlockAlign = 0;
    EXPECT_EQ(rig.pin()->CheckMediaType(&bad), S_FALSE);
    bad.formattype = FORMAT_VideoInfo;
    EXPECT_EQ(rig.pin()->CheckMediaType(&bad), S_FALSE);
    EXPECT_EQ(rig.pin()->CheckMediaType(nullptr), E_INVALIDARG);
}

} // namespace
} // namespace zentar

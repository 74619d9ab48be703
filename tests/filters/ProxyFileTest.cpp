// The two writer proxies at the head of a real writer chain (the platform's AVI Mux and
// File writer): the file they produce is read back by ffprobe, and a file that cannot be
// written ends the engine's push with a failure instead of a hang.
#include "filters/AudioWriterProxy.h"
#include "filters/VideoWriterProxy.h"
#include "platform/media/MediaFilterInterfaces.h"
#include "platform/media/MediaRegistration.h"
#include "platform/streaming/FilterRegistry.h"
#include "platform/streaming/MediaGuids.h"
#include "tests/filters/FilterTestGraph.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zentar {
namespace {

constexpr int kWaitMs = 20000;

// The first input pin of `filter` that is not connected yet (borrowed).
IPin* FreeInputPin(IBaseFilter* filter) {
    ComPtr<IEnumPins> pins;
    filter->EnumPins(pins.GetAddressOf());
    IPin* pin = nullptr;
    while (pins && pins->Next(1, &pin, nullptr) == S_OK) {
        ComPtr<IPin> owned = ComPtr<IPin>::Adopt(pin);
        PIN_DIRECTION direction;
        ComPtr<IPin> peer;
        if (SUCCEEDED(owned->QueryDirection(&direction)) && direction == PINDIR_INPUT &&
            owned->ConnectedTo(peer.GetAddressOf()) == VFW_E_NOT_CONNECTED)
            return owned.Get();
    }
    return nullptr;
}

struct WriterChain {
    WriterChain(const std::string& path, double rate, const WAVEFORMATEX& audio) {
        RegisterMediaFilters();
        video = VideoWriterProxy::Create();
        video.As(videoProxy);
        videoProxy->SetFrameSize(64, 48);
        videoProxy->SetFrameRate(rate);
        this->audio = AudioWriterProxy::Create();
        this->audio.As(audioProxy);
        audioProxy->SetFrameRate(rate);
        audioProxy->SetFormat(&audio);
        CoCreateInstance(CLSID_AviDest, nullptr, 0, IID_IBaseFilter, mux.GetVoidAddressOf());
        CoCreateInstance(CLSID_FileWriter, nullptr, 0, IID_IBaseFilter, writer.GetVoidAddressOf());
        ComPtr<IFileSinkFilter> sink;
        if (writer)
            writer.As(sink);
        if (sink)
            sink->SetFileName(WideFromUtf8(path).c_str(), nullptr);
    }
    HRESULT build() {
        if (!mux || !writer)
            return E_FAIL;
        graph.add(video.Get(), u"VideoWriterProxy");
        graph.add(audio.Get(), u"AudioWriterProxy");
        graph.add(mux.Get(), u"AVI Mux");
        graph.add(writer.Get(), u"File writer");
        for (IBaseFilter* source : {video.Get(), audio.Get()}) {
            HRESULT hr = graph.graph->Connect(test::FirstPin(source, PINDIR_OUTPUT),
                                              FreeInputPin(mux.Get()));
            if (FAILED(hr))
                return hr;
        }
        return graph.connect(mux.Get(), writer.Get());
    }
    HRESULT push(const BYTE* frame, const BYTE* chunk) {
        HRESULT hr = E_UNEXPECTED;
        test::MustReturnWithin(kWaitMs, "PushFrame", [&] { hr = videoProxy->PushFrame(frame); });
        if (FAILED(hr))
            return hr;
        test::MustReturnWithin(kWaitMs, "PushAudio", [&] { hr = audioProxy->PushAudio(chunk); });
        return hr;
    }
    // Ends both streams and, as the engine does, lets the ends reach the file before the
    // stop: a push returns once the pin copied the bytes, not once the mux wrote them.
    void end(bool drain = true) {
        videoProxy->PushFrame(nullptr);
        audioProxy->PushAudio(nullptr);
        if (drain) {
            EXPECT_TRUE(test::WaitForGraphEvent(graph.events.Get(), EC_COMPLETE, kWaitMs));
        }
        test::MustReturnWithin(kWaitMs, "Stop", [&] { graph.control->Stop(); });
    }

    ComPtr<IBaseFilter> video, audio, mux, writer;
    ComPtr<IVideoWriterProxy> videoProxy;
    ComPtr<IAudioWriterProxy> audioProxy;
    test::TestGraph graph;
};

std::string TempPath(const char* name) {
    return (std::filesystem::path(ZENTAR_BINARY_DIR) / name).string();
}

TEST(WriterProxyFile, FramesAndCarriedChunksBecomeAnAviThatFfprobeReads) {
    const std::string path = TempPath("proxy_chain_2997.avi");
    std::filesystem::remove(path);
    const WAVEFORMATEX format = test::PcmFormat(2, 44100, 16);
    {
        WriterChain chain(path, 29.97, format);
        ASSERT_EQ(chain.build(), S_OK);
        ASSERT_EQ(chain.graph.control->Run(), S_OK);
        std::vector<BYTE> frame(64 * 48 * 3);
        std::vector<BYTE> chunk(5885);
        for (int i = 0; i < 60; ++i) {
            std::fill(frame.begin(), frame.end(), static_cast<BYTE>(i * 4));
            for (size_t b = 0; b < chunk.size(); ++b)
                chunk[b] = static_cast<BYTE>(b + i);
            ASSERT_EQ(chain.push(frame.data(), chunk.data()), S_OK) << "step " << i;
        }
        chain.end();
    }
    const auto video = test::probeStream(path, "v:0", true);
    ASSERT_TRUE(video.has_value());
    EXPECT_EQ(video->width, 64);
    EXPECT_EQ(video->height, 48);
    EXPECT_EQ(video->frames, 60);
    const auto sound = test::probeStream(path, "a:0");
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->sampleRate, 44100);
    EXPECT_EQ(sound->channels, 2);
    // 60 chunks of 5,885 bytes: the carry is back at 0 after every fourth chunk, so all
    // 353,100 bytes arrive, in whole sample frames.
    EXPECT_NEAR(test::probeStreamEnd(path, "a:0"), 353100.0 / 176400, 0.0001);
}

TEST(WriterProxyFile, AnUnwritableFileEndsThePushWithAFailure) {
    WriterChain chain("/dev/full", 25.0, test::PcmFormat(2, 48000, 16));
    ASSERT_EQ(chain.build(), S_OK);
    ASSERT_EQ(chain.graph.control->Run(), S_OK);
    std::vector<BYTE> frame(64 * 48 * 3, 0x40);
    std::vector<BYTE> chunk(7680, 0x01);
    HRESULT hr = S_OK;
    int step = 0;
    for (; step < 2000 && SUCCEEDED(hr); ++step)
        hr = chain.push(frame.data(), chunk.data());
    EXPECT_TRUE(FAILED(hr)) << "no failure after " << step << " steps";
    chain.end(false);
}

} // namespace
} // namespace zentar

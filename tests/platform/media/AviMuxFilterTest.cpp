// The AVI Mux and File writer (with the DV Muxer and ACM Wrapper) in real graphs: a DV
// AVI with its audio; a full device and a missing folder reach the graph as failures;
// Stop while a source is blocked finishes the file with what has arrived.
#include "platform/media/AviMuxFilter.h"
#include "platform/media/CompressorCatalog.h"
#include "platform/media/FileWriterFilter.h"

#include "tests/platform/media/WriterGraphTestUtil.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"
#include "tests/support/streaming/TestMediaTypes.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

using test::audioPin;
using test::TestSource;
using test::TestSourcePinConfig;
using test::videoPin;
using test::WriterGraph;

bool offersDv(IBaseFilter* compressor) {
    ComPtr<IEnumMediaTypes> types;
    test::PinOf(compressor, u"Out")->EnumMediaTypes(types.GetAddressOf());
    MediaType type;
    while (types->Next(1, &type, nullptr) == S_OK)
        if (type.majortype == MEDIATYPE_Video && type.subtype == MEDIASUBTYPE_dvsd)
            return true;
    return false;
}

// Audio at a DV rate passes the ACM Wrapper unchanged; other audio is converted to
// 48,000 Hz stereo, the first DV format the DV Muxer proposes; NTSC DV without audio writes
// a video-only AVI.
struct DvAudioCase {
    const char* name;
    int height;
    int channels; // 0: no audio branch
    int sampleRate;
    const char* audio; // what ffprobe reads back
};

class DvMuxerAudioTest : public ::testing::TestWithParam<DvAudioCase> {};

TEST_P(DvMuxerAudioTest, DvThroughTheDvMuxerKeepsItsAudio) {
    if (!CompressorCatalog::find(StreamKind::Video, "DV Video Encoder"))
        GTEST_SKIP() << "no DV encoder in this FFmpeg";
    const DvAudioCase& c = GetParam();
    test::TempFolder folder("dv_mux");
    const std::string path = folder.file("dv.avi");
    WriterGraph g;
    std::vector<TestSourcePinConfig> pins{videoPin(720, c.height, 10)};
    if (c.channels > 0) {
        pins.push_back(audioPin(10));
        pins.back().type = test::MakeAudioType(c.channels, c.sampleRate);
        pins.back().bufferSize = c.sampleRate / 25 * c.channels * 2;
    }
    ComPtr<TestSource> source = TestSource::Create(pins);
    ComPtr<IBaseFilter> dv =
        test::CreateCompressor(CLSID_VideoCompressorCategory, "DV Video Encoder");
    ComPtr<IBaseFilter> dvMux = test::CreatePlatformFilter(CLSID_DVMux);
    ComPtr<IBaseFilter> acm = test::CreatePlatformFilter(CLSID_ACMWrapper);
    ASSERT_TRUE(dv && dvMux && acm);
    g.add(source.Get(), u"Proxies");
    g.add(dv.Get(), u"DV Video Encoder");
    ASSERT_EQ(g.addMuxAndWriter(path), S_OK);
    // The writer graph's order: video first, the audio branch afterwards.
    ASSERT_EQ(g.connect(source.Get(), dv.Get(), &MEDIATYPE_Video), S_OK);
    ASSERT_TRUE(offersDv(dv.Get()));
    g.add(dvMux.Get(), u"DV Muxer");
    ASSERT_EQ(g.connect(dv.Get(), dvMux.Get()), S_OK);
    ASSERT_EQ(g.connect(dvMux.Get(), g.mux.Get()), S_OK);
    if (c.channels > 0) {
        g.add(acm.Get(), u"ACM Wrapper");
        ASSERT_EQ(g.connect(source.Get(), acm.Get(), &MEDIATYPE_Audio), S_OK);
        ASSERT_EQ(g.connect(acm.Get(), dvMux.Get()), S_OK);
    }
    ASSERT_EQ(g.run(), S_OK);
    EXPECT_EQ(g.waitForEnd(), EC_COMPLETE);
    g.stop();

    EXPECT_EQ(test::streamFacts(path, "v:0"), "dvvideo 720x" + std::to_string(c.height) + " 10");
    EXPECT_EQ(test::streamFacts(path, "a:0"), c.audio);
    if (c.channels > 0) {
        EXPECT_NEAR(test::probeStreamEnd(path, "a:0"), 0.4, 0.05);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Audio, DvMuxerAudioTest,
    ::testing::Values(DvAudioCase{"Stereo44100", 576, 2, 44100, "pcm_s16le 44100 2"},
                      DvAudioCase{"Mono22050", 576, 1, 22050, "pcm_s16le 48000 2"},
                      DvAudioCase{"NtscWithoutAudio", 480, 0, 0, "none"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(AviMuxFilterTest, AFullDeviceEndsTheGraphWithAnError) {
    WriterGraph g;
    // Enough raw frames to overflow the muxer's write buffer while streaming.
    ComPtr<TestSource> source = TestSource::Create({videoPin(320, 240, 30)});
    g.add(source.Get(), u"VideoWriterProxy");
    ASSERT_EQ(g.addMuxAndWriter("/dev/full"), S_OK);
    ASSERT_EQ(g.connect(source.Get(), g.mux.Get()), S_OK);
    ASSERT_EQ(g.run(), S_OK);
    LONG_PTR param = 0;
    EXPECT_EQ(g.waitForEnd(&param), EC_ERRORABORT);
    EXPECT_EQ(static_cast<HRESULT>(param), STG_E_MEDIUMFULL);
    EXPECT_EQ(g.stop(), S_OK);
}

TEST(AviMuxFilterTest, AMissingFolderFailsTheStart) {
    test::TempFolder folder("missing_folder");
    WriterGraph g;
    ComPtr<TestSource> source = TestSource::Create({videoPin(32, 24, 3)});
    g.add(source.Get(), u"VideoWriterProxy");
    ASSERT_EQ(g.addMuxAndWriter(folder.file("gone/out.avi")), S_OK);
    ASSERT_EQ(g.connect(source.Get(), g.mux.Get()), S_OK);
    EXPECT_TRUE(FAILED(g.run()));
}

TEST(AviMuxFilterTest, StopWhileTheSourceIsBlockedFinishesTheFile) {
    test::TempFolder folder("stop_blocked");
    const std::string path = folder.file("partial.avi");
    WriterGraph g;
    TestSourcePinConfig config = videoPin(32, 24, 20);
    config.blockAt = 6;
    ComPtr<TestSource> source = TestSource::Create({config});
    g.add(source.Get(), u"VideoWriterProxy");
    ASSERT_EQ(g.addMuxAndWriter(path), S_OK);
    ASSERT_EQ(g.connect(source.Get(), g.mux.Get()), S_OK);
    ASSERT_EQ(g.run(), S_OK);
    ASSERT_EQ(WaitForSingleObject(source->pin(0)->BlockedHandle(), test::kWaitMs), WAIT_OBJECT_0);
    EXPECT_EQ(g.stop(), S_OK);
    const auto video = test::probeStream(path, "v:0", true);
    ASSERT_TRUE(video);
    EXPECT_EQ(video->frames, 6);
    EXPECT_NEAR(test::probeFormatDuration(path), 0.24, 0.03);
}

} // namespace
} // namespace zentar

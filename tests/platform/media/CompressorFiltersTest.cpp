// The compressor filters in real graphs: every listed video and audio compressor writes
// an AVI through the AVI Mux and the File writer that ffprobe reads with the right codec,
// size, frame count and duration; frame sizes an encoder cannot take fail the connection;
// IAMVideoCompression reports honest capabilities and its key-frame rate decides the
// sync points; the compressor dialogs come from the installed host only.
#include "platform/media/AudioCompressorFilter.h"
#include "platform/media/CompressorCatalog.h"
#include "platform/media/CompressorDialogHost.h"
#include "platform/media/VideoCompressorFilter.h"

#include "tests/platform/media/WriterGraphTestUtil.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"
#include "tests/support/streaming/TestMediaTypes.h"
#include "tests/support/streaming/TestRenderer.h"

#include <gtest/gtest.h>

#include <map>

namespace zentar {
namespace {

using test::audioPin;
using test::TestSource;
using test::TestSourcePinConfig;
using test::videoPin;
using test::WriterGraph;

// What ffprobe calls the stream each encoder writes.
std::string probeName(const std::string& encoder) {
    static const std::map<std::string, std::string> names = {
        {"msmpeg4", "msmpeg4v3"}, {"libx264", "h264"},   {"pcm_s16le", "pcm_s16le"},
        {"libgsm_ms", "gsm_ms"},  {"libmp3lame", "mp3"},
    };
    auto it = names.find(encoder);
    return it != names.end() ? it->second : encoder;
}

TEST(CompressorFiltersTest, EveryListedVideoCompressorWritesAnAviFfprobeReads) {
    test::TempFolder folder("video_compressors");
    for (const CompressorInfo& info : CompressorCatalog::list(StreamKind::Video)) {
        if (info.encoderName == "dvvideo")
            continue; // needs DV frame sizes: DvMuxerTest
        SCOPED_TRACE(info.friendlyName);
        const std::string path = folder.file(info.encoderName + ".avi");
        WriterGraph g;
        ComPtr<TestSource> source = TestSource::Create({videoPin(64, 48, 10)});
        ComPtr<IBaseFilter> compressor =
            test::CreateCompressor(CLSID_VideoCompressorCategory, info.friendlyName);
        ASSERT_TRUE(compressor);
        g.add(source.Get(), u"VideoWriterProxy");
        g.add(compressor.Get(), WideFromUtf8(info.friendlyName).c_str());
        ASSERT_EQ(g.addMuxAndWriter(path), S_OK);
        ASSERT_EQ(g.connect(source.Get(), compressor.Get()), S_OK);
        ASSERT_EQ(g.connect(compressor.Get(), g.mux.Get()), S_OK);
        ASSERT_EQ(g.run(), S_OK);
        EXPECT_EQ(g.waitForEnd(), EC_COMPLETE);
        g.stop();

        const auto probed = test::probeStream(path, "v:0", true);
        ASSERT_TRUE(probed);
        EXPECT_EQ(probed->codecName, probeName(info.encoderName));
        EXPECT_EQ(probed->width, 64);
        EXPECT_EQ(probed->height, 48);
        EXPECT_EQ(probed->frames, 10);
        EXPECT_NEAR(test::probeFormatDuration(path), 0.4, 0.05);
    }
}

TEST(CompressorFiltersTest, EveryListedAudioCompressorWritesBesideRawVideo) {
    test::TempFolder folder("audio_compressors");
    for (const CompressorInfo& info : CompressorCatalog::list(StreamKind::Audio)) {
        SCOPED_TRACE(info.friendlyName);
        const std::string path = folder.file(info.encoderName + ".avi");
        WriterGraph g;
        ComPtr<TestSource> source = TestSource::Create({videoPin(32, 24, 25), audioPin(25)});
        ComPtr<IBaseFilter> compressor =
            test::CreateCompressor(CLSID_AudioCompressorCategory, info.friendlyName);
        ASSERT_TRUE(compressor);
        g.add(source.Get(), u"Proxies");
        g.add(compressor.Get(), WideFromUtf8(info.friendlyName).c_str());
        ASSERT_EQ(g.addMuxAndWriter(path), S_OK);
        ASSERT_EQ(g.connect(source.Get(), g.mux.Get(), &MEDIATYPE_Video), S_OK);
        ASSERT_EQ(g.connect(source.Get(), compressor.Get(), &MEDIATYPE_Audio), S_OK);
        ASSERT_EQ(g.connect(compressor.Get(), g.mux.Get(), &MEDIATYPE_Audio), S_OK);
        ASSERT_EQ(g.run(), S_OK);
        EXPECT_EQ(g.waitForEnd(), EC_COMPLETE);
        g.stop();

        const auto video = test::probeStream(path, "v:0", true);
        ASSERT_TRUE(video);
        EXPECT_EQ(video->codecName, "rawvideo");
        EXPECT_EQ(video->frames, 25);
        const auto audio = test::probeStream(path, "a:0");
        ASSERT_TRUE(audio);
        EXPECT_EQ(audio->codecName, probeName(info.encoderName));
        EXPECT_EQ(audio->sampleRate, info.encoderName == "libgsm_ms" ? 8000 : 44100);
        EXPECT_NEAR(test::probeStreamEnd(path, "a:0"), 1.0, 0.1);
    }
}

TEST(CompressorFiltersTest, FrameSizesAnEncoderCannotTakeFailTheConnection) {
    const std::pair<const char*, std::pair<int, int>> cases[] = {
        {"Microsoft Video 1", {30, 30}},
        {"Cinepak Codec", {66, 48}},
        {"DV Video Encoder", {640, 480}},
        {"Windows Media Video 8", {63, 48}},
    };
    for (const auto& [name, size] : cases) {
        if (!CompressorCatalog::find(StreamKind::Video, name))
            continue;
        SCOPED_TRACE(name);
        WriterGraph g;
        ComPtr<TestSource> source = TestSource::Create({videoPin(size.first, size.second, 2)});
        ComPtr<IBaseFilter> compressor =
            test::CreateCompressor(CLSID_VideoCompressorCategory, name);
        g.add(source.Get(), u"VideoWriterProxy");
        g.add(compressor.Get(), u"Compressor");
        EXPECT_TRUE(FAILED(g.connect(source.Get(), compressor.Get())));
    }
}

TEST(CompressorFiltersTest, VideoCompressionReportsWhatTheEncoderCanDo) {
    ComPtr<IBaseFilter> msvc =
        test::CreateCompressor(CLSID_VideoCompressorCategory, "Microsoft Video 1");
    ComPtr<IBaseFilter> xvid =
        test::CreateCompressor(CLSID_VideoCompressorCategory, "MPEG-4 Part 2 (XVID)");
    ASSERT_TRUE(msvc && xvid);
    ComPtr<IPin> msvcOut = test::PinOf(msvc.Get(), u"Out");
    ComPtr<IAMVideoCompression> msvcControls = msvcOut.As<IAMVideoCompression>();
    ASSERT_TRUE(msvcControls);
    LONG caps = 0;
    double quality = 0;
    LONG keyFrames = 0;
    LONG pFrames = 0;
    WCHAR description[80] = {};
    int descriptionBytes = sizeof(description);
    ASSERT_EQ(msvcControls->GetInfo(nullptr, nullptr, description, &descriptionBytes, &keyFrames,
                                    &pFrames, &quality, &caps),
              S_OK);
    EXPECT_EQ(std::u16string(description), u"Microsoft Video 1");
    EXPECT_EQ(caps, CompressionCaps_CanKeyFrame);
    EXPECT_EQ(msvcControls->put_Quality(0.5), E_NOTIMPL);

    ComPtr<IAMVideoCompression> xvidControls =
        test::PinOf(xvid.Get(), u"Out").As<IAMVideoCompression>();
    ASSERT_EQ(xvidControls->GetInfo(nullptr, nullptr, nullptr, nullptr, &keyFrames, &pFrames,
                                    &quality, &caps),
              S_OK);
    EXPECT_EQ(caps, CompressionCaps_CanQuality | CompressionCaps_CanKeyFrame);
    EXPECT_GT(quality, 0.0);
    EXPECT_EQ(xvidControls->put_Quality(1.5), E_INVALIDARG);
    EXPECT_EQ(xvidControls->put_Quality(0.25), S_OK);
    EXPECT_EQ(xvidControls->get_Quality(&quality), S_OK);
    EXPECT_DOUBLE_EQ(quality, 0.25);

    EXPECT_FALSE(msvc.As<IDVEnc>());
    if (CompressorCatalog::find(StreamKind::Video, "DV Video Encoder")) {
        ComPtr<IBaseFilter> dv =
            test::CreateCompressor(CLSID_VideoCompressorCategory, "DV Video Encoder");
        ComPtr<IDVEnc> dvEnc = dv.As<IDVEnc>();
        ASSERT_TRUE(dvEnc);
        int videoFormat = 0, dvFormat = 0, resolution = 0;
        EXPECT_EQ(dvEnc->get_IFormatResolution(&videoFormat, &dvFormat, &resolution, 0, nullptr),
                  S_OK);
        EXPECT_EQ(dvFormat, DVENCODERFORMAT_DVSD);
    }
}

TEST(CompressorFiltersTest, KeyFrameRateDecidesTheSyncPoints) {
    WriterGraph g;
    ComPtr<TestSource> source = TestSource::Create({videoPin(64, 48, 12)});
    ComPtr<IBaseFilter> xvid =
        test::CreateCompressor(CLSID_VideoCompressorCategory, "MPEG-4 Part 2 (XVID)");
    MediaType anyVideo;
    anyVideo.majortype = MEDIATYPE_Video;
    ComPtr<test::TestRenderer> renderer = test::TestRenderer::Create(anyVideo);
    g.add(source.Get(), u"Source");
    g.add(xvid.Get(), u"XVID");
    g.add(renderer.Get(), u"Renderer");
    ASSERT_EQ(test::PinOf(xvid.Get(), u"Out").As<IAMVideoCompression>()->put_KeyFrameRate(5), S_OK);
    ASSERT_EQ(g.connect(source.Get(), xvid.Get()), S_OK);
    ASSERT_EQ(g.connect(xvid.Get(), renderer.Get()), S_OK);
    ASSERT_EQ(g.run(), S_OK);
    ASSERT_TRUE(renderer->waitForEndOfStream(30000));
    g.stop();
    const auto samples = renderer->samples();
    ASSERT_EQ(samples.size(), 12u);
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(samples[i].sync, i % 5 == 0) << "frame " << i;
        EXPECT_EQ(samples[i].start, static_cast<REFERENCE_TIME>(i) * 400000);
    }
}

class RecordingDialogHost : public CompressorDialogHost {
public:
    bool showConfigDialog(void*, const CompressorInfo& compressor,
                          CompressorDialogSettings& settings) override {
        shown = compressor.friendlyName;
        settings.quality = 0.5;
        settings.keyFrameRate = 7;
        return true;
    }
    void showAboutDialog(void*, const CompressorInfo& compressor) override {
        shown = "about " + compressor.friendlyName;
    }
    std::string shown;
};

TEST(CompressorFiltersTest, CompressorDialogsComeFromTheInstalledHost) {
    ComPtr<IBaseFilter> xvid =
        test::CreateCompressor(CLSID_VideoCompressorCategory, "MPEG-4 Part 2 (XVID)");
    ComPtr<IAMVfwCompressDialogs> dialogs = xvid.As<IAMVfwCompressDialogs>();
    ASSERT_TRUE(dialogs);
    EXPECT_EQ(dialogs->ShowDialog(VfwCompressDialog_QueryConfig, nullptr), S_FALSE);
    EXPECT_EQ(dialogs->ShowDialog(VfwCompressDialog_QueryAbout, nullptr), S_FALSE);

    RecordingDialogHost host;
    InstallCompressorDialogHost(&host);
    EXPECT_EQ(dialogs->ShowDialog(VfwCompressDialog_QueryConfig, nullptr), S_OK);
    EXPECT_EQ(dialogs->ShowDialog(VfwCompressDialog_Config, nullptr), S_OK);
    EXPECT_EQ(host.shown, "MPEG-4 Part 2 (XVID)");
    ComPtr<IAMVideoCompression> controls = xvid.As<IAMVideoCompression>();
    double quality = 0;
    LONG keyFrames = 0;
    controls->get_Quality(&quality);
    controls->get_KeyFrameRate(&keyFrames);
    EXPECT_DOUBLE_EQ(quality, 0.5);
    EXPECT_EQ(keyFrames, 7);
    EXPECT_EQ(dialogs->ShowDialog(VfwCompressDialog_About, nullptr), S_OK);
    EXPECT_EQ(host.shown, "about MPEG-4 Part 2 (XVID)");

    // Huffyuv has nothing to configure.
    ComPtr<IBaseFilter> huffyuv = test::CreateCompressor(CLSID_VideoCompressorCategory, "Huffyuv");
    if (huffyuv) {
        EXPECT_EQ(
            huffyuv.As<IAMVfwCompressDialogs>()->ShowDialog(VfwCompressDialog_QueryConfig, nullptr),
            S_FALSE);
    }
    InstallCompressorDialogHost(nullptr);
}

} // namespace
} // namespace zentar

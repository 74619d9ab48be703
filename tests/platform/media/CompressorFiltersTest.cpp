// The compressor filters' control interfaces: IAMVideoCompression reports honest
// capabilities per encoder. The dialogs through the installed host are
// tests/platform/ui/CompressorDialogsTest's and tests/options/InstalledCompressorsTest's.
// Their files are written and read back by the writer graph tests
// (tests/engine/AviWriterGraphTest).
#include "platform/media/CompressorCatalog.h"
#include "platform/media/VideoCompressorFilter.h"

#include "tests/platform/media/WriterGraphTestUtil.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

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

} // namespace
} // namespace zentar

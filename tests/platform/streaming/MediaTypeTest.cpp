#include "platform/streaming/MediaType.h"
#include "platform/streaming/FormatStructs.h"
#include "platform/streaming/MediaGuids.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

MediaType videoType(int width, int height) {
    MediaType type;
    type.majortype = MEDIATYPE_Video;
    type.subtype = MEDIASUBTYPE_RGB24;
    type.formattype = FORMAT_VideoInfo;
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih->bmiHeader.biWidth = width;
    vih->bmiHeader.biHeight = height;
    vih->bmiHeader.biBitCount = 24;
    vih->bmiHeader.biPlanes = 1;
    return type;
}

TEST(MediaTypeTest, PartialMatchIgnoresNullFieldsAndComparesFormatBytesWhenNamed) {
    MediaType request;
    request.majortype = MEDIATYPE_Video;
    request.subtype = MEDIASUBTYPE_RGB24;
    EXPECT_TRUE(request.IsPartiallySpecified());
    EXPECT_TRUE(request.MatchesPartial(videoType(320, 240)));
    EXPECT_TRUE(request.MatchesPartial(videoType(720, 576)));

    MediaType info2 = videoType(320, 240);
    info2.formattype = FORMAT_VideoInfo2;
    EXPECT_TRUE(request.MatchesPartial(info2)); // format type not asked for
    MediaType rgb32 = videoType(320, 240);
    rgb32.subtype = MEDIASUBTYPE_RGB32;
    EXPECT_FALSE(request.MatchesPartial(rgb32));

    MediaType exact = videoType(320, 240);
    EXPECT_FALSE(exact.IsPartiallySpecified());
    EXPECT_TRUE(exact.MatchesPartial(videoType(320, 240)));
    EXPECT_FALSE(exact.MatchesPartial(videoType(320, 241)));
    MediaType longer = videoType(320, 240);
    longer.format.push_back(0);
    EXPECT_FALSE(exact.MatchesPartial(longer));
}

TEST(BitmapHelpersTest, RowsArePaddedToFourBytesAndSubtypeFollowsBitCount) {
    BITMAPINFOHEADER h;
    h.biWidth = 320;
    h.biHeight = 240;
    h.biBitCount = 24;
    EXPECT_EQ(GetBitmapSize(&h), 230400u);
    h.biWidth = 321;
    EXPECT_EQ(GetBitmapSize(&h), 964u * 240u);
    h.biHeight = -240; // top-down images have the same size
    EXPECT_EQ(GetBitmapSize(&h), 964u * 240u);
    h.biBitCount = 8;
    h.biWidth = 3;
    h.biHeight = 2;
    EXPECT_EQ(GetBitmapSize(&h), 8u);
    h.biWidth = 0x7FFFFFFF;
    h.biHeight = 0x7FFFFFFF;
    EXPECT_EQ(GetBitmapSize(&h), 0u) << "sizes beyond 32 bits are refused, not wrapped";

    const struct {
        WORD bits;
        GUID subtype;
    } cases[] = {{8, MEDIASUBTYPE_RGB8},
                 {16, MEDIASUBTYPE_RGB555},
                 {24, MEDIASUBTYPE_RGB24},
                 {32, MEDIASUBTYPE_RGB32},
                 {12, GUID_NULL}};
    for (const auto& c : cases) {
        h.biBitCount = c.bits;
        EXPECT_EQ(GetBitmapSubtype(&h), c.subtype) << c.bits;
    }
    h.biCompression = MakeFourCC('d', 'v', 's', 'd');
    h.biSizeImage = 144000;
    EXPECT_EQ(GetBitmapSubtype(&h), MEDIASUBTYPE_dvsd);
    EXPECT_EQ(GetBitmapSize(&h), 144000u);

    VIDEOINFO vi; // the field offsets are checked where the structures are declared
    EXPECT_EQ(vi.bmiColors[255].rgbRed, 0) << "the colour table starts zeroed";
}

} // namespace
} // namespace zentar

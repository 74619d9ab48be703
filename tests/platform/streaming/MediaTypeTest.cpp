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

} // namespace
} // namespace zentar

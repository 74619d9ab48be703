#include "engine/PreviewGeometry.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

const PreviewRect kArea{0, 0, 140, 100};

TEST(PreviewGeometryTest, WiderAreaCentresThePictureAcrossTheWidth) {
    // 320 x 240: a = 1.333 < 1.4; trunc(140 - 133.33) / 2 = 3, trunc(273.33) / 2 = 136.
    EXPECT_EQ(LetterboxRect(kArea, 320, 240), (PreviewRect{3, 0, 136, 100}));
    // Only the input's aspect counts, whatever size the output has.
    EXPECT_EQ(LetterboxRect(kArea, 640, 480), (PreviewRect{3, 0, 136, 100}));
}

TEST(PreviewGeometryTest, NarrowerAreaCentresThePictureDownTheHeight) {
    // 720 x 400: a = 1.8 >= 1.4; trunc(100 - 77.78) / 2 = 11, trunc(177.78) / 2 = 88.
    EXPECT_EQ(LetterboxRect(kArea, 720, 400), (PreviewRect{0, 11, 140, 88}));
    // Exactly the area's aspect takes the second branch and fills the area.
    EXPECT_EQ(LetterboxRect(kArea, 1400, 1000), (PreviewRect{0, 0, 140, 100}));
}

TEST(PreviewGeometryTest, DegenerateSizesLeaveTheAreaAsItIs) {
    EXPECT_EQ(LetterboxRect(kArea, 0, 240), kArea);
    EXPECT_EQ(LetterboxRect(kArea, 320, 0), kArea);
    EXPECT_EQ(LetterboxRect(PreviewRect{0, 0, 0, 0}, 320, 240), (PreviewRect{0, 0, 0, 0}));
}

} // namespace
} // namespace zentar

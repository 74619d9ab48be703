#include <gtest/gtest.h>

#include "engine/ClipNaming.h"

namespace zentar {
namespace {

TEST(MakeClipName, SplittingModesNumberTheStemAndKeepTheExtension) {
    EXPECT_EQ(MakeClipName("/v/movie.avi", ".avi", 1, 0), "/v/movie00000.avi");
    EXPECT_EQ(MakeClipName("/v/movie.avi", ".avi", 1, 12), "/v/movie00012.avi");
    EXPECT_EQ(MakeClipName("/v/movie.avi", ".avi", 1, 123456), "/v/movie123456.avi");
    // A foreign extension stays; the writer follows the output type, not the name.
    EXPECT_EQ(MakeClipName("clip.mpg", ".avi", 1, 0), "clip00000.mpg");
    // No extension: the output type's is supplied.
    EXPECT_EQ(MakeClipName("/out/trip", ".wmv", 1, 1), "/out/trip00001.wmv");
    // A dot in a folder name is not an extension.
    EXPECT_EQ(MakeClipName("/my.films/trip", ".wmv", 1, 0), "/my.films/trip00000.wmv");
    EXPECT_EQ(MakeClipName("/a/b.c.avi", ".wmv", 3, 2), "/a/b.c00002.avi");
}

TEST(MakeClipName, ModeZeroNamesTheSingleOutputFile) {
    EXPECT_EQ(MakeClipName("/out/trip.avi", ".wmv", 0, 0), "/out/trip.avi");
    EXPECT_EQ(MakeClipName("/out/trip", ".avi", 0, 0), "/out/trip.avi");
    EXPECT_EQ(MakeClipName("/my.films/trip", ".wmv", 0, 5), "/my.films/trip.wmv");
}

} // namespace
} // namespace zentar

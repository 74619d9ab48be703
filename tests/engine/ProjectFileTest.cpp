#include "engine/ProjectFile.h"
#include "engine/ProjectFileException.h"
#include "tests/support/media/MediaFixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace zentar {
namespace {

using test::FileText;

TEST(ProjectFileTest, CutsReachTheFileAsWrittenAndEachRunReplacesIt) {
    test::TempFolder folder("project_file");
    const std::string path = folder.file("cuts.flp");
    {
        ProjectFile file(path, "/video/holiday é.avi");
        EXPECT_FALSE(std::filesystem::exists(path)); // nothing until the first cut
        file.AppendCut(0);
        // Every line reaches the file as it is written.
        EXPECT_EQ(FileText(path), "text description 30\r\n/video/holiday é.avi\r\n0\r\n");
        file.AppendCut(96);
        file.AppendCut(180);
        file.CloseProjectFile(250);
        const std::string expected =
            "text description 30\r\n/video/holiday é.avi\r\n0\r\n96\r\n180\r\n250\r\n";
        EXPECT_EQ(FileText(path), expected);
        file.CloseProjectFile(300); // closed: nothing more
        EXPECT_EQ(FileText(path), expected);
    }
    ProjectFile second(path, "b.avi");
    second.AppendCut(0);
    second.CloseProjectFile(9000000000LL);
    EXPECT_EQ(FileText(path), "text description 30\r\nb.avi\r\n0\r\n9000000000\r\n");

    ProjectFile unused(folder.file("never.flp"), "c.avi");
    unused.CloseProjectFile(5); // closing without cuts creates nothing
    EXPECT_FALSE(std::filesystem::exists(folder.file("never.flp")));
}

TEST(ProjectFileTest, CreationFailureThrowsOnceAndHoldsNoFile) {
    for (const std::string& bad : {std::string("/no/such/folder/cuts.flp"), std::string()}) {
        ProjectFile file(bad, "in.avi");
        EXPECT_THROW(file.AppendCut(0), ProjectFileException);
        EXPECT_NO_THROW(file.CloseProjectFile(1)); // no final line, no second report
    }
}

TEST(ProjectFileTest, WriteFailureClosesAtOnceWithoutFurtherWritesOrReports) {
    ProjectFile file("/dev/full", "in.avi"); // every write fails with ENOSPC
    try {
        file.AppendCut(0);
        FAIL() << "the write failure was not reported";
    } catch (const ProjectFileException& error) {
        EXPECT_EQ(error.path(), "/dev/full");
        EXPECT_EQ(error.errorNumber(), ENOSPC);
    }
    EXPECT_NO_THROW(file.CloseProjectFile(1));
    EXPECT_NO_THROW(file.AppendCut(2));
}

} // namespace
} // namespace zentar

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "engine/ProjectFile.h"
#include "engine/ProjectFileException.h"

namespace zentar {
namespace {

namespace fs = std::filesystem;

class ProjectFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zentar-project-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        path_ = (dir_ / "cuts.flp").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Contents() const {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
    std::string path_;
};

TEST_F(ProjectFileTest, WritesHeaderInputPathAndCutsWithCrLf) {
    ProjectFile file(path_, "/video/holiday é.avi");
    EXPECT_FALSE(fs::exists(path_)); // nothing until the first cut
    file.AppendCut(0);
    EXPECT_TRUE(file.isOpen());
    // Every line reaches the file as it is written.
    EXPECT_EQ(Contents(), "text description 30\r\n/video/holiday é.avi\r\n0\r\n");
    file.AppendCut(96);
    file.AppendCut(180);
    file.CloseProjectFile(250);
    EXPECT_FALSE(file.isOpen());
    const std::string expected =
        "text description 30\r\n/video/holiday é.avi\r\n0\r\n96\r\n180\r\n250\r\n";
    EXPECT_EQ(Contents(), expected);
    file.CloseProjectFile(300); // closed: nothing more
    EXPECT_EQ(Contents(), expected);
}

TEST_F(ProjectFileTest, EachRunReplacesTheFileAndCloseWithoutCutsCreatesNothing) {
    {
        ProjectFile first(path_, "a.avi");
        for (int cut : {0, 10, 20, 30}) {
            first.AppendCut(cut);
        }
        first.CloseProjectFile(40);
    }
    ProjectFile second(path_, "b.avi");
    second.AppendCut(0);
    second.CloseProjectFile(9000000000LL);
    EXPECT_EQ(Contents(), "text description 30\r\nb.avi\r\n0\r\n9000000000\r\n");

    const std::string other = (dir_ / "never.flp").string();
    ProjectFile unused(other, "c.avi");
    unused.CloseProjectFile(5);
    EXPECT_FALSE(fs::exists(other));
}

TEST_F(ProjectFileTest, CreationFailureThrowsOnceAndHoldsNoFile) {
    for (const std::string& bad : {(dir_ / "missing" / "cuts.flp").string(), std::string()}) {
        ProjectFile file(bad, "in.avi");
        EXPECT_THROW(file.AppendCut(0), ProjectFileException);
        EXPECT_FALSE(file.isOpen());
        EXPECT_NO_THROW(file.CloseProjectFile(1)); // no final line, no second report
    }
}

TEST_F(ProjectFileTest, WriteFailureClosesAtOnceWithoutFurtherWritesOrReports) {
    ProjectFile file("/dev/full", "in.avi"); // every write fails with ENOSPC
    try {
        file.AppendCut(0);
        FAIL() << "the write failure was not reported";
    } catch (const ProjectFileException& error) {
        EXPECT_EQ(error.path(), "/dev/full");
        EXPECT_EQ(error.errorNumber(), ENOSPC);
    }
    EXPECT_FALSE(file.isOpen());
    EXPECT_NO_THROW(file.CloseProjectFile(1));
    EXPECT_NO_THROW(file.AppendCut(2));
    EXPECT_FALSE(file.isOpen());
}

} // namespace
} // namespace zentar

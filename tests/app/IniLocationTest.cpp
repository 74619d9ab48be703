#include "app/IniLocation.h"
#include "tests/support/media/MediaFixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zentar {
namespace {

namespace fs = std::filesystem;

class IniLocationTest : public ::testing::Test {
protected:
    test::TempFolder folder_{"ini-location"};
    fs::path dir_ = folder_.path();
};

TEST_F(IniLocationTest, ReplacesOnlyTheFileNamesExtensionBesideTheProgram) {
    const fs::path dotted = dir_ / "a.b";
    fs::create_directory(dotted);
    const std::string config = (dir_ / "config").string();
    EXPECT_EQ(IniPathForProgram((dotted / "prog.exe").string(), config),
              (dotted / "prog.ini").string());
    // No extension: appended, never cut at the folder's dot.
    EXPECT_EQ(IniPathForProgram((dotted / "zentar-converter").string(), config),
              (dotted / "zentar-converter.ini").string());
    EXPECT_EQ(IniPathForProgram((dir_ / "conv.tar.gz").string(), config),
              (dir_ / "conv.tar.ini").string());
    EXPECT_FALSE(fs::exists(config)); // the fallback folder is made only when needed
}

TEST_F(IniLocationTest, UnwritableProgramFolderFallsBackToTheConfigFolder) {
    const fs::path config = dir_ / "config";
    const std::string expected = (config / "zentar" / "zentar-converter.ini").string();
    // A folder that does not exist cannot be written, by root or anyone.
    EXPECT_EQ(IniPathForProgram((dir_ / "missing" / "zentar-converter").string(), config),
              expected);
    EXPECT_TRUE(fs::is_directory(config / "zentar"));
    EXPECT_EQ(IniPathForProgram("", config.string()), expected);
    EXPECT_EQ(IniPathForProgram("", ""), "");
    EXPECT_TRUE(IsWritableFolder(dir_.string()));
    EXPECT_FALSE(IsWritableFolder((dir_ / "missing").string()));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1); // no probe file left
}

} // namespace
} // namespace zentar

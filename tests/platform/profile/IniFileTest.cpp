#include "platform/profile/IniFile.h"
#include "platform/profile/PrivateProfile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

namespace zentar {
namespace {

namespace fs = std::filesystem;

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zentar-profile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    static void writeFile(const std::string& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    static std::string readFile(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Files in the folder other than `keep`: leftovers of a temporary file would show here.
    size_t fileCount() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), {}));
    }

    fs::path dir_;
};

// A hand-edited file with everything the host tolerates: CR LF, no final line end, a key
// before any section, two sections of the same name in other letter cases, blanks around
// names and '=', comments and blank lines.
const char* const kTrickyFile = "Top=outside\r\n"
                                "[options]\r\n"
                                "  Key = value one \r\n"
                                "; Key=commented out\r\n"
                                "key=second\r\n"
                                "no equals sign\r\n"
                                "\r\n"
                                "[ OPTIONS ]\r\n"
                                "Key=duplicate\r\n"
                                "Other=in second section\r\n"
                                "[Else]\r\n"
                                "Key=\"quoted value\"";

TEST(IniFileTest, ReadsTrickyFileWithTheHostsRules) {
    IniFile ini;
    ini.parse(kTrickyFile);
    EXPECT_EQ(ini.get("Options", "KEY"), "value one");    // first key of the first section wins
    EXPECT_EQ(ini.get(" oPtIoNs ", "key"), "value one");  // names are trimmed and caseless
    EXPECT_EQ(ini.get("Options", "Other"), std::nullopt); // duplicate sections are not merged
    EXPECT_EQ(ini.get("Options", "Top"), std::nullopt);   // keys before any section belong nowhere
    EXPECT_EQ(ini.get("else", "key"), "quoted value");    // one pair of enclosing quotes is dropped
    EXPECT_EQ(ini.get("Missing", "Key"), std::nullopt);
}

TEST(IniFileTest, WritesReplaceInPlaceAppendToSectionAndCreateSectionLeavingTheRestAlone) {
    IniFile ini;
    ini.parse(kTrickyFile);
    EXPECT_TRUE(ini.set("OPTIONS", "key", "new"));
    EXPECT_TRUE(ini.set("Options", "Added", "1"));
    EXPECT_TRUE(ini.set("Else", "Key", ""));
    EXPECT_TRUE(ini.set("Fresh", "A", "b"));
    EXPECT_EQ(ini.text(), "Top=outside\n"
                          "[options]\n"
                          "Key=new\n"
                          "; Key=commented out\n"
                          "key=second\n"
                          "no equals sign\n"
                          "Added=1\n"
                          "\n"
                          "[ OPTIONS ]\n"
                          "Key=duplicate\n"
                          "Other=in second section\n"
                          "[Else]\n"
                          "Key=\n"
                          "[Fresh]\n"
                          "A=b\n");
    EXPECT_EQ(ini.get("Else", "Key"), "");
}

TEST(IniFileTest, RefusesNamesAndValuesThatWouldInjectLines) {
    IniFile ini;
    EXPECT_FALSE(ini.set("Options", "Key", "a\nEvil=1"));
    EXPECT_FALSE(ini.set("Options", "Ke=y", "v"));
    EXPECT_FALSE(ini.set("Opt]ions", "Key", "v"));
    EXPECT_FALSE(ini.set("Options", "", "v"));
    EXPECT_FALSE(ini.set("Options", ";Key", "v"));
    EXPECT_EQ(ini.text(), "");
}

TEST(ProfileIntTest, ReadsTheLeadingNumberLikeTheHost) {
    EXPECT_EQ(ParseProfileInt(std::nullopt, 5), 5u);
    // 4294967296 wraps modulo 2^32.
    for (const auto& [text, value] : {std::pair{"", 5u},
                                      {"  -12abc", static_cast<UINT>(-12)},
                                      {"+7", 7u},
                                      {"abc", 0u},
                                      {"4294967295", 4294967295u},
                                      {"4294967296", 0u},
                                      {"29.97", 29u}})
        EXPECT_EQ(ParseProfileInt(std::string(text), 5), value) << text;
}

TEST_F(ProfileFileTest, AFailedWriteLeavesTheOldFileWhole) {
    const std::string ini = path("full.ini");
    const std::string before = "[Options]\nKeep=me\n";
    writeFile(ini, before);
    // A file-size limit makes the temporary file's write fail as a full disk would.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    rlimit small = oldLimit;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WritePrivateProfileString("Options", "Big", std::string(10000, 'x'), ini);
    ::setrlimit(RLIMIT_FSIZE, &oldLimit);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(readFile(ini), before);
    EXPECT_EQ(fileCount(), 1u);
    // A path that names a folder cannot be read, so it is never overwritten (a read-only
    // file is the settings test's failed save).
    fs::create_directory(path("folder.ini"));
    EXPECT_FALSE(WritePrivateProfileString("Options", "Key", "v", path("folder.ini")));
    EXPECT_TRUE(fs::is_directory(path("folder.ini")));
}

TEST_F(ProfileFileTest, ReplaceKeepsPermissionsAndFollowsSymbolicLinks) {
    const std::string target = path("real.ini");
    writeFile(target, "[Options]\nKey=old\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, path("link.ini"));
    ASSERT_TRUE(WritePrivateProfileString("Options", "Key", "new", path("link.ini")));
    EXPECT_TRUE(fs::is_symlink(path("link.ini")));
    EXPECT_EQ(readFile(target), "[Options]\nKey=new\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

} // namespace
} // namespace zentar

#include "app/FileNames.h"
#include "app/FileBrowser.h"
#include "resources/strings/StringTable.h"
#include "tests/support/qt/QtTestApp.h"

#include <gtest/gtest.h>

#include <QFileDialog>

#include <cstdlib>
#include <filesystem>

namespace zentar {
namespace {

namespace fs = std::filesystem;

TEST(FileNamesTest, OutputTypeSwitchesTheExtension) {
    EXPECT_EQ(OutputExtension(1), ".wmv");
    EXPECT_EQ(OutputExtension(0), ".avi");
    EXPECT_EQ(OutputExtension(-1), ".avi");
    EXPECT_EQ(ReplaceExtension("/v/movie.mpg", OutputExtension(1)), "/v/movie.wmv");
    EXPECT_EQ(ReplaceExtension("/v/movie.wmv", OutputExtension(0)), "/v/movie.avi");
    EXPECT_EQ(ReplaceExtension("/v/movie", ".avi"), "/v/movie.avi");
    // Only the final component's dot counts.
    EXPECT_EQ(ReplaceExtension("/v.1/movie", ".avi"), "/v.1/movie.avi");
    EXPECT_EQ(ReplaceExtension("/v/movie.part.mpg", ".avi"), "/v/movie.part.avi");
}

TEST(FileNamesTest, FileNamePartDropsTheFolderOnly) {
    EXPECT_EQ(FileNamePart("/p/holiday.flp"), "holiday.flp");
    EXPECT_EQ(FileNamePart("Windows Media Video 8 for Local Area Network (384 Kbps)"),
              "Windows Media Video 8 for Local Area Network (384 Kbps)");
    EXPECT_EQ(FileNamePart("/p/"), "");
    EXPECT_EQ(FileNamePart(""), "");
}

class BrowseForFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::EnsureQtApp();
        home_ = fs::path(ZENTAR_BINARY_DIR) / "test-home-browse";
        fs::create_directories(home_ / "Documents");
        oldHome_ = std::getenv("HOME") ? std::getenv("HOME") : "";
        setenv("HOME", home_.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
    }
    void TearDown() override {
        SetBrowseHook(nullptr);
        setenv("HOME", oldHome_.c_str(), 1);
    }

    // Browses with a hook that records what the dialog was set up with.
    bool browse(BrowseMode mode, StringId ext, StringId filter, std::string& path,
                std::optional<QString> answer) {
        SetBrowseHook([&](QFileDialog& dialog) {
            seenFilter = dialog.selectedNameFilter();
            seenFilters = dialog.nameFilters();
            seenFolder = dialog.directory().absolutePath();
            seenSuffix = dialog.defaultSuffix();
            seenSave = dialog.acceptMode() == QFileDialog::AcceptSave;
            seenConfirm = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
            return answer;
        });
        return BrowseForFile(nullptr, mode, QString::fromStdString(LoadString(ext)),
                             QString::fromStdString(LoadString(filter)), path);
    }

    fs::path home_;
    std::string oldHome_;
    QString seenFilter, seenFolder, seenSuffix;
    QStringList seenFilters;
    bool seenSave = false, seenConfirm = false;
};

TEST_F(BrowseForFileTest, OutputFilterFollowsTheDefaultExtension) {
    const QString text = QString::fromStdString(LoadString(IDS_OUTPUT_FILTER));
    EXPECT_EQ(FilterIndexFor(text, "wmv"), 2);
    EXPECT_EQ(FilterIndexFor(text, "avi"), 1);
    EXPECT_EQ(FilterIndexFor(text, "xyz"), 1);
    EXPECT_EQ(FilterListFromText(text),
              QStringList({"AVI video files (*.avi)", "Windows Media video files (*.wmv)",
                           "All files (*)"}));

    std::string path = "/tmp/clip.avi";
    SetBrowseHook([&](QFileDialog& dialog) {
        seenFilter = dialog.selectedNameFilter();
        return std::optional<QString>("/tmp/clip.wmv");
    });
    EXPECT_TRUE(BrowseForFile(nullptr, BrowseMode::Save, "wmv", text, path));
    EXPECT_EQ(seenFilter, "Windows Media video files (*.wmv)");
    EXPECT_EQ(path, "/tmp/clip.wmv");
}

TEST_F(BrowseForFileTest, OpenStartsInTheDocumentsFolderForAnEmptyName) {
    std::string path;
    EXPECT_FALSE(
        browse(BrowseMode::Open, IDS_INPUT_DEFAULT_EXT, IDS_INPUT_FILTER, path, std::nullopt));
    EXPECT_TRUE(path.empty());
    EXPECT_EQ(seenFolder.toStdString(), (home_ / "Documents").string());
    EXPECT_EQ(seenFilter, "Video files (*.avi *.mpg *.mpeg *.dat *.wmv)");
    EXPECT_EQ(seenSuffix, "avi");
    EXPECT_FALSE(seenSave);
}

TEST_F(BrowseForFileTest, SaveStartsInTheFolderOfTheCurrentNameAndConfirmsOverwrite) {
    const fs::path folder = home_ / "projects";
    fs::create_directories(folder);
    std::string path = (folder / "holiday.flp").string();
    EXPECT_FALSE(
        browse(BrowseMode::Save, IDS_PROJECT_DEFAULT_EXT, IDS_PROJECT_FILTER, path, std::nullopt));
    EXPECT_TRUE(path.empty()); // cancelled: callers restore their previous value
    EXPECT_EQ(seenFolder.toStdString(), folder.string());
    EXPECT_EQ(seenSuffix, "flp");
    EXPECT_TRUE(seenSave);
    EXPECT_TRUE(seenConfirm);
    EXPECT_EQ(seenFilters.size(), 2);
}

} // namespace
} // namespace zentar

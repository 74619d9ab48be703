// The main window driving a real conversion: Start builds the run, the idle hook steps it
// with the preview shown, and the run winds down by itself at the end of the input, leaving
// a complete output, an empty status box and the controls idle; a failing Start leaves the
// message in the status box and nothing running.
#include "app/ConverterDialog.h"
#include "tests/support/qt/QtTestApp.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTest>

#include <filesystem>

namespace zentar {
namespace {

namespace fs = std::filesystem;

class ConverterDialogRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::EnsureQtApp();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::path(ZENTAR_BINARY_DIR) / "test-window-run" / info->name();
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        ConverterDialog::SetAboutAtStart(false);
        ConverterDialog::ListSources sources;
        sources.mediaProfiles = [] { return std::vector<std::string>{}; };
        dialog_ = std::make_unique<ConverterDialog>((folder_ / "zentar.ini").string(), sources);
        dialog_->show();
    }
    void TearDown() override { dialog_.reset(); }

    // Start as the user presses it; a failure is reported as the application's dispatch
    // would report it.
    void start() {
        try {
            static_cast<QAbstractButton*>(dialog_->control(1))->click();
        } catch (const std::exception&) {
            dialog_->StopRun();
            dialog_->setErrorShown(true);
            dialog_->SetStatusText("failed", true);
        }
    }

    fs::path folder_;
    std::unique_ptr<ConverterDialog> dialog_;
};

TEST_F(ConverterDialogRunTest, StartConvertsTheInputAndTheRunEndsByItself) {
    const std::string output = (folder_ / "tree.avi").string();
    dialog_->settings().SrcFileName = std::string(ZENTAR_SHARED_MEDIA_DIR) + "/tree.avi";
    dialog_->settings().DstFileName = output;
    dialog_->settings().WantPreview = 1;
    dialog_->exchangeToControls();
    start();
    ASSERT_TRUE(dialog_->running());
    EXPECT_TRUE(dialog_->idleHookActive());
    EXPECT_FALSE(dialog_->control(1)->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog_->running(); }, 120000));
    EXPECT_TRUE(dialog_->statusText().empty());
    EXPECT_TRUE(dialog_->control(1)->isEnabled());
    EXPECT_FALSE(dialog_->idleHookActive());
    ASSERT_TRUE(fs::exists(output));
    EXPECT_GT(fs::file_size(output), 10000u);
}

TEST_F(ConverterDialogRunTest, AStartThatFailsLeavesNothingRunning) {
    dialog_->settings().SrcFileName = (folder_ / "missing.avi").string();
    dialog_->settings().DstFileName = (folder_ / "out.avi").string();
    dialog_->exchangeToControls();
    start();
    EXPECT_FALSE(dialog_->running());
    EXPECT_EQ(dialog_->statusText(), "failed");
    EXPECT_FALSE(fs::exists(folder_ / "out.avi"));
}

} // namespace
} // namespace zentar

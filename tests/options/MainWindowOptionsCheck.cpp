// The option dialogs opened from the main window, with the program's application object
// dispatching the events: an input that cannot be opened ends "&Video..." with the status
// message and no dialog.
// An executable of its own, because ConverterApp must be the process's application object.
#include "app/ConverterApp.h"
#include "app/ConverterDialog.h"
#include "tests/options/OptionDialogTestSupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include <filesystem>
#include <fstream>

namespace zentar {
namespace {

namespace fs = std::filesystem;

// Runs `answer` on the next modal dialog, checking that it is the one titled `title`.
void AnswerDialog(const QString& title, std::function<void(QDialog&)> answer, int limitMs = 5000) {
    test::AnswerNextModal(
        [title, answer = std::move(answer)](QWidget* modal) {
            auto* dialog = qobject_cast<QDialog*>(modal);
            if (dialog != nullptr && dialog->windowTitle() == title)
                return answer(*dialog);
            ADD_FAILURE() << "not " << title.toStdString();
            modal->close();
        },
        limitMs);
}

class MainWindowOptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // One folder per case: CTest may run the cases side by side.
        folder = fs::path(ZENTAR_BINARY_DIR) / "test-main-window-options" /
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder);
        fs::create_directories(folder);
        window = std::make_unique<ConverterDialog>((folder / "window.ini").string());
        ConverterApp::instance()->setMainDialog(window.get());
        window->show();
        auto* keep = static_cast<QCheckBox*>(window->control(1049));
        if (keep->isChecked()) {
            keep->click();
        }
        ASSERT_EQ(window->settings().KeepSettings, 0);
    }
    void TearDown() override {
        ConverterApp::instance()->setMainDialog(nullptr);
        window.reset();
    }
    QComboBox& list(int id) { return *static_cast<QComboBox*>(window->control(id)); }
    QPushButton& button(int id) { return *static_cast<QPushButton*>(window->control(id)); }

    fs::path folder;
    std::unique_ptr<ConverterDialog> window;
};

TEST_F(MainWindowOptionsTest, InputThatCannotBeOpenedShowsTheMessageAndNoDialog) {
    const std::string garbage = (folder / "not-a-video.avi").string();
    std::ofstream(garbage) << "nothing a decoder could read";
    list(1000).setEditText(QString::fromStdString(garbage));
    bool opened = false;
    AnswerDialog(
        "Video Rendering",
        [&opened](QDialog& dialog) {
            opened = true;
            dialog.reject();
        },
        1000);
    QTest::mouseClick(&button(1072), Qt::LeftButton);
    QTest::qWait(1100);
    EXPECT_FALSE(opened);
    EXPECT_EQ(window->statusText(), "Cannot open input file.");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
} // namespace zentar

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery runs this program at build time, outside CTest's environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    zentar::ConverterApp app(argc, argv);
    zentar::ConverterDialog::SetAboutAtStart(false);
    return RUN_ALL_TESTS();
}

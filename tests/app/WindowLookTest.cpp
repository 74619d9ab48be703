// Renders the main window, the About box and the help window to PNG files under the build
// folder (window-look/) so that their look can be reviewed; checks only that they render.
#include "app/AboutBox.h"
#include "app/ConverterDialog.h"
#include "app/HelpViewer.h"
#include "tests/support/qt/QtTestApp.h"

#include <gtest/gtest.h>

#include <QPixmap>
#include <QTest>

#include <filesystem>

namespace zentar {
namespace {

namespace fs = std::filesystem;

TEST(WindowLookTest, RendersTheWindowTheAboutBoxAndHelpToPngFiles) {
    test::EnsureQtApp();
    const fs::path folder = fs::path(ZENTAR_BINARY_DIR) / "window-look";
    fs::create_directories(folder);
    const fs::path ini = folder / "look.ini";
    fs::remove(ini);

    ConverterDialog::ListSources names;
    names.videoCompressors = [] {
        return std::vector<std::string>{"Microsoft Video 1", "Cinepak Codec", "Motion JPEG"};
    };
    names.audioCompressors = [] { return std::vector<std::string>{"PCM", "GSM 6.10"}; };
    auto window = std::make_unique<ConverterDialog>(ini.string(), names);
    window->SetStatusText(" Frames processed\t       125 (61.27 fps)\r\n Time processed\t"
                          "0:00:05.00 (5.00 sec)\r\n Time elapsed\t0:00:02.04 (2.04 sec)\r\n"
                          " Clips processed\t1",
                          false);
    window->show();
    bool aboutSaved = false;
    test::AnswerNextModal([&](QWidget* about) {
        aboutSaved =
            about->grab().save(QString::fromStdString((folder / "about-box.png").string()));
        static_cast<QDialog*>(about)->accept();
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return aboutSaved; }, 5000));

    const QPixmap shot = window->grab();
    EXPECT_GT(shot.width(), 300);
    EXPECT_GT(shot.height(), 400);
    EXPECT_TRUE(shot.save(QString::fromStdString((folder / "main-window.png").string())));

    HelpViewer::ShowTopic(window.get(), 0x20066);
    ASSERT_NE(HelpViewer::Instance(), nullptr);
    EXPECT_TRUE(HelpViewer::Instance()->grab().save(
        QString::fromStdString((folder / "help-main-window.png").string())));
    window.reset();
    EXPECT_EQ(HelpViewer::Instance(), nullptr);
}

} // namespace
} // namespace zentar

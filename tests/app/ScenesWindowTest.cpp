// The scenes seen in the window during and after a real run: the score strip under the
// preview (hidden with Show preview off), the "Scenes (N)" button, the Scenes window's rows
// and thumbnails, and its three exports. Renders of the window with the strip and of the
// Scenes window are left under window-look/ in the build folder for review.
#include "app/ScenesWindow.h"
#include "app/ConverterApp.h"
#include "app/ConverterDialog.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <filesystem>
#include <fstream>

namespace zentar {
namespace {

namespace fs = std::filesystem;

TEST(ScenesWindowTest, ARunShowsItsScoresAndScenesAndExportsThem) {
    test::TempFolder folder("window-scenes");
    const fs::path look = fs::path(ZENTAR_BINARY_DIR) / "window-look";
    fs::create_directories(look);
    test::ClipSpec clip{.video = test::VideoSpec{.width = 160, .height = 120, .frames = 150}};
    clip.video->cutFrames = {50, 100};
    clip.video->sceneColours = {{250, 40, 40}, {40, 40, 80}, {240, 240, 40}};
    const std::string input = test::writeClip(folder.file("in.avi"), clip);
    std::ofstream(folder.file("window.ini"))
        << "[Options]\nSrcFileName=" << input << "\nDstFileName=" << folder.file("out.avi")
        << "\nVideoCodec=FFV1 Lossless\nSceneDetection=1\nWantPreview=1\n";
    ConverterDialog window(folder.file("window.ini"));
    ConverterApp::instance()->setMainDialog(&window);
    window.show();
    auto* scenesButton = window.findChild<QPushButton*>("scenesButton");
    auto* strip = window.findChild<QWidget*>("scoreStrip");
    ASSERT_TRUE(scenesButton && strip);
    EXPECT_FALSE(scenesButton->isEnabled());
    EXPECT_TRUE(strip->isVisible());

    QTest::mouseClick(window.control(1), Qt::LeftButton);
    bool grabbed = false;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            if (!grabbed && window.run().scenes().scoreCount() > 110) {
                grabbed = window.grab().save(
                    QString::fromStdString((look / "main-window-strip.png").string()));
            }
            return !window.running();
        },
        60000));
    EXPECT_TRUE(grabbed);
    EXPECT_EQ(scenesButton->text(), "Scenes (3)");
    ASSERT_TRUE(scenesButton->isEnabled());

    QTest::mouseClick(scenesButton, Qt::LeftButton);
    ScenesWindow* scenes = window.scenesWindow();
    ASSERT_NE(scenes, nullptr);
    ASSERT_TRUE(scenes->isVisible());
    ASSERT_EQ(scenes->sceneCount(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(scenes->table()->item(row, 1)->text().toInt(), row * 50);
        EXPECT_FALSE(scenes->table()->item(row, 0)->icon().isNull()) << row;
        const SceneThumbnail& thumb = window.run().scenes().scenes()[row].thumbnail;
        EXPECT_EQ(thumb.width * 1000 + thumb.height, 160120);
        // The thumbnail shows the scene's colour (red, green, blue order).
        const test::Rgb colour = clip.video->sceneColours[row];
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(thumb.rgb[(60 * 160 + 80) * 3 + c], colour[c], 12) << row;
    }
    EXPECT_EQ(scenes->table()->item(2, 6)->text(), "out00002.avi");
    QTest::qWait(50);
    EXPECT_TRUE(scenes->grab().save(QString::fromStdString((look / "scenes-window.png").string())));

    EXPECT_TRUE(scenes->exportCuts(folder.file("s.csv")));
    EXPECT_TRUE(scenes->exportEdl(folder.file("s.edl")));
    EXPECT_TRUE(scenes->exportContactSheet(folder.file("s.png")));
    EXPECT_EQ(scenes->message().toStdString(), "Written: " + folder.file("s.png"));
    const std::string csv = test::FileText(folder.file("s.csv"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
    EXPECT_NE(test::FileText(folder.file("s.edl")).find("003  AX"), std::string::npos);
    const auto sheet = test::probeStream(folder.file("s.png"), "v:0");
    ASSERT_TRUE(sheet);
    EXPECT_GE(sheet->width, 3 * 160);
    EXPECT_FALSE(scenes->exportCuts(folder.file("missing/s.csv")));
    EXPECT_NE(scenes->message().indexOf("cannot write"), -1);
    EXPECT_FALSE(scenes->exportContactSheet(folder.file("out00001.avi"))); // a clip of the run
    EXPECT_GT(fs::file_size(folder.file("out00001.avi")), 1000u);

    // Show preview off hides the strip; with "open at the end" the list opens by itself
    // after the next run.
    QTest::mouseClick(window.control(1082), Qt::LeftButton);
    EXPECT_FALSE(strip->isVisible());
    scenes->findChild<QCheckBox*>()->click();
    EXPECT_EQ(window.settings().ShowScenes, 1);
    scenes->close();
    QTest::mouseClick(window.control(1), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.running(); }, 60000));
    EXPECT_TRUE(scenes->isVisible());
    EXPECT_FALSE(strip->isVisible());
    ConverterApp::instance()->setMainDialog(nullptr);
}

} // namespace
} // namespace zentar

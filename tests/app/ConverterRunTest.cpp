// Conversions driven through the main window with ConverterApp as the application object,
// as in the program: Start, the idle hook stepping the run to its end, Stop with its
// question, and a failure reaching the status box through the event dispatch. Real files,
// real engine; ffprobe reads what the window wrote.
#include "app/ConverterApp.h"
#include "app/ConverterDialog.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"
#include "tests/support/qt/QtTestApp.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <fstream>

namespace zentar {
namespace {

namespace fs = std::filesystem;

class ConverterRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = std::make_unique<test::TempFolder>(std::string("window-run-") + info->name());
        input_ = folder_->file("in.avi");
    }

    // An input of three scenes whose brightness changes enough for the default thresholds,
    // with sound.
    void writeInput(int frames, std::vector<int> cuts) {
        test::VideoSpec video{.width = 160, .height = 120, .frames = frames};
        video.cutFrames = std::move(cuts);
        video.sceneColours = {{250, 40, 40}, {40, 40, 80}, {240, 240, 40}};
        test::writeClip(input_, {"avi", video, test::AudioSpec{.seconds = frames / 25.0}});
    }
    void TearDown() override {
        if (ConverterApp::instance() != nullptr) {
            ConverterApp::instance()->setMainDialog(nullptr);
        }
        dialog_.reset();
    }

    ConverterDialog& open(const std::string& settings) {
        std::ofstream(folder_->file("window.ini")) << "[Options]\n" << settings;
        dialog_ = std::make_unique<ConverterDialog>(folder_->file("window.ini"));
        ConverterApp::instance()->setMainDialog(dialog_.get());
        dialog_->show();
        return *dialog_;
    }
    void click(int id) { QTest::mouseClick(dialog_->control(id), Qt::LeftButton); }

    // Answers the next "Really cancel?" question with `answer`, checking its form.
    void answerCancelQuestion(QMessageBox::StandardButton answer) {
        asked_ = false;
        test::AnswerNextModal([this, answer](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            asked_ = box != nullptr && box->text() == "Conversion in progress. Really cancel?" &&
                     box->defaultButton() == box->button(QMessageBox::No);
            if (box != nullptr) {
                box->button(answer)->click();
            } else {
                modal->close();
            }
        });
    }

    std::unique_ptr<test::TempFolder> folder_;
    std::string input_;
    std::unique_ptr<ConverterDialog> dialog_;
    bool asked_ = false;
};

TEST_F(ConverterRunTest, ClipsAreWrittenWithTheStatisticsLineAndTheWindowEndsIdle) {
    writeInput(40, {15, 30});
    ConverterDialog& window =
        open("SrcFileName=" + input_ + "\nDstFileName=" + folder_->file("out.avi") +
             "\nVideoCodec=FFV1 Lossless\nAudioCodec=PCM\nSceneDetection=1\nShowStatistics=1\n"
             "WantPreview=1\n");
    click(1);
    ASSERT_TRUE(window.running()) << window.statusText();
    EXPECT_FALSE(window.control(1)->isEnabled());
    EXPECT_TRUE(window.control(2)->isEnabled());
    EXPECT_TRUE(window.idleHookActive());

    bool sawStatistics = false;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            sawStatistics |= window.statusText().find("Frames processed") != std::string::npos;
            return !window.running();
        },
        60000));
    EXPECT_TRUE(sawStatistics);
    EXPECT_EQ(window.statusText(), "");
    EXPECT_TRUE(window.control(1)->isEnabled());
    EXPECT_FALSE(window.control(2)->isEnabled());
    EXPECT_FALSE(window.idleHookActive());

    // Three scenes, three clips; together they hold every input frame.
    int64_t frames = 0;
    for (const char* name : {"out00000.avi", "out00001.avi", "out00002.avi"}) {
        const auto video = test::probeStream(folder_->file(name), "v:0", true);
        ASSERT_TRUE(video) << name;
        EXPECT_EQ(video->codecName, "ffv1");
        EXPECT_EQ(video->width, 160);
        frames += video->frames;
        EXPECT_TRUE(test::probeStream(folder_->file(name), "a:0")) << name;
    }
    EXPECT_EQ(frames, 40);
    EXPECT_FALSE(fs::exists(folder_->file("out00003.avi")));

    // The preview drew the statistics line into the written frames: white and black pixels
    // at the top left, where the scenes have no such colours. The first frame of a run has
    // no statistics yet; every later one carries them.
    const std::vector<uint8_t> pixels = test::ffmpegDecodeBgr24(folder_->file("out00000.avi"));
    const size_t frameBytes = 160 * 120 * 3;
    ASSERT_GE(pixels.size(), 3 * frameBytes);
    for (size_t frame = 0; frame < pixels.size() / frameBytes; ++frame) {
        int white = 0, black = 0;
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 60; ++x) {
                const uint8_t* p =
                    &pixels[frame * frameBytes + (static_cast<size_t>(y) * 160 + x) * 3];
                white += p[0] > 240 && p[1] > 240 && p[2] > 240;
                black += p[0] < 40 && p[1] < 40 && p[2] < 40;
            }
        }
        if (frame == 0) {
            EXPECT_EQ(white, 0);
        } else {
            EXPECT_GT(white, 20) << frame;
            EXPECT_GT(black, 5) << frame;
        }
    }
}

TEST_F(ConverterRunTest, StopAsksFirstAndNoKeepsTheRunGoing) {
    writeInput(250, {});
    ConverterDialog& window =
        open("SrcFileName=" + input_ + "\nDstFileName=" + folder_->file("stopped.avi") +
             "\nVideoCodec=Huffyuv\n");
    click(1);
    ASSERT_TRUE(window.running()) << window.statusText();
    // Let a few steps run: the first one opens the output.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window.statusText().find("Frames processed") != std::string::npos; }, 30000));

    answerCancelQuestion(QMessageBox::No);
    click(2);
    EXPECT_TRUE(asked_);
    EXPECT_TRUE(window.running());
    EXPECT_TRUE(window.idleHookActive());

    answerCancelQuestion(QMessageBox::Yes);
    QTest::keyClick(&window, Qt::Key_Escape); // Esc is Stop too
    EXPECT_TRUE(asked_);
    EXPECT_FALSE(window.running());
    EXPECT_FALSE(window.idleHookActive());
    EXPECT_EQ(window.statusText(), "");
    EXPECT_TRUE(window.control(1)->isEnabled());
    EXPECT_TRUE(window.isVisible());
    // What was written so far is a complete file.
    const auto video = test::probeStream(folder_->file("stopped.avi"), "v:0");
    ASSERT_TRUE(video);
    EXPECT_EQ(video->codecName, "huffyuv");
}

} // namespace
} // namespace zentar

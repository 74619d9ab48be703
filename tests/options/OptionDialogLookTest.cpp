// Each option dialog as the user sees it: a picture under <build>/option-dialogs for review,
// its caption, and "Help" and F1 asking for the dialog's own help topic.
#include "options/AudioCompressionDialog.h"
#include "options/AudioRenderingDialog.h"
#include "options/VideoCompressionDialog.h"
#include "options/VideoRenderingDialog.h"
#include "tests/options/OptionDialogTestSupport.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QShortcut>

namespace zentar {
namespace {

class OptionDialogLookTest : public ::testing::Test {
protected:
    // Shows the dialog modally, saves its picture, then asks for help by button and by F1.
    void check(QDialog& dialog, const QString& caption, uint32_t topic) {
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        EXPECT_EQ(dialog.windowTitle(), caption);
        EXPECT_TRUE(test::SaveLook(dialog, caption));
        dialog.findChild<QPushButton*>("helpButton")->click();
        pressF1(dialog);
        EXPECT_EQ(help.topics, (std::vector<uint32_t>{topic, topic})) << caption.toStdString();
        help.topics.clear();
        dialog.reject();
    }

    // F1 as the dialog's shortcut map delivers it (no synthetic key events: the input device
    // they create outlives the test application's teardown).
    static void pressF1(QDialog& dialog) {
        for (QShortcut* shortcut : dialog.findChildren<QShortcut*>()) {
            if (shortcut->key() == QKeySequence(Qt::Key_F1) && shortcut->isEnabled()) {
                emit shortcut->activated();
            }
        }
    }

    QApplication& app = test::EnsureQtApp();
    test::HelpRecorder help;
};

TEST_F(OptionDialogLookTest, EveryDialogShowsItsCaptionAndOpensItsOwnHelpTopic) {
    test::TestVideoCompressors compressors({{"Microsoft Video 1", true, true, true},
                                            {"Cinepak Codec", true, true, false},
                                            {"Motion JPEG"}});
    VideoFormatRecord video{.dwKeyFrameEvery = 15,
                            .dwQuality = 7500,
                            .dwBytesPerSecond = 300,
                            .dwFlags = kCompressKeyFrames};
    std::string videoName = "Microsoft Video 1";
    VideoCompressionDialog videoCompression(video, videoName, nullptr, compressors);
    check(videoCompression, "Video compression", kHelpVideoCompression);

    AudioFormatRecord audio;
    std::string audioName = "PCM";
    AudioCompressionDialog audioCompression(audio, audioName, nullptr, [] {
        return std::vector<std::string>{"PCM", "GSM 6.10", "IMA ADPCM", "MPEG Layer-3"};
    });
    check(audioCompression, "Audio compression", kHelpAudioCompression);

    VideoRenderingDialog videoRendering({.aspect = 4.0 / 3.0,
                                         .frameRateChoice = 1,
                                         .frameRate = 29.97,
                                         .frameSizeChoice = 1,
                                         .width = 320,
                                         .height = 240,
                                         .keepAspect = true},
                                        nullptr);
    check(videoRendering, "Video Rendering", kHelpVideoRendering);

    AudioRenderingDialog audioRendering(
        {.parametersChoice = 1, .channels = 1, .bits = 1, .frequency = 3}, nullptr);
    check(audioRendering, "Audio Rendering", kHelpAudioRendering);
}

} // namespace
} // namespace zentar

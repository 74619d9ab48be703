// "Help" and F1 in each option dialog ask for that dialog's own help topic.
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

TEST(OptionDialogHelpTest, EveryDialogOpensItsOwnHelpTopic) {
    test::EnsureQtApp();
    test::HelpRecorder help;
    test::TestVideoCompressors compressors({{"Microsoft Video 1", true, true, true}});
    VideoFormatRecord video;
    AudioFormatRecord audio;
    std::string videoName = "Microsoft Video 1", audioName = "PCM";
    VideoCompressionDialog videoCompression(video, videoName, nullptr, compressors);
    AudioCompressionDialog audioCompression(audio, audioName, nullptr,
                                            [] { return std::vector<std::string>{"PCM"}; });
    VideoRenderingDialog videoRendering({}, nullptr);
    AudioRenderingDialog audioRendering({}, nullptr);
    const std::pair<QDialog*, uint32_t> dialogs[] = {{&videoCompression, kHelpVideoCompression},
                                                     {&audioCompression, kHelpAudioCompression},
                                                     {&videoRendering, kHelpVideoRendering},
                                                     {&audioRendering, kHelpAudioRendering}};
    for (const auto& [dialog, topic] : dialogs) {
        dialog->setWindowModality(Qt::ApplicationModal); // help goes to the active dialog
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        dialog->findChild<QPushButton*>("helpButton")->click();
        // F1 as the dialog's shortcut map delivers it (no synthetic key events: the input
        // device they create outlives the test application's teardown).
        for (QShortcut* shortcut : dialog->findChildren<QShortcut*>()) {
            if (shortcut->key() == QKeySequence(Qt::Key_F1) && shortcut->isEnabled())
                emit shortcut->activated();
        }
        EXPECT_EQ(help.topics, (std::vector<uint32_t>{topic, topic})) << topic;
        help.topics.clear();
        dialog->reject();
    }
}

} // namespace
} // namespace zentar

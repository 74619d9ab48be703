// The option dialogs opened from the main window, with the program's application object
// dispatching the events: what each dialog sets is what the conversion then uses (the writer
// graph binding those names is tests/engine/AviWriterGraphTest's), and an input that cannot
// be opened ends "&Video..." with the status message and no dialog.
// An executable of its own, because ConverterApp must be the process's application object.
#include "app/ConverterApp.h"
#include "app/ConverterDialog.h"
#include "tests/options/OptionDialogTestSupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

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

void ChooseAdvanced(QComboBox& list) {
    const int last = list.count() - 1;
    list.setCurrentIndex(last);
    emit list.activated(last);
}

template <class W> W* Child(QDialog& dialog, const char* name) {
    return dialog.findChild<W*>(name);
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

TEST_F(MainWindowOptionsTest, RenderingDialogsSetTheOutputSizeAndSound) {
    list(1000).setEditText(ZENTAR_SHARED_MEDIA_DIR "/tree.avi"); // 320 x 240
    AnswerDialog("Video Rendering", [](QDialog& dialog) {
        Child<QRadioButton>(dialog, "customSizeRadio")->click();
        Child<QLineEdit>(dialog, "widthField")->setText("160");
        auto* keepAspect = Child<QCheckBox>(dialog, "keepAspectCheck");
        if (!keepAspect->isChecked()) {
            keepAspect->click();
        }
        dialog.accept();
    });
    button(1072).click();
    const ConversionSettings& settings = window->settings();
    EXPECT_EQ(settings.KeepFrameSize, 0);
    EXPECT_EQ(settings.OutputFrameSize({320, 240}), (FrameSize{160, 120}));

    AnswerDialog("Audio Rendering", [](QDialog& dialog) {
        Child<QRadioButton>(dialog, "customSoundRadio")->click();
        Child<QRadioButton>(dialog, "monoRadio")->click();
        Child<QRadioButton>(dialog, "bits8Radio")->click();
        Child<QRadioButton>(dialog, "rate22050Radio")->click();
        dialog.accept();
    });
    button(1073).click();
    const AudioFormatRecord input{.wFormatTag = 1,
                                  .nChannels = 2,
                                  .nSamplesPerSec = 44100,
                                  .nAvgBytesPerSec = 176400,
                                  .nBlockAlign = 4,
                                  .wBitsPerSample = 16};
    const AudioFormatRecord out = settings.OutputAudioFormat(input);
    EXPECT_EQ(out.nChannels, 1);
    EXPECT_EQ(out.wBitsPerSample, 8);
    EXPECT_EQ(out.nSamplesPerSec, 22050u);
    EXPECT_EQ(out.nBlockAlign, 1);
    EXPECT_EQ(out.nAvgBytesPerSec, 22050u);
}

TEST_F(MainWindowOptionsTest, CompressionDialogsStoreTheChosenNamesAndOptions) {
    AnswerDialog("Video compression", [](QDialog& dialog) {
        auto* compressors = Child<QComboBox>(dialog, "compressorList");
        const int cinepak = compressors->findText("Cinepak Codec", Qt::MatchExactly);
        ASSERT_GE(cinepak, 0);
        compressors->setCurrentIndex(cinepak);
        emit compressors->activated(cinepak);
        Child<QSlider>(dialog, "qualitySlider")->setValue(50);
        auto* keyFrames = Child<QCheckBox>(dialog, "keyFrameCheck");
        if (!keyFrames->isChecked()) {
            keyFrames->click();
        }
        Child<QLineEdit>(dialog, "keyFrameField")->setText("5");
        dialog.accept();
    });
    ChooseAdvanced(list(1012));
    const ConversionSettings& settings = window->settings();
    EXPECT_EQ(settings.VideoCodec, "Cinepak Codec");
    EXPECT_EQ(list(1012).currentText(), "Cinepak Codec");
    EXPECT_EQ(settings.VideoFormat.dwQuality, 5000u);
    EXPECT_EQ(settings.VideoFormat.dwKeyFrameEvery, 5u);
    EXPECT_EQ(settings.VideoFormat.dwFlags, kCompressKeyFrames);

    AnswerDialog("Audio compression", [](QDialog& dialog) {
        Child<QComboBox>(dialog, "compressorList")->setEditText("IMA ADPCM");
        dialog.accept();
    });
    ChooseAdvanced(list(1014));
    EXPECT_EQ(settings.AudioCodec, "IMA ADPCM");
    EXPECT_EQ(list(1014).currentText(), "IMA ADPCM");
    EXPECT_EQ(settings.AudioFormat.wFormatTag, kWaveFormatPcm);
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

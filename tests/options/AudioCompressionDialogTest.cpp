#include "options/AudioCompressionDialog.h"
#include "tests/options/OptionDialogTestSupport.h"

#include <gtest/gtest.h>

#include <QComboBox>

namespace zentar {
namespace {

// The audio compressor walk of a system with these compressors installed.
std::vector<std::string> Walk() {
    return {"PCM", "MPEG Layer-3", "IMA ADPCM", "GSM 6.10", "CCITT A-Law"};
}

class AudioCompressionDialogTest : public ::testing::Test {
protected:
    QComboBox* open(const std::string& stored, AudioCompressorWalk walk = Walk) {
        name = stored;
        dialog = std::make_unique<AudioCompressionDialog>(format, name, nullptr, walk);
        dialog->show();
        return dialog->findChild<QComboBox*>("compressorList");
    }

    QApplication& app = test::EnsureQtApp();
    AudioFormatRecord format;
    std::string name;
    std::unique_ptr<AudioCompressionDialog> dialog;
};

TEST_F(AudioCompressionDialogTest, OkStoresTheNameAndRewritesTheRecordAsPcm) {
    format = {0x55, 2, 44100, 16000, 1, 16, 12}; // MPEG layer 3 with its extra bytes
    QComboBox* list = open("pcm"); // the stored default, matched by prefix in any case
    EXPECT_EQ(list->currentText(), "PCM");
    dialog->accept();
    EXPECT_EQ(name, "PCM");
    EXPECT_EQ(format, (AudioFormatRecord{1, 2, 44100, 176400, 4, 16, 0})); // 16-bit stereo PCM

    format = {}; // nothing stored yet
    open("PCM");
    dialog->accept();
    EXPECT_EQ(format, AudioFormatRecord{.wFormatTag = 1});

    // Mono 8 bits: block align 1; 12 bits stereo rounds down to 3 bytes.
    format = {.nChannels = 2, .nSamplesPerSec = 8000, .wBitsPerSample = 12};
    EXPECT_EQ(AsPcmFormat(format).nBlockAlign, 3);
    EXPECT_EQ(AsPcmFormat(format).nAvgBytesPerSec, 24000u);
}

TEST_F(AudioCompressionDialogTest, CancelChangesNeitherNameNorRecord) {
    format = {.wFormatTag = 0x31, .nChannels = 1, .nSamplesPerSec = 8000};
    const AudioFormatRecord before = format;
    QComboBox* list = open("GSM");
    EXPECT_EQ(list->currentText(), "GSM 6.10");
    list->setCurrentIndex(list->findText("PCM"));
    dialog->reject();
    EXPECT_EQ(name, "GSM");
    EXPECT_EQ(format, before);
}

} // namespace
} // namespace zentar

// The Video compression dialog over a compressor source of chosen filters (one that cannot be
// created among them). The platform's compressor dialogs themselves are
// tests/platform/ui/CompressorDialogsTest's.
#include "options/VideoCompressionDialog.h"
#include "tests/options/OptionDialogTestSupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

namespace zentar {
namespace {

using test::TestVideoCompressors;

class VideoCompressionDialogTest : public ::testing::Test {
protected:
    // Opens the dialog on `name` and the record, as the window does, without a modal loop.
    void open(const std::string& stored) {
        name = stored;
        dialog = std::make_unique<VideoCompressionDialog>(options, name, nullptr, compressors);
        dialog->show();
        list = dialog->findChild<QComboBox*>("compressorList");
        slider = dialog->findChild<QSlider*>("qualitySlider");
        label = dialog->findChild<QLabel*>("qualityValueLabel");
        configure = dialog->findChild<QPushButton*>("configureButton");
        about = dialog->findChild<QPushButton*>("aboutButton");
    }
    void TearDown() override { dialog.reset(); }

    QApplication& app = test::EnsureQtApp();
    TestVideoCompressors compressors{{"Cinepak Codec", "Huffyuv"}};
    VideoFormatRecord options;
    std::string name;
    std::unique_ptr<VideoCompressionDialog> dialog;
    QComboBox* list = nullptr;
    QSlider* slider = nullptr;
    QLabel* label = nullptr;
    QPushButton* configure = nullptr;
    QPushButton* about = nullptr;
};

TEST_F(VideoCompressionDialogTest, QualityShowsHundredthsRoundedAndStoresSliderTimesHundred) {
    // Above the range the label shows the stored value (no wrap-around to a tiny number)
    // until the slider moves; the slider stops at 100.
    for (const auto& [stored, shown, text, kept] : {std::tuple{7549u, 75, "75", 7500u},
                                                    {7550u, 76, "76", 7600u},
                                                    {0u, 0, "0", 0u},
                                                    {10000u, 100, "100", 10000u},
                                                    {12345u, 100, "123", 10000u},
                                                    {0xFFFFFFFFu, 100, "42949673", 10000u}}) {
        SCOPED_TRACE(stored);
        options.dwQuality = stored;
        open("Huffyuv");
        EXPECT_EQ(slider->value(), shown);
        EXPECT_EQ(label->text(), text);
        dialog->accept();
        EXPECT_EQ(options.dwQuality, kept);
    }
    options.dwQuality = 0xFFFFFFFFu;
    open("Huffyuv");
    slider->setValue(40);
    EXPECT_EQ(label->text(), "40");
    dialog->accept();
    EXPECT_EQ(options.dwQuality, 4000u);
}

TEST_F(VideoCompressionDialogTest, OkRebuildsFlagsAndKeepsTheDataRateOfAClearedCheck) {
    options = {.fccType = 0x73646976,
               .dwKeyFrameEvery = 15,
               .dwQuality = 7500,
               .dwBytesPerSecond = 300,
               .dwFlags = 0xF0 | kCompressKeyFrames | kCompressDataRate,
               .dwInterleaveEvery = 7};
    open("Cinepak Codec");
    auto* keyField = dialog->findChild<QLineEdit*>("keyFrameField");
    EXPECT_EQ(keyField->text(), "15");
    dialog->findChild<QCheckBox*>("dataRateCheck")->click();
    keyField->setText("30");
    dialog->accept();
    EXPECT_EQ(std::tuple(options.dwKeyFrameEvery, options.dwBytesPerSecond, options.dwFlags,
                         options.fccType, options.dwInterleaveEvery),
              std::tuple(30u, 300u, kCompressKeyFrames, 0x73646976u, 7u));
}

TEST_F(VideoCompressionDialogTest, CompressorThatCannotBeCreatedRaisesCodeFiveAndStaysOpen) {
    compressors = TestVideoCompressors({"Huffyuv", ""}); // "" : an unreadable name
    open("Huffyuv");
    list->setCurrentIndex(list->findText("", Qt::MatchExactly)); // the user's choice, then
    try {
        dialog->compressorChanged();
        ADD_FAILURE() << "no exception";
    } catch (const CMyException& error) {
        EXPECT_EQ(error.code(), 5);
    }
    EXPECT_FALSE(configure->isEnabled());
    EXPECT_FALSE(about->isEnabled());
    EXPECT_TRUE(dialog->isVisible());
}

} // namespace
} // namespace zentar

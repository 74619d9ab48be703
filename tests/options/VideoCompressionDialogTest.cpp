// The Video compression dialog over a compressor source whose filters offer chosen dialogs:
// every combination (configuration, about box, property pages, none, a name that cannot be
// created), which the platform's own compressors do not all show. The platform's compressor
// dialogs themselves are tests/platform/ui/CompressorDialogsTest's.
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

std::vector<TestVideoCompressors::Entry> Installed() {
    return {
        {"Microsoft Video 1", true, true, true, false},
        {"Cinepak Codec", true, true, false, false},
        {"Motion JPEG", false, false, false, true},
        {"MPEG-4 Microsoft V2", true, false, false, false},
        {"Huffyuv", false, false, false, false},
    };
}

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
    // The user picks an entry of the list.
    void choose(const QString& text) {
        const int index = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        ASSERT_GE(index, 0) << text.toStdString();
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    void TearDown() override { dialog.reset(); }

    QApplication& app = test::EnsureQtApp();
    TestVideoCompressors compressors{Installed()};
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

// "<Uncompressed>" heads the sorted list; Configure and About follow what the chosen
// compressor offers (the compressor-dialog interface first, else property pages), and each
// button opens its dialog over this one. No filter outlives its step.
TEST_F(VideoCompressionDialogTest, ButtonsFollowTheCompressor) {
    open("<Uncompressed>");
    EXPECT_EQ(list->itemText(0), "<Uncompressed>");
    EXPECT_EQ(list->itemText(5), "MPEG-4 Microsoft V2");
    EXPECT_EQ(compressors.counters.created, 0); // none created for "<Uncompressed>"
    struct Case {
        const char* name;
        bool configure, about;
        int configShown, aboutShown, pagesShown;
    };
    const Case cases[] = {{"Microsoft Video 1", true, true, 1, 1, 0},
                          {"Cinepak Codec", true, false, 2, 1, 0},
                          {"Motion JPEG", true, false, 2, 1, 1}, // property pages only
                          {"Huffyuv", false, false, 2, 1, 1},
                          {"<Uncompressed>", false, false, 2, 1, 1}};
    for (const Case& c : cases) {
        choose(c.name);
        EXPECT_EQ(configure->isEnabled(), c.configure) << c.name;
        EXPECT_EQ(about->isEnabled(), c.about) << c.name;
        configure->click();
        about->click();
        EXPECT_EQ(compressors.counters.configShown, c.configShown) << c.name;
        EXPECT_EQ(compressors.counters.aboutShown, c.aboutShown) << c.name;
        EXPECT_EQ(compressors.counters.pagesShown, c.pagesShown) << c.name;
    }
    EXPECT_EQ(compressors.counters.lastParent, static_cast<void*>(dialog.get()));
    EXPECT_EQ(compressors.counters.alive, 0);
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
    auto* rateField = dialog->findChild<QLineEdit*>("dataRateField");
    EXPECT_EQ(keyField->text(), "15");
    EXPECT_EQ(rateField->text(), "300");
    EXPECT_TRUE(rateField->isEnabled());

    dialog->findChild<QCheckBox*>("dataRateCheck")->click();
    EXPECT_FALSE(rateField->isEnabled());
    keyField->setText("30");
    dialog->accept();
    EXPECT_EQ(options.dwKeyFrameEvery, 30u);
    EXPECT_EQ(options.dwBytesPerSecond, 300u);
    EXPECT_EQ(options.dwFlags, kCompressKeyFrames);
    EXPECT_EQ(options.fccType, 0x73646976u);
    EXPECT_EQ(options.dwInterleaveEvery, 7u);
    EXPECT_EQ(name, "Cinepak Codec");
}

TEST_F(VideoCompressionDialogTest, EmptyNumberFieldAtOkKeepsTheDialogOpen) {
    options.dwFlags = kCompressKeyFrames;
    options.dwKeyFrameEvery = 15;
    open("Huffyuv");
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->findChild<QLineEdit*>("keyFrameField")->clear();
    QString message;
    test::AnswerNextModal([&message](QWidget* box) {
        message = box->findChild<QLabel*>("qt_msgbox_label")->text();
        box->close();
    });
    dialog->accept();
    EXPECT_EQ(message, "Please enter a positive integer.");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(options.dwKeyFrameEvery, 15u);
}

TEST_F(VideoCompressionDialogTest, CompressorThatCannotBeCreatedRaisesCodeFiveAndStaysOpen) {
    compressors = TestVideoCompressors({{"Huffyuv"}, {""}}); // "" : an unreadable name
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

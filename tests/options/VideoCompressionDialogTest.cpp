// The Video compression dialog over a compressor source whose filters offer chosen dialogs:
// every combination (configuration, about box, property pages, none, a name that cannot be
// created), which the platform's own compressors do not all show. InstalledCompressorsTest
// covers the platform's compressors.
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

TEST_F(VideoCompressionDialogTest, ListIsSortedWithUncompressedAndButtonsFollowTheCompressor) {
    open("<Uncompressed>");
    QStringList shown;
    for (int i = 0; i < list->count(); ++i) {
        shown << list->itemText(i);
    }
    EXPECT_EQ(shown, QStringList({"<Uncompressed>", "Cinepak Codec", "Huffyuv", "Microsoft Video 1",
                                  "Motion JPEG", "MPEG-4 Microsoft V2"}));
    // "<Uncompressed>": nothing to configure, and no filter is created for it.
    EXPECT_FALSE(configure->isEnabled());
    EXPECT_FALSE(about->isEnabled());
    EXPECT_EQ(compressors.counters.created, 0);

    choose("Microsoft Video 1");
    EXPECT_TRUE(configure->isEnabled());
    EXPECT_TRUE(about->isEnabled());
    configure->click();
    about->click();
    EXPECT_EQ(compressors.counters.configShown, 1);
    EXPECT_EQ(compressors.counters.aboutShown, 1);
    EXPECT_EQ(compressors.counters.lastParent, static_cast<void*>(dialog.get()));

    choose("Cinepak Codec");
    EXPECT_TRUE(configure->isEnabled());
    EXPECT_FALSE(about->isEnabled());

    choose("Motion JPEG"); // property pages only
    EXPECT_TRUE(configure->isEnabled());
    EXPECT_FALSE(about->isEnabled());
    configure->click();
    EXPECT_EQ(compressors.counters.pagesShown, 1);
    EXPECT_EQ(compressors.counters.configShown, 1);

    choose("Huffyuv");
    EXPECT_FALSE(configure->isEnabled());
    EXPECT_FALSE(about->isEnabled());

    choose("<Uncompressed>");
    EXPECT_FALSE(configure->isEnabled());
    EXPECT_FALSE(about->isEnabled());
    // Every filter lived only for its step.
    EXPECT_EQ(compressors.counters.alive, 0);
}

TEST_F(VideoCompressionDialogTest, CancelKeepsTheNewNameOnlyWhenOpenedWithOne) {
    options = {.dwKeyFrameEvery = 15,
               .dwQuality = 7500,
               .dwBytesPerSecond = 300,
               .dwFlags = kCompressKeyFrames};
    const VideoFormatRecord before = options;
    open("Cinepak Codec");
    choose("Huffyuv");
    slider->setValue(20);
    dialog->findChild<QCheckBox*>("dataRateCheck")->click();
    dialog->reject();
    EXPECT_EQ(name, "Huffyuv");
    EXPECT_EQ(options, before);

    open("");
    choose("Microsoft Video 1");
    dialog->reject();
    EXPECT_EQ(name, "");
    EXPECT_EQ(options, before);
}

TEST_F(VideoCompressionDialogTest, StoredNameIsMatchedByPrefixElseTheFirstEntry) {
    open("microsoft"); // a prefix, in other letter case
    EXPECT_EQ(list->currentText(), "Microsoft Video 1");
    EXPECT_EQ(dialog->selectedName(), "Microsoft Video 1");
    dialog->reject();
    EXPECT_EQ(name, "Microsoft Video 1");

    open("Indeo Video 5"); // not installed: the first entry, read back at opening
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(dialog->selectedName(), "<Uncompressed>");
    dialog->reject();
    EXPECT_EQ(name, "<Uncompressed>");
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

// The compressors' Qt dialogs through the compressor filter's IAMVfwCompressDialogs:
// the configuration dialog sets the filter's quality and key-frame interval when
// accepted and leaves them when cancelled; the About box opens and closes.
#include "platform/ui/CompressorDialogs.h"

#include "platform/media/CompressorCatalog.h"
#include "platform/media/VideoCompressorFilter.h"
#include "tests/support/qt/QtTestApp.h"

#include <QDialog>
#include <QMessageBox>
#include <QSlider>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace zentar {
namespace {

ComPtr<VideoCompressorFilter> xvid() {
    const CompressorInfo* info = CompressorCatalog::find(StreamKind::Video, "MPEG-4 Part 2 (XVID)");
    return info ? MakeComObject<VideoCompressorFilter>(*info) : nullptr;
}

TEST(CompressorDialogsTest, AcceptedConfigurationSetsTheFilterAndCancelKeepsIt) {
    test::EnsureQtApp();
    InstallQtCompressorDialogs();
    ComPtr<VideoCompressorFilter> filter = xvid();
    ASSERT_TRUE(filter);
    IAMVfwCompressDialogs* dialogs = filter.Get();
    ASSERT_EQ(dialogs->ShowDialog(VfwCompressDialog_QueryConfig, nullptr), S_OK);

    test::AnswerNextModal([](QWidget* modal) {
        modal->findChild<QSlider*>("quality")->setValue(40);
        modal->findChild<QSpinBox*>("keyFrames")->setValue(9);
        static_cast<QDialog*>(modal)->accept();
    });
    EXPECT_EQ(dialogs->ShowDialog(VfwCompressDialog_Config, nullptr), S_OK);
    double quality = 0;
    LONG keyFrames = 0;
    filter->get_Quality(&quality);
    filter->get_KeyFrameRate(&keyFrames);
    EXPECT_DOUBLE_EQ(quality, 0.4);
    EXPECT_EQ(keyFrames, 9);

    test::AnswerNextModal([](QWidget* modal) {
        modal->findChild<QSlider*>("quality")->setValue(90);
        static_cast<QDialog*>(modal)->reject();
    });
    EXPECT_EQ(dialogs->ShowDialog(VfwCompressDialog_Config, nullptr), S_FALSE);
    filter->get_Quality(&quality);
    EXPECT_DOUBLE_EQ(quality, 0.4);

    bool aboutShown = false;
    test::AnswerNextModal([&](QWidget* modal) {
        aboutShown = modal->objectName() == "compressorAboutBox";
        static_cast<QDialog*>(modal)->accept();
    });
    EXPECT_EQ(dialogs->ShowDialog(VfwCompressDialog_About, nullptr), S_OK);
    EXPECT_TRUE(aboutShown);
    InstallCompressorDialogHost(nullptr);
}

} // namespace
} // namespace zentar

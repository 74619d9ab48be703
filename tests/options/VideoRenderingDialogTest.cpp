#include "options/VideoRenderingDialog.h"
#include "options/OptionExchanges.h"
#include "tests/options/OptionDialogTestSupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace zentar {
namespace {

class VideoRenderingDialogTest : public ::testing::Test {
protected:
    void open(const VideoRenderingValues& values) {
        dialog = std::make_unique<VideoRenderingDialog>(values, nullptr);
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        width = dialog->findChild<QLineEdit*>("widthField");
        height = dialog->findChild<QLineEdit*>("heightField");
        rate = dialog->findChild<QLineEdit*>("frameRateField");
    }
    // The user types into a field: its text changes while it has the focus.
    void type(QLineEdit* field, const QString& text) {
        field->window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(field->window()));
        field->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(QTest::qWaitFor([field] { return field->hasFocus(); }));
        field->setText(text);
    }
    static VideoRenderingValues custom(double aspect) {
        return {.aspect = aspect,
                .frameRateChoice = 0,
                .frameRate = 25,
                .frameSizeChoice = 1,
                .width = 320,
                .height = 240,
                .keepAspect = true};
    }

    QApplication& app = test::EnsureQtApp();
    std::unique_ptr<VideoRenderingDialog> dialog;
    QLineEdit* width = nullptr;
    QLineEdit* height = nullptr;
    QLineEdit* rate = nullptr;
};

TEST_F(VideoRenderingDialogTest, TypedSideDrivesTheOtherThroughTheAspectRounded) {
    open(custom(16.0 / 9.0));
    type(width, "500");
    EXPECT_EQ(height->text(), "281"); // trunc(281.25 + 0.5)
    type(height, "281");
    EXPECT_EQ(width->text(), "500"); // trunc(499.55... + 0.5)
}

TEST_F(VideoRenderingDialogTest, OkRefusesTextAndSizesTheConversionCannotUse) {
    open(custom(4.0 / 3.0));
    dialog->setWindowModality(Qt::ApplicationModal);
    QStringList messages;
    const auto answer = [&messages](QWidget* box) {
        messages << box->findChild<QLabel*>("qt_msgbox_label")->text();
        box->close();
    };
    type(width, "");
    test::AnswerNextModal(answer);
    dialog->accept();
    type(width, "0");
    test::AnswerNextModal(answer);
    dialog->accept();
    EXPECT_EQ(messages, QStringList({"Please enter an integer.",
                                     "Please enter an integer between 1 and 8192."}));
    EXPECT_TRUE(dialog->isVisible());

    type(width, "-12");
    dialog->findChild<QRadioButton*>("keepSizeRadio")->click(); // fields not in use
    rate->setText("29.97");
    // A message here would be a fault. The answer's timer must end within this test: left
    // running, it would answer the next test's dialog through this test's dead locals.
    test::AnswerNextModal(answer, 100);
    dialog->accept();
    QTest::qWait(150);
    EXPECT_EQ(messages.size(), 2);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->values().frameSizeChoice, 0);
    EXPECT_EQ(dialog->values().frameRate, 29.97);
    EXPECT_EQ(dialog->values().width, -12);
}

class VideoRenderingExchangeTest : public VideoRenderingDialogTest {
protected:
    void SetUp() override {
        settings.KeepSettings = 0;
        settings.KeepFrameRate = 1;
        settings.FrameRate = 25;
        settings.KeepFrameSize = 0;
        settings.FrameWidth = 320;
        settings.FrameHeight = 240;
        settings.KeepAspect = 0;
    }
    ConversionSettings settings;
};

TEST_F(VideoRenderingExchangeTest, CancelKeepsChoicesAndComputedSizesButNotTypedNumbers) {
    const std::string input = ZENTAR_SHARED_MEDIA_DIR "/tree.avi"; // 320 x 240
    settings.FrameWidth = 400;
    settings.FrameHeight = 200;
    test::AnswerNextModal([this](QWidget* modal) {
        auto* shown = dynamic_cast<VideoRenderingDialog*>(modal);
        ASSERT_NE(shown, nullptr);
        EXPECT_DOUBLE_EQ(shown->values().aspect, 4.0 / 3.0);
        shown->findChild<QRadioButton*>("customRateRadio")->click();
        shown->findChild<QLineEdit*>("frameRateField")->setText("12.5");
        shown->findChild<QLineEdit*>("heightField")->setText("100"); // typed only
        shown->findChild<QCheckBox*>("keepAspectCheck")->click();    // computes the height
        shown->reject();
    });
    ASSERT_TRUE(RunVideoRenderingExchange(nullptr, settings, QString::fromStdString(input)));
    EXPECT_EQ(settings.SrcFileName, input);
    EXPECT_EQ(settings.KeepFrameRate, 0);
    EXPECT_EQ(settings.FrameRate, 25.0);
    EXPECT_EQ(settings.KeepAspect, 1);
    EXPECT_EQ((FrameSize{settings.FrameWidth, settings.FrameHeight}), (FrameSize{400, 300}));
}

TEST_F(VideoRenderingExchangeTest, NoInputGivesFourToThreeAndKeepSettingsOpensNothing) {
    double aspect = 0;
    test::AnswerNextModal([&aspect](QWidget* modal) {
        aspect = dynamic_cast<VideoRenderingDialog*>(modal)->values().aspect;
        qobject_cast<QDialog*>(modal)->reject();
    });
    bool readerCalled = false;
    const auto reader = [&readerCalled](const std::string&) {
        readerCalled = true;
        return FrameSize{1, 1};
    };
    EXPECT_TRUE(RunVideoRenderingExchange(nullptr, settings, QString(), reader));
    EXPECT_DOUBLE_EQ(aspect, 4.0 / 3.0);
    EXPECT_FALSE(readerCalled);

    settings.KeepSettings = 1;
    EXPECT_FALSE(RunVideoRenderingExchange(nullptr, settings, "/nowhere.avi", reader));
    EXPECT_FALSE(readerCalled);
}

} // namespace
} // namespace zentar

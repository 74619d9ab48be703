#include "app/ConverterDialog.h"
#include "app/AboutBox.h"
#include "app/FileBrowser.h"
#include "app/HelpViewer.h"
#include "options/HistoryComboBox.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/qt/QtTestApp.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QFileDialog>
#include <QMimeData>
#include <QPointer>
#include <QTest>
#include <QWheelEvent>

#include <fstream>

namespace zentar {
namespace {

QStringList entries(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->itemText(i);
    }
    return texts;
}

// What a user's pick in a drop-down list produces: the selection, then the accepted
// selection notification.
void choose(QWidget* widget, int index) {
    auto* list = qobject_cast<QComboBox*>(widget);
    ASSERT_NE(list, nullptr);
    list->setCurrentIndex(index);
    emit list->activated(index);
}

class ConverterDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::EnsureQtApp();
        ini_ = folder_.file("zentar-converter.ini");
        sources_.videoCompressors = [] {
            return std::vector<std::string>{"Microsoft Video 1", "Cinepak Codec", "3ivx D4"};
        };
        sources_.audioCompressors = [] {
            return std::vector<std::string>{"PCM", "GSM 6.10", "CCITT A-Law"};
        };
        sources_.mediaProfiles = [] { return std::vector<std::string>{"Profile B", "Profile A"}; };
        browseCalls_ = 0;
    }
    void TearDown() override {
        SetBrowseHook(nullptr);
        dialog_.reset();
    }

    void writeIni(const std::string& body) { std::ofstream(ini_) << "[Options]\n" << body; }

    // Creates the window and lets its posted About box come and go.
    ConverterDialog& open() {
        dialog_ = std::make_unique<ConverterDialog>(ini_, sources_);
        dialog_->show();
        bool sawAbout = false;
        test::AnswerNextModal([&](QWidget* modal) {
            sawAbout =
                dynamic_cast<AboutBox*>(modal) != nullptr && modal->parentWidget() == dialog_.get();
            static_cast<QDialog*>(modal)->accept();
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return sawAbout; }, 5000));
        return *dialog_;
    }

    // Answers every file dialog with `answer` (nullopt: cancel) and counts them.
    void answerBrowsing(std::optional<QString> answer) {
        SetBrowseHook([this, answer](QFileDialog& dialog) {
            ++browseCalls_;
            lastSuffix_ = dialog.defaultSuffix();
            return answer;
        });
    }

    HistoryComboBox* list(int id) { return static_cast<HistoryComboBox*>(dialog_->control(id)); }
    // '1' for each of the controls that is enabled, '0' for one that is not.
    std::string enabled(std::initializer_list<int> ids) {
        std::string flags;
        for (const int id : ids)
            flags += dialog_->control(id)->isEnabled() ? '1' : '0';
        return flags;
    }
    void click(int id) { QTest::mouseClick(dialog_->control(id), Qt::LeftButton); }

    test::TempFolder folder_{std::string("window-") +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name()};
    std::string ini_;
    ConverterDialog::ListSources sources_;
    std::unique_ptr<ConverterDialog> dialog_;
    int browseCalls_ = 0;
    QString lastSuffix_;
};

// Start-up from the ini file: compressor names sorted after "<Uncompressed>" and before
// "Advanced...", the stored names shown, the project entry named after its file.
TEST_F(ConverterDialogTest, StartsFromTheIniFile) {
    writeIni("SrcFileName=/v/in.avi\nDstFileName=/v/out.wmv\nDstFileType=1\n"
             "VideoCodec=Typed Codec\nSceneDetection=2\nClipsFileName=/p/holiday.flp\n"
             "MediaProfile=/p/custom.prx\n");
    open();
    EXPECT_EQ(entries(list(1000)), QStringList({"/v/in.avi", "Browse for input file..."}));
    EXPECT_EQ(entries(list(1012)), QStringList({"3ivx D4", "<Uncompressed>", "Cinepak Codec",
                                                "Microsoft Video 1", "Advanced..."}));
    EXPECT_EQ(list(1012)->currentText() + list(1070)->currentText(), "Typed Codeccustom.prx");
    EXPECT_EQ(list(1068)->itemText(2), "Make Frameloom 3.0 project (holiday.flp)");
    EXPECT_EQ(list(1068)->currentIndex(), 2);
}

TEST_F(ConverterDialogTest, EnableRulesFollowKeepParametersOutputTypeAndRunningState) {
    ConverterDialog& window = open();
    EXPECT_EQ(enabled({1072, 1073}), "00");
    click(1049);
    EXPECT_EQ(enabled({1072, 1073}), "11");

    // Output type: the extension follows, the lists switch.
    list(1003)->setEditText("/v/movie.mpg");
    choose(window.control(1080), 1);
    EXPECT_EQ(window.settings().DstFileName, "/v/movie.wmv");
    EXPECT_EQ(enabled({1012, 1070}), "01");
    choose(window.control(1080), 2); // MP4 cannot hold the defaults: H.264 and AAC instead
    EXPECT_EQ(window.settings().VideoCodec + "/" + window.settings().AudioCodec,
              "H.264 (x264)/AAC");

    window.UpdateControlState(true);
    EXPECT_EQ(enabled({2, 57665, 57670, 1082, 1069, 1017}), "111111");
    EXPECT_EQ(enabled({1, 1000, 1003, 1080, 1068, 1049, 1072, 1012, 1070, 1081}),
              std::string(10, '0'));
}

TEST_F(ConverterDialogTest, BrowsingKeepsHistoriesRestoresOnCancelAndAsksForAProject) {
    writeIni("SrcFileName=/v/first.avi\n");
    ConverterDialog& window = open();
    HistoryComboBox* input = list(1000);
    answerBrowsing(QString("/v/second.avi"));
    choose(input, input->count() - 1);
    EXPECT_EQ(entries(input),
              QStringList({"/v/second.avi", "/v/first.avi", "Browse for input file..."}));
    answerBrowsing(std::nullopt);
    choose(input, input->count() - 1);
    EXPECT_EQ(window.settings().SrcFileName, "/v/second.avi");
    EXPECT_EQ(input->currentText(), "/v/second.avi");

    // The project entry without a file name opens the dialog first.
    answerBrowsing(QString("/p/holiday.flp"));
    choose(list(1068), 2);
    EXPECT_EQ(browseCalls_, 3);
    EXPECT_EQ(lastSuffix_, "flp");
    EXPECT_EQ(list(1068)->itemText(2), "Make Frameloom 3.0 project (holiday.flp)");
    EXPECT_EQ(window.settings().SceneDetection, 2);
}

TEST_F(ConverterDialogTest, CompressorAndProfileChoicesStoreNames) {
    sources_.videoCompressors = nullptr; // the installed compressors
    ConverterDialog& window = open();
    HistoryComboBox* video = list(1012);
    choose(video, video->findText("Cinepak Codec"));
    EXPECT_EQ(window.settings().VideoCodec, "Cinepak Codec");
    // "Advanced..." opens the compression dialog; cancelled, the stored name stays.
    test::AnswerNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    choose(video, video->count() - 1);
    EXPECT_EQ(video->currentText(), "Cinepak Codec");

    HistoryComboBox* profiles = list(1070);
    answerBrowsing(QString("/p/custom.prx"));
    choose(profiles, profiles->count() - 1);
    EXPECT_EQ(window.settings().MediaProfile, "/p/custom.prx");
    // The short name is applied by a posted message, after the handler.
    EXPECT_TRUE(QTest::qWaitFor([&] { return profiles->currentText() == "custom.prx"; }, 5000));
}

TEST_F(ConverterDialogTest, CommandsEmptyTheStatusAndClosingSavesTheSettings) {
    ConverterDialog& window = open();
    window.SetStatusText("Cannot open input file.", true);
    click(57670); // Help is a command too
    EXPECT_TRUE(window.statusText().empty());
    ASSERT_NE(HelpViewer::Instance(), nullptr);
    EXPECT_EQ(HelpViewer::Instance()->topic(), 0x20066u);

    list(1003)->setEditText("/v/typed.avi");
    click(57665); // Exit
    dialog_.reset();
    EXPECT_EQ(HelpViewer::Instance(), nullptr);
    EXPECT_NE(test::FileText(ini_).find("DstFileName=/v/typed.avi"), std::string::npos);
}

TEST_F(ConverterDialogTest, HelpFromARenderingDialogStaysOpenWhenTheDialogCloses) {
    ConverterDialog& window = open();
    click(1049); // custom parameters
    uint32_t topic = 0;
    QString title;
    test::AnswerNextModal([&](QWidget* modal) {
        title = modal->windowTitle();
        QApplication::setActiveWindow(modal);
        QTest::keyClick(modal, Qt::Key_F1);
        if (HelpViewer::Instance() != nullptr) {
            topic = HelpViewer::Instance()->topic();
        }
        static_cast<QDialog*>(modal)->reject();
    });
    click(1072);
    EXPECT_EQ(title, "Video Rendering");
    EXPECT_EQ(topic, 0x20067u);
    EXPECT_TRUE(window.statusText().empty());
    // The dialog is gone; its help window is the main window's now.
    QPointer<HelpViewer> help = HelpViewer::Instance();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->parentWidget(), &window);
    dialog_.reset();
    EXPECT_EQ(help, nullptr);
}

TEST_F(ConverterDialogTest, WheelAndKeysOverAClosedListOpenNoDialog) {
    writeIni("SceneDetection=1\nClipsFileName=/v/cuts.flp\n");
    ConverterDialog& window = open();
    answerBrowsing(QString("/v/other.flp"));
    QComboBox* modes = list(1068);
    QApplication::setActiveWindow(&window);
    modes->setFocus();
    for (int turn = 0; turn < 3; ++turn) {
        QWheelEvent wheel(QPointF(5, 5), modes->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(modes, &wheel);
    }
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_End, Qt::Key_B}) {
        QTest::keyClick(modes, key);
    }
    EXPECT_EQ(browseCalls_, 0);
    EXPECT_EQ(modes->currentIndex(), 1);
    EXPECT_EQ(window.settings().SceneDetection, 1);
    QTest::keyClick(list(1000), Qt::Key_Down); // an editable list: its history
    EXPECT_EQ(browseCalls_, 0);

    // A pick from the open list still runs the command.
    QTest::keyClick(modes, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return modes->view()->isVisible(); }, 2000));
    QTest::keyClick(modes->view(), Qt::Key_End);
    QTest::keyClick(modes->view(), Qt::Key_Return);
    EXPECT_EQ(browseCalls_, 1);
    EXPECT_EQ(window.settings().ClipsFileName, "/v/other.flp");
}

TEST_F(ConverterDialogTest, ClipSplittingLabelStaysEnabledWhileTheFramesLookDisabled) {
    ConverterDialog& window = open();
    auto* label = window.findChild<QWidget*>("clipModeLabel");
    auto* frame = window.control(1084);
    const QColor normal = label->palette().color(QPalette::Active, QPalette::WindowText);
    window.UpdateControlState(true);
    EXPECT_TRUE(label->isEnabled());
    EXPECT_EQ(label->palette().color(QPalette::Active, QPalette::WindowText), normal);
    EXPECT_EQ(frame->palette().color(QPalette::Active, QPalette::WindowText),
              frame->palette().color(QPalette::Disabled, QPalette::WindowText));
    window.UpdateControlState(false);
    EXPECT_EQ(frame->palette().color(QPalette::Active, QPalette::WindowText), normal);
}

TEST_F(ConverterDialogTest, AFileDroppedOnTheWindowBecomesTheInput) {
    writeIni("SrcFileName=/v/first.avi\n");
    ConverterDialog& window = open();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/v/dropped clip.mpg")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    EXPECT_EQ(window.settings().SrcFileName, "/v/dropped clip.mpg");
    EXPECT_EQ(entries(list(1000)),
              QStringList({"/v/dropped clip.mpg", "/v/first.avi", "Browse for input file..."}));
    data.setUrls({QUrl("https://example.invalid/a.avi")}); // not a local file: refused
    QDragEnterEvent remote(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &remote);
    EXPECT_FALSE(remote.isAccepted());
}

} // namespace
} // namespace zentar

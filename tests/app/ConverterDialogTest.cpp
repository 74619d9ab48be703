#include "app/ConverterDialog.h"
#include "app/AboutBox.h"
#include "app/FileBrowser.h"
#include "app/HelpViewer.h"
#include "app/PreviewWidget.h"
#include "options/HistoryComboBox.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/qt/QtTestApp.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
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

// Compressor names sorted after "<Uncompressed>" and before "Advanced...", profiles in the
// order found, the stored names shown; the context menu's last command shows About again.
TEST_F(ConverterDialogTest, StartsWithTheAboutBoxAndTheDefaultListsWithoutAnIniFile) {
    ConverterDialog& window = open();
    EXPECT_EQ(list(1000)->currentIndex(), -1);
    EXPECT_EQ(entries(list(1012)), QStringList({"3ivx D4", "<Uncompressed>", "Cinepak Codec",
                                                "Microsoft Video 1", "Advanced..."}));
    EXPECT_EQ(list(1012)->currentText(), "Microsoft Video 1");
    EXPECT_EQ(list(1012)->currentIndex(), -1);
    EXPECT_EQ(list(1014)->currentText(), "PCM");
    EXPECT_EQ(entries(list(1070)),
              QStringList({"Profile B", "Profile A", "Browse for more profiles..."}));
    EXPECT_EQ(list(1068)->currentIndex(), 0);
    bool shown = false;
    test::AnswerNextModal([&](QWidget* modal) {
        shown = dynamic_cast<AboutBox*>(modal) != nullptr;
        static_cast<QDialog*>(modal)->accept();
    });
    window.actions().back()->trigger();
    EXPECT_TRUE(shown);
}

TEST_F(ConverterDialogTest, StartsFromTheIniFileAndWithEmptyCompressorCategories) {
    writeIni("SrcFileName=/v/in.avi\nDstFileName=/v/out.wmv\nDstFileType=1\n"
             "VideoCodec=Typed Codec\nKeepSettings=0\nSceneDetection=2\n"
             "ClipsFileName=/p/holiday.flp\nMediaProfile=/p/custom.prx\n");
    sources_.videoCompressors = [] { return std::vector<std::string>(); };
    sources_.audioCompressors = [] { return std::vector<std::string>(); };
    open();
    EXPECT_EQ(entries(list(1000)), QStringList({"/v/in.avi", "Browse for input file..."}));
    EXPECT_EQ(list(1000)->currentIndex(), 0);
    EXPECT_EQ(list(1003)->currentText(), "/v/out.wmv");
    EXPECT_EQ(entries(list(1012)), QStringList({"<Uncompressed>", "Advanced..."}));
    EXPECT_EQ(list(1012)->currentText(), "Typed Codec");
    EXPECT_EQ(entries(list(1014)), QStringList({"Advanced..."}));
    EXPECT_EQ(list(1070)->currentText(), "custom.prx");
    EXPECT_EQ(list(1068)->itemText(2), "Make Frameloom 3.0 project (holiday.flp)");
    EXPECT_EQ(list(1068)->currentIndex(), 2);
    // WMV output: the profile list is usable, the compressor lists are not.
    EXPECT_EQ(enabled({1070, 1071, 1072, 1012, 1025, 1014, 1026}), "1110000");
}

TEST_F(ConverterDialogTest, EnableRulesFollowKeepParametersOutputTypeAndRunningState) {
    ConverterDialog& window = open();
    EXPECT_EQ(enabled({1072, 1073, 2}), "000");
    click(1049);
    EXPECT_EQ(window.settings().KeepSettings, 0);
    EXPECT_EQ(enabled({1072, 1073}), "11");
    click(1049);
    EXPECT_EQ(enabled({1072, 1073}), "00");

    // Output type: the extension follows, the lists switch.
    list(1003)->setEditText("/v/movie.mpg");
    choose(window.control(1080), 1);
    EXPECT_EQ(window.settings().DstFileName, "/v/movie.wmv");
    EXPECT_EQ(list(1003)->currentText(), "/v/movie.wmv");
    EXPECT_EQ(entries(list(1003)), QStringList({"Browse for output file..."}));
    EXPECT_EQ(enabled({1012, 1070}), "01");
    choose(window.control(1080), 0);
    EXPECT_EQ(list(1003)->currentText(), "/v/movie.avi");
    EXPECT_EQ(enabled({1012, 1071}), "10");
    list(1003)->setEditText("");
    choose(window.control(1080), 1);
    EXPECT_EQ(window.settings().DstFileName, "");
    choose(window.control(1080), 2); // MP4 cannot hold the defaults: H.264 and AAC instead
    EXPECT_EQ(window.settings().VideoCodec + "/" + window.settings().AudioCodec,
              "H.264 (x264)/AAC");

    window.UpdateControlState(true);
    EXPECT_EQ(enabled({2, 57665, 57670, 1082, 1069, 1017}), "111111");
    EXPECT_EQ(enabled({1, 1000, 1003, 1080, 1068, 1049, 1072, 1073, 1012, 1014, 1070, 1021, 1022,
                       1081, 1025, 1026, 1071}),
              std::string(17, '0'));
    window.UpdateControlState(false);
    EXPECT_EQ(enabled({1, 2}), "10");
}

TEST_F(ConverterDialogTest, FileListsBrowseKeepHistoriesAndRestoreOnCancel) {
    writeIni("SrcFileName=/v/first.avi\n");
    ConverterDialog& window = open();
    HistoryComboBox* input = list(1000);

    answerBrowsing(QString("/v/second.avi"));
    choose(input, input->count() - 1);
    EXPECT_EQ(browseCalls_, 1);
    EXPECT_EQ(window.settings().SrcFileName, "/v/second.avi");
    EXPECT_EQ(entries(input),
              QStringList({"/v/second.avi", "/v/first.avi", "Browse for input file..."}));

    // A history entry moves to the top without a dialog.
    choose(input, 1);
    EXPECT_EQ(browseCalls_, 1);
    EXPECT_EQ(window.settings().SrcFileName, "/v/first.avi");
    EXPECT_EQ(input->itemText(0), "/v/first.avi");

    // Browsing cancelled: the previous name comes back.
    answerBrowsing(std::nullopt);
    choose(input, input->count() - 1);
    EXPECT_EQ(browseCalls_, 2);
    EXPECT_EQ(window.settings().SrcFileName, "/v/first.avi");
    EXPECT_EQ(input->currentText(), "/v/first.avi");
    EXPECT_EQ(input->count(), 3);

    // The output dialog's default extension follows the output type.
    choose(window.control(1080), 1);
    answerBrowsing(QString("/v/result.wmv"));
    choose(list(1003), list(1003)->count() - 1);
    EXPECT_EQ(lastSuffix_, "wmv");
    EXPECT_EQ(window.settings().DstFileName, "/v/result.wmv");
}

TEST_F(ConverterDialogTest, ProjectEntryAsksForAFileOnlyWhenNoneIsSet) {
    ConverterDialog& window = open();
    HistoryComboBox* modes = list(1068);
    choose(modes, 1);
    EXPECT_EQ(window.settings().SceneDetection, 1);

    // The browse entry, cancelled: nothing changes.
    answerBrowsing(std::nullopt);
    choose(modes, 3);
    EXPECT_EQ(browseCalls_, 1);
    EXPECT_EQ(modes->currentIndex(), 1);
    EXPECT_EQ(window.settings().SceneDetection, 1);
    EXPECT_TRUE(window.settings().ClipsFileName.empty());

    // The project entry without a file name opens the dialog first.
    answerBrowsing(QString("/p/holiday.flp"));
    choose(modes, 2);
    EXPECT_EQ(browseCalls_, 2);
    EXPECT_EQ(lastSuffix_, "flp");
    EXPECT_EQ(window.settings().ClipsFileName, "/p/holiday.flp");
    EXPECT_EQ(modes->itemText(2), "Make Frameloom 3.0 project (holiday.flp)");
    EXPECT_EQ(modes->currentIndex(), 2);
    EXPECT_EQ(window.settings().SceneDetection, 2);
    EXPECT_EQ(modes->count(), 4);

    // With a name set the project entry needs no dialog; the browse entry picks a new file
    // and selects the project entry.
    choose(modes, 0);
    choose(modes, 2);
    EXPECT_EQ(browseCalls_, 2);
    answerBrowsing(QString("/p/other.flp"));
    choose(modes, 3);
    EXPECT_EQ(modes->currentIndex(), 2);
    EXPECT_EQ(modes->itemText(2), "Make Frameloom 3.0 project (other.flp)");
    EXPECT_EQ(window.settings().SceneDetection, 2);
}

TEST_F(ConverterDialogTest, CompressorAndProfileChoicesStoreNames) {
    sources_.videoCompressors = nullptr; // the installed compressors
    sources_.audioCompressors = nullptr;
    ConverterDialog& window = open();
    HistoryComboBox* video = list(1012);
    ASSERT_GE(video->findText("Cinepak Codec"), 0);
    EXPECT_GE(list(1014)->findText("PCM"), 0);
    EXPECT_EQ(video->itemText(video->count() - 1), "Advanced...");
    choose(video, video->findText("Cinepak Codec"));
    EXPECT_EQ(window.settings().VideoCodec, "Cinepak Codec");
    // "Advanced..." opens the compression dialog; cancelled, the list shows the stored
    // name again.
    QString opened;
    test::AnswerNextModal([&](QWidget* modal) {
        opened = modal->windowTitle();
        static_cast<QDialog*>(modal)->reject();
    });
    choose(video, video->count() - 1);
    EXPECT_EQ(opened, "Video compression");
    EXPECT_EQ(video->currentText(), "Cinepak Codec");
    EXPECT_EQ(window.settings().VideoCodec, "Cinepak Codec");
    // A stored name the dialog does not know: it offers its first compressor, which Cancel
    // hands back, and the list selects that entry by name.
    window.settings().VideoCodec = "Not Installed";
    test::AnswerNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    choose(video, video->count() - 1);
    EXPECT_NE(window.settings().VideoCodec, "Not Installed");
    ASSERT_GE(video->currentIndex(), 0);
    EXPECT_EQ(video->currentText().toStdString(), window.settings().VideoCodec);
    // The audio dialog keeps a name it does not know; the list then has no entry to show.
    HistoryComboBox* audio = list(1014);
    window.settings().AudioCodec = "Not Installed";
    test::AnswerNextModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    choose(audio, audio->count() - 1);
    EXPECT_EQ(window.settings().AudioCodec, "Not Installed");
    EXPECT_EQ(audio->currentIndex(), -1);
    EXPECT_TRUE(audio->currentText().isEmpty());

    HistoryComboBox* profiles = list(1070);
    choose(profiles, 1);
    EXPECT_EQ(window.settings().MediaProfile, "Profile A");
    answerBrowsing(QString("/p/custom.prx"));
    choose(profiles, profiles->count() - 1);
    EXPECT_EQ(window.settings().MediaProfile, "/p/custom.prx");
    // The short name is applied by a posted message, after the handler.
    EXPECT_TRUE(QTest::qWaitFor([&] { return profiles->currentText() == "custom.prx"; }, 5000));
    EXPECT_EQ(profiles->currentIndex(), -1);
}

TEST_F(ConverterDialogTest, CommandsEmptyTheStatusAndClosingSavesTheSettings) {
    ConverterDialog& window = open();
    window.SetStatusText("Cannot open input file.", true);
    EXPECT_EQ(window.statusText(), "Cannot open input file.");
    click(1049);
    EXPECT_TRUE(window.statusText().empty());

    // Stop while idle asks nothing and leaves the window open.
    window.SetStatusText(IDS_CANNOT_CONVERT, false);
    EXPECT_EQ(window.statusText(), "Cannot make conversion.");
    click(57670); // Help is a command too
    EXPECT_TRUE(window.statusText().empty());
    ASSERT_NE(HelpViewer::Instance(), nullptr);
    EXPECT_EQ(HelpViewer::Instance()->topic(), 0x20066u);
    EXPECT_EQ(HelpViewer::Instance()->pageTitle(), "Zentar Video Converter");
    HelpViewer::CloseHelp();
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_F1);
    ASSERT_NE(HelpViewer::Instance(), nullptr);
    EXPECT_EQ(HelpViewer::Instance()->topic(), 0x20066u);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    list(1003)->setEditText("/v/typed.avi");
    click(57665); // Exit
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.settings().DstFileName, "/v/typed.avi");
    dialog_.reset();
    EXPECT_EQ(HelpViewer::Instance(), nullptr);
    const std::string ini = test::FileText(ini_);
    EXPECT_NE(ini.find("DstFileName=/v/typed.avi"), std::string::npos) << ini;
    EXPECT_NE(ini.find("KeepSettings=0"), std::string::npos) << ini;
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

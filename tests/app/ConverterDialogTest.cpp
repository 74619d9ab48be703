#include "app/ConverterDialog.h"
#include "app/AboutBox.h"
#include "app/FileBrowser.h"
#include "app/HelpViewer.h"
#include "app/PreviewWidget.h"
#include "options/HistoryComboBox.h"
#include "tests/support/qt/QtTestApp.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace zentar {
namespace {

namespace fs = std::filesystem;

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

std::string readFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ConverterDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::EnsureQtApp();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::path(ZENTAR_BINARY_DIR) / "test-window" / info->name();
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        ini_ = folder_ / "zentar-converter.ini";
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
        dialog_ = std::make_unique<ConverterDialog>(ini_.string(), sources_);
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
    void click(int id) { QTest::mouseClick(dialog_->control(id), Qt::LeftButton); }

    fs::path folder_, ini_;
    ConverterDialog::ListSources sources_;
    std::unique_ptr<ConverterDialog> dialog_;
    int browseCalls_ = 0;
    QString lastSuffix_;
};

TEST_F(ConverterDialogTest, StartsWithTheAboutBoxAndTheDefaultListsWithoutAnIniFile) {
    ConverterDialog& window = open();
    EXPECT_EQ(entries(list(1000)), QStringList({"Browse for input file..."}));
    EXPECT_EQ(list(1000)->currentIndex(), -1);
    EXPECT_TRUE(list(1000)->currentText().isEmpty());
    EXPECT_EQ(entries(list(1003)), QStringList({"Browse for output file..."}));
    EXPECT_EQ(entries(list(1012)), QStringList({"3ivx D4", "<Uncompressed>", "Cinepak Codec",
                                                "Microsoft Video 1", "Advanced..."}));
    EXPECT_EQ(list(1012)->currentText(), "Microsoft Video 1");
    EXPECT_EQ(list(1012)->currentIndex(), -1);
    EXPECT_EQ(entries(list(1014)), QStringList({"CCITT A-Law", "GSM 6.10", "PCM", "Advanced..."}));
    EXPECT_EQ(list(1014)->currentText(), "PCM");
    EXPECT_EQ(entries(list(1070)),
              QStringList({"Profile B", "Profile A", "Browse for more profiles..."}));
    EXPECT_EQ(entries(list(1068)),
              QStringList({"Don't split video to clip sequence", "Split video to clips sequence",
                           "Make Frameloom 3.0 project ()",
                           "        Browse for Frameloom 3.0 project..."}));
    EXPECT_EQ(list(1068)->currentIndex(), 0);
    EXPECT_EQ(static_cast<QComboBox*>(window.control(1080))->currentIndex(), 0);
    EXPECT_TRUE(static_cast<QCheckBox*>(window.control(1049))->isChecked());
    EXPECT_TRUE(static_cast<QCheckBox*>(window.control(1082))->isChecked());
    EXPECT_EQ(window.windowTitle(), "Zentar Video Converter");
    EXPECT_FALSE(window.windowIcon().isNull());
    // The context menu's command shows the About box again.
    ASSERT_FALSE(window.actions().isEmpty());
    EXPECT_EQ(window.actions().back()->text(), "&About Zentar Video Converter...");
    bool shown = false;
    test::AnswerNextModal([&](QWidget* modal) {
        shown = modal->windowTitle() == "About Zentar Video Converter";
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
    ConverterDialog& window = open();
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
    EXPECT_TRUE(window.control(1070)->isEnabled());
    EXPECT_TRUE(window.control(1071)->isEnabled());
    for (int id : {1012, 1025, 1014, 1026}) {
        EXPECT_FALSE(window.control(id)->isEnabled()) << id;
    }
    EXPECT_TRUE(window.control(1072)->isEnabled());
}

TEST_F(ConverterDialogTest, EnableRulesFollowKeepParametersOutputTypeAndRunningState) {
    ConverterDialog& window = open();
    EXPECT_FALSE(window.control(1072)->isEnabled());
    EXPECT_FALSE(window.control(1073)->isEnabled());
    EXPECT_FALSE(window.control(2)->isEnabled());
    click(1049);
    EXPECT_EQ(window.settings().KeepSettings, 0);
    EXPECT_TRUE(window.control(1072)->isEnabled());
    EXPECT_TRUE(window.control(1073)->isEnabled());
    click(1049);
    EXPECT_FALSE(window.control(1072)->isEnabled());

    // Output type: the extension follows, the lists switch.
    list(1003)->setEditText("/v/movie.mpg");
    choose(window.control(1080), 1);
    EXPECT_EQ(window.settings().DstFileName, "/v/movie.wmv");
    EXPECT_EQ(list(1003)->currentText(), "/v/movie.wmv");
    EXPECT_EQ(entries(list(1003)), QStringList({"Browse for output file..."}));
    EXPECT_FALSE(window.control(1012)->isEnabled());
    EXPECT_TRUE(window.control(1070)->isEnabled());
    choose(window.control(1080), 0);
    EXPECT_EQ(list(1003)->currentText(), "/v/movie.avi");
    EXPECT_TRUE(window.control(1012)->isEnabled());
    EXPECT_FALSE(window.control(1071)->isEnabled());
    list(1003)->setEditText("");
    choose(window.control(1080), 1);
    EXPECT_EQ(window.settings().DstFileName, "");
    choose(window.control(1080), 2); // MP4 cannot hold the defaults: H.264 and AAC instead
    EXPECT_EQ(window.settings().VideoCodec + "/" + window.settings().AudioCodec,
              "H.264 (x264)/AAC");

    window.UpdateControlState(true);
    for (int id : {2, 57665, 57670, 1082, 1069, 1017}) {
        EXPECT_TRUE(window.control(id)->isEnabled()) << id;
    }
    for (int id : {1,    1000, 1003, 1080, 1068, 1049, 1072, 1073, 1012, 1014,
                   1070, 1023, 1084, 1024, 1021, 1022, 1081, 1025, 1026, 1071}) {
        EXPECT_FALSE(window.control(id)->isEnabled()) << id;
    }
    window.UpdateControlState(false);
    EXPECT_TRUE(window.control(1)->isEnabled());
    EXPECT_FALSE(window.control(2)->isEnabled());
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
    const std::string ini = readFile(ini_);
    EXPECT_NE(ini.find("DstFileName=/v/typed.avi"), std::string::npos) << ini;
    EXPECT_NE(ini.find("KeepSettings=0"), std::string::npos) << ini;
}

TEST_F(ConverterDialogTest, RenderingButtonsOpenTheirDialogsWithTheirHelpTopics) {
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
}

TEST_F(ConverterDialogTest, PreviewDrawsAndMarksFramesOnlyWhileShowPreviewIsChecked) {
    ConverterDialog& window = open();
    auto* area = static_cast<PreviewWidget*>(window.control(1069));
    window.CreatePreview(160, 120, 720, 400);
    // A wide input in the preview area: full width, centred down the height.
    const PreviewRect box = window.preview().letterbox();
    EXPECT_EQ(box.left, area->contentsRect().left());
    EXPECT_EQ(box.width(), area->contentsRect().width());
    EXPECT_GT(box.top, area->contentsRect().top());
    EXPECT_NEAR(box.bottom - area->contentsRect().top(),
                area->contentsRect().bottom() + 1 - box.top, 1);

    const size_t stride = PreviewRenderer::RowBytes(160);
    std::vector<uint8_t> frame(stride * 120, 0x80);
    const std::vector<uint8_t> grey = frame;
    window.DrawPreview(frame.data(), frame.size(), "7/0: 1 2 3 4");
    EXPECT_TRUE(area->showsPicture());
    EXPECT_NE(frame, grey); // the statistics line went into the frame

    click(1082); // Show preview off: the picture goes, frames stay as they are
    EXPECT_EQ(window.settings().WantPreview, 0);
    EXPECT_FALSE(area->showsPicture());
    frame = grey;
    window.DrawPreview(frame.data(), frame.size(), "8/0: 1 2 3 4");
    EXPECT_EQ(frame, grey);
    EXPECT_FALSE(area->showsPicture());
    window.StopRun();
    EXPECT_FALSE(window.preview().exists());
}

} // namespace
} // namespace zentar

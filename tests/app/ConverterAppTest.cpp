// ConverterApp as the process's application object: start-up and shutdown around the
// modal main window, and exceptions escaping event handlers.
#include "app/ConverterApp.h"
#include "engine/AviWriterGraph.h"

#include "app/ConverterDialog.h"
#include "engine/CMyException.h"
#include "engine/ProjectFileException.h"
#include "platform/com/ComObject.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>

namespace zentar {
namespace {

namespace fs = std::filesystem;

// The application object lives on main()'s stack (below): a static one would be
// destroyed after Qt's own statics at exit.
ConverterApp& theApp() {
    return *ConverterApp::instance();
}

// An object whose event handler fails with whatever `fail` throws.
class FailingObject : public QObject {
public:
    explicit FailingObject(std::function<void()> fail) : fail_(std::move(fail)) {}
    bool event(QEvent*) override {
        fail_();
        return true;
    }

private:
    std::function<void()> fail_;
};

// Closes the first modal window that appears (a message box or the main window), checking
// every 10 ms for at most five seconds, after calling `inspect` on it.
void closeNextModal(std::function<void(QWidget*)> inspect = {}) {
    auto* timer = new QTimer(&theApp());
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, inspect] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && ++*tries < 500)
            return;
        timer->stop();
        timer->deleteLater();
        if (modal) {
            if (inspect)
                inspect(modal);
            modal->close();
        }
    });
    timer->start(10);
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class ConverterAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        theApp();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = fs::path(ZENTAR_BINARY_DIR) / "test-converter-app" / info->name();
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { theApp().setMainDialog(nullptr); }

    // A main window over an INI file of the test's own folder.
    std::unique_ptr<ConverterDialog> makeDialog() {
        auto dialog = std::make_unique<ConverterDialog>((folder_ / "window.ini").string());
        theApp().setMainDialog(dialog.get());
        return dialog;
    }

    fs::path folder_;
};

// Which code gives which text is tests/engine/ErrorMessagesTest's; here, that notify() shows
// it and tells commands (handled) from other events (not handled).
TEST_F(ConverterAppTest, ProgramFailuresBecomeTheStatusMessage) {
    auto dialog = makeDialog();
    FailingObject failing([] { throw CMyException(9); });
    QEvent idle(QEvent::Timer);
    EXPECT_FALSE(theApp().notify(&failing, &idle));
    EXPECT_EQ(dialog->statusText(), "Windows Media error.");
    EXPECT_TRUE(dialog->errorShown());
    FailingObject project([] { throw ProjectFileException("/x/cuts.flp", 28); });
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    EXPECT_TRUE(theApp().notify(&project, &key)); // a command counts as handled
    EXPECT_EQ(dialog->statusText(), "Cannot write Frameloom project file");
}

// The real path: a failing button handler and a failing idle step, each leaving the
// window usable.
TEST_F(ConverterAppTest, FailuresFromAClickAndFromAnIdleStepAreCaughtInDispatch) {
    auto dialog = makeDialog();
    QPushButton start(QStringLiteral("Start"), dialog.get());
    QObject::connect(&start, &QPushButton::clicked, [] { throw CMyException(7); });
    dialog->show();
    QTest::mouseClick(&start, Qt::LeftButton);
    EXPECT_EQ(dialog->statusText(), "Cannot open input file.");

    QTimer idle;
    idle.setSingleShot(true);
    QObject::connect(&idle, &QTimer::timeout, [] { throw CMyException(2); });
    idle.start(0);
    for (int i = 0; i < 500 && dialog->statusText() != "Cannot make conversion."; ++i)
        QTest::qWait(10);
    EXPECT_EQ(dialog->statusText(), "Cannot make conversion.");
    dialog->SetStatusText("still usable", false);
    EXPECT_EQ(dialog->statusText(), "still usable");
}

TEST_F(ConverterAppTest, ForeignExceptionsGetAMessageBoxNotACrash) {
    auto dialog = makeDialog();
    dialog->SetStatusText("before", false);
    QString shown;
    closeNextModal([&shown](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            shown = box->text();
    });
    FailingObject failing([] { throw std::runtime_error("disk on fire"); });
    QMouseEvent click(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    EXPECT_TRUE(theApp().notify(&failing, &click));
    EXPECT_EQ(shown, QStringLiteral("disk on fire"));
    EXPECT_EQ(dialog->statusText(), "before");
    EXPECT_FALSE(dialog->errorShown());
}

TEST_F(ConverterAppTest, StartUpReadsTheIniBesideTheProgramAndExitWritesItBack) {
    const fs::path ini = folder_ / "zentar-converter.ini";
    std::ofstream(ini) << "[Options]\nFrameWidth=640\nWantPreview=5\n";
    theApp().setModulePath((folder_ / "zentar-converter").string());
    // "Open with" from a file manager: the file argument is the input.
    EXPECT_EQ(ConverterApp::InputFileArgument({"zentar-converter", "-x", "/v/a b.mpg", "c.avi"}),
              "/v/a b.mpg");
    EXPECT_EQ(ConverterApp::InputFileArgument({"zentar-converter", "file:///v/a%20b.mpg"}),
              "/v/a b.mpg");
    theApp().setInputFile("/v/opened.mpg");

    int widthSeen = 0;
    std::string inputSeen;
    closeNextModal([&](QWidget*) {
        if (ConverterDialog* dialog = theApp().mainDialog()) {
            widthSeen = dialog->settings().FrameWidth;
            inputSeen = dialog->settings().SrcFileName;
        }
    });
    EXPECT_EQ(theApp().Run(), 0);
    theApp().setInputFile({});
    EXPECT_EQ(inputSeen, "/v/opened.mpg");

    EXPECT_EQ(theApp().iniPath(), ini.string());
    EXPECT_EQ(widthSeen, 640);
    EXPECT_EQ(theApp().mainDialog(), nullptr);
    const std::string saved = readFile(ini);
    EXPECT_NE(saved.find("FrameWidth=640\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("WantPreview=1\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\nClipsFileName=\n"), std::string::npos) << saved;
    EXPECT_FALSE(AviWriterGraph::SharedDvEncoder()); // released at exit
}

} // namespace
} // namespace zentar

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery runs this program at build time, outside CTest's environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    zentar::ConverterApp app(argc, argv);
    zentar::ConverterDialog::SetAboutAtStart(false); // no user here to dismiss it
    return RUN_ALL_TESTS();
}

// The option dialogs over the platform's own compressors: the compressor filters' dialog
// interface, with a recording dialog host in place of the Qt one. The names listed are the
// compressor list's (tests/engine/CompressorListTest).
#include "options/VideoCompressionDialog.h"
#include "platform/media/CompressorDialogHost.h"
#include "tests/options/OptionDialogTestSupport.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>

namespace zentar {
namespace {

class RecordingHost final : public CompressorDialogHost {
public:
    bool showConfigDialog(void* parent, const CompressorInfo& compressor,
                          CompressorDialogSettings&) override {
        calls.push_back({"config", compressor.friendlyName, parent});
        return false;
    }
    void showAboutDialog(void* parent, const CompressorInfo& compressor) override {
        calls.push_back({"about", compressor.friendlyName, parent});
    }
    struct Call {
        std::string dialog;
        std::string compressor;
        void* parent;
    };
    std::vector<Call> calls;
};

class InstalledCompressorsTest : public ::testing::Test {
protected:
    void TearDown() override { InstallCompressorDialogHost(nullptr); }
    QApplication& app = test::EnsureQtApp();
};

TEST_F(InstalledCompressorsTest, ConfigureAndAboutOpenTheCompressorsOwnDialogs) {
    RecordingHost host;
    InstallCompressorDialogHost(&host);
    VideoFormatRecord options;
    std::string name = "Microsoft Video 1";
    VideoCompressionDialog dialog(options, name, nullptr);
    dialog.show();
    auto* configure = dialog.findChild<QPushButton*>("configureButton");
    auto* about = dialog.findChild<QPushButton*>("aboutButton");
    ASSERT_TRUE(about->isEnabled());
    about->click();
    ASSERT_TRUE(configure->isEnabled());
    configure->click();
    ASSERT_EQ(host.calls.size(), 2u);
    EXPECT_EQ(host.calls[0].dialog, "about");
    EXPECT_EQ(host.calls[1].dialog, "config");
    for (const RecordingHost::Call& call : host.calls) {
        EXPECT_EQ(call.compressor, "Microsoft Video 1");
        EXPECT_EQ(call.parent, static_cast<void*>(&dialog));
    }

    // Headless (no dialog host): no compressor offers a dialog.
    InstallCompressorDialogHost(nullptr);
    auto* list = dialog.findChild<QComboBox*>("compressorList");
    const int cinepak = list->findText("Cinepak Codec", Qt::MatchExactly);
    ASSERT_GE(cinepak, 0);
    list->setCurrentIndex(cinepak);
    emit list->activated(cinepak);
    EXPECT_FALSE(configure->isEnabled());
    EXPECT_FALSE(about->isEnabled());
    dialog.accept();
    EXPECT_EQ(name, "Cinepak Codec");
}

} // namespace
} // namespace zentar

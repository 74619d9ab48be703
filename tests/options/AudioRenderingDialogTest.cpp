#include "options/AudioRenderingDialog.h"
#include "options/OptionExchanges.h"
#include "tests/options/OptionDialogTestSupport.h"

#include <gtest/gtest.h>

#include <QRadioButton>

namespace zentar {
namespace {

class AudioRenderingDialogTest : public ::testing::Test {
protected:
    void SetUp() override { settings.KeepSettings = 0; }
    static QRadioButton* button(QWidget* dialog, const char* name) {
        return dialog->findChild<QRadioButton*>(name);
    }

    QApplication& app = test::EnsureQtApp();
    ConversionSettings settings; // defaults: keep, stereo, 16 bits, 44,100 Hz
};

TEST_F(AudioRenderingDialogTest, CancelAndKeepSettingsLeaveTheSettingsAlone) {
    test::AnswerNextModal([](QWidget* modal) {
        button(modal, "customSoundRadio")->click();
        button(modal, "monoRadio")->click();
        button(modal, "rate48000Radio")->click();
        qobject_cast<QDialog*>(modal)->reject();
    });
    ASSERT_TRUE(RunAudioRenderingExchange(nullptr, settings));
    const ConversionSettings defaults;
    EXPECT_EQ(
        (std::array{settings.KeepSound, settings.Channels, settings.Bits, settings.SampleRate}),
        (std::array{defaults.KeepSound, defaults.Channels, defaults.Bits, defaults.SampleRate}));

    settings.KeepSettings = 1;
    EXPECT_FALSE(RunAudioRenderingExchange(nullptr, settings));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
} // namespace zentar

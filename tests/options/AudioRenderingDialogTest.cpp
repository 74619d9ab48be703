#include "options/AudioRenderingDialog.h"
#include "options/OptionExchanges.h"
#include "tests/options/OptionDialogTestSupport.h"

#include <gtest/gtest.h>

#include <QRadioButton>

namespace zentar {
namespace {

const char* const kGroupButtons[] = {"monoRadio",      "stereoRadio",    "bits8Radio",
                                     "bits16Radio",    "rate11025Radio", "rate22050Radio",
                                     "rate32000Radio", "rate44100Radio", "rate48000Radio"};

class AudioRenderingDialogTest : public ::testing::Test {
protected:
    void SetUp() override { settings.KeepSettings = 0; }
    static QRadioButton* button(QWidget* dialog, const char* name) {
        return dialog->findChild<QRadioButton*>(name);
    }

    QApplication& app = test::EnsureQtApp();
    ConversionSettings settings; // defaults: keep, stereo, 16 bits, 44,100 Hz
};

TEST_F(AudioRenderingDialogTest, GroupsAreEnabledOnlyForCustomAndKeepTheirSelection) {
    AudioRenderingDialog dialog({.parametersChoice = 0, .channels = 0, .bits = 0, .frequency = 4},
                                nullptr);
    dialog.show();
    for (const char* name : kGroupButtons) {
        EXPECT_FALSE(button(&dialog, name)->isEnabled()) << name;
    }
    EXPECT_TRUE(button(&dialog, "monoRadio")->isChecked());
    EXPECT_TRUE(button(&dialog, "bits8Radio")->isChecked());
    EXPECT_TRUE(button(&dialog, "rate48000Radio")->isChecked());

    button(&dialog, "customSoundRadio")->click();
    for (const char* name : kGroupButtons) {
        EXPECT_TRUE(button(&dialog, name)->isEnabled()) << name;
    }
    button(&dialog, "stereoRadio")->click();
    button(&dialog, "rate22050Radio")->click();
    button(&dialog, "keepSoundRadio")->click();
    EXPECT_FALSE(button(&dialog, "stereoRadio")->isEnabled());
    dialog.accept();
    // The disabled groups' selection is stored all the same.
    EXPECT_EQ(dialog.values().parametersChoice, 0);
    EXPECT_EQ(dialog.values().channels, 1);
    EXPECT_EQ(dialog.values().bits, 0);
    EXPECT_EQ(dialog.values().frequency, 1);
}

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

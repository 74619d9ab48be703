#include "options/SceneDetectionDialog.h"
#include "options/OptionExchanges.h"
#include "tests/options/OptionDialogTestSupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <tuple>

namespace zentar {
namespace {

// The exchange on the settings: one field typed (with the adaptive method chosen and fades
// on), then OK; a value outside its range names the range and leaves the dialog open, so
// Cancel then discards everything. Help asks for the dialog's own topic.
TEST(SceneDetectionDialogTest, OkStoresValuesInRangeAndRefusesOthers) {
    test::EnsureQtApp();
    test::HelpRecorder help;
    // The field, its text, the message (empty: accepted).
    const std::tuple<const char*, QString, QString> cases[] = {
        {"flashGuardField", "3", ""},
        {"flashGuardField", "31", "Please enter an integer between 0 and 30."},
        {"adaptiveField", "0.5", "Please enter a number between 1 and 50."},
        {"minLengthField", "-1", "Please enter an integer between 0 and 100000."},
        {"valField", "x", "Please enter a number between 0 and 10."},
    };
    for (const auto& [field, text, expected] : cases) {
        ConversionSettings settings;
        QString message;
        QString seconds;
        test::AnswerNextModal([&](QWidget* modal) {
            modal->findChild<QComboBox*>("methodList")->setCurrentIndex(1);
            modal->findChild<QCheckBox*>("fadesCheck")->setChecked(true);
            modal->findChild<QLineEdit*>("minLengthField")->setText("50");
            seconds = modal->findChild<QLabel*>("minLengthSeconds")->text();
            modal->findChild<QPushButton*>("helpButton")->click();
            modal->findChild<QLineEdit*>(field)->setText(text);
            if (!expected.isEmpty()) // the message box closes, the dialog stays
                test::AnswerNextModal([&message](QWidget* box) {
                    message = qobject_cast<QMessageBox*>(box)->text();
                    box->close();
                });
            modal->findChild<QPushButton*>("okButton")->click();
            if (modal->isVisible())
                qobject_cast<QDialog*>(modal)->reject();
        });
        const bool stored = RunSceneDetectionExchange(nullptr, settings, "in.avi",
                                                      [](const std::string&) { return 25.0; });
        EXPECT_EQ(stored, expected.isEmpty()) << field;
        EXPECT_EQ(message, expected);
        EXPECT_EQ(seconds, "= 2.00 s at 25 frames/s");
        EXPECT_EQ(
            std::tuple(settings.DetectionMethod, settings.DetectFades, settings.MinSceneLength),
            stored ? std::tuple(1, 1, 50) : std::tuple(0, 0, 0));
    }
    EXPECT_EQ(help.topics, std::vector<uint32_t>(std::size(cases), kHelpSceneDetection));
}

} // namespace
} // namespace zentar

#include "options/HistoryComboBox.h"
#include "tests/support/qt/QtTestApp.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace zentar {
namespace {

QStringList entries(const QComboBox& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.itemText(i);
    }
    return texts;
}

class HistoryComboBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        files.setEditable(true);
        files.add_fixed("Browse for input file...");
        files.set_limits(10, 1);
    }
    QApplication& app = test::EnsureQtApp(); // before any widget member
    HistoryComboBox files;
};

// Ten names at most, newest first, the fixed entry last; a name found again (in any letter
// case) moves to the top instead of being added twice; commands and "" add nothing.
TEST_F(HistoryComboBoxTest, HistoryKeepsTenNamesNewestFirstAndTheFixedEntryLast) {
    for (int i = 1; i <= 11; ++i)
        files.push(QString("/v/clip%1.avi").arg(i));
    ASSERT_EQ(files.count(), 11);
    EXPECT_EQ(files.itemText(9), "/v/clip2.avi");
    EXPECT_EQ(files.itemText(10), "Browse for input file...");
    EXPECT_EQ(files.current(), "/v/clip11.avi");

    files.select_or_push("/V/CLIP5.AVI");
    EXPECT_EQ(files.count(), 11);
    EXPECT_EQ(files.itemText(0), "/V/CLIP5.AVI");
    EXPECT_EQ(files.itemText(1), "/v/clip11.avi");
    EXPECT_EQ(files.currentIndex(), 0);
    files.select_or_push("Browse for input file...");
    EXPECT_EQ(files.count(), 11);
    EXPECT_EQ(files.currentIndex(), 0);
    files.select_or_push("");
    EXPECT_EQ(files.currentIndex(), -1);
    EXPECT_EQ(files.count(), 11);
}

TEST_F(HistoryComboBoxTest, ClassifyTellsCommandsFromValues) {
    files.select_or_push("/v/a.avi");
    QString text;
    EXPECT_EQ(files.classify(text), -1);
    EXPECT_EQ(text, "/v/a.avi");

    files.setCurrentIndex(files.count() - 1);
    EXPECT_EQ(files.classify(text), 0);
    EXPECT_TRUE(text.isEmpty());
    EXPECT_EQ(files.lastValueText(), "/v/a.avi"); // the value shown before the command

    HistoryComboBox twoCommands;
    twoCommands.add_fixed("First");
    twoCommands.add_fixed("Second");
    twoCommands.set_limits(0, 2);
    twoCommands.setCurrentIndex(1);
    EXPECT_EQ(twoCommands.classify(text), 1);

    // Nothing selected: the edit text is classified.
    files.setTextWithoutSelection("typed by hand");
    EXPECT_EQ(files.classify(text), -1);
    EXPECT_EQ(text, "typed by hand");
}

TEST(HistoryComboBoxPlainTest, EntriesAddedToAnEmptyListLeaveTheEditTextAlone) {
    test::EnsureQtApp();
    HistoryComboBox codecs;
    codecs.setEditable(true);
    codecs.setEditText("Stored Codec");
    codecs.push("Alpha"); // no history: appended, selection unchanged
    codecs.add_fixed("Advanced...");
    codecs.set_limits(0, 1);
    codecs.push("Beta");
    EXPECT_EQ(entries(codecs), QStringList({"Alpha", "Advanced...", "Beta"}));
    EXPECT_EQ(codecs.currentIndex(), -1);
    EXPECT_EQ(codecs.currentText(), "Stored Codec");
    EXPECT_EQ(codecs.current(), "Stored Codec");

    HistoryComboBox empty;
    empty.setEditable(true);
    empty.add_fixed("Browse for input file...");
    empty.set_limits(10, 1);
    empty.select_or_push(empty.current());
    EXPECT_EQ(empty.currentIndex(), -1);
    EXPECT_EQ(empty.count(), 1);
    EXPECT_TRUE(empty.currentText().isEmpty());

    // Exact search starts after the given entry and wraps.
    for (const char* text : {"Same", "other", "same"})
        empty.addItem(text);
    EXPECT_EQ(empty.findExact("SAME"), 1);
    EXPECT_EQ(empty.findExact("same", 1), 3);
    EXPECT_EQ(empty.findExact("same", 3), 1);
    EXPECT_EQ(empty.findExact("missing", 0), -1);
}

} // namespace
} // namespace zentar

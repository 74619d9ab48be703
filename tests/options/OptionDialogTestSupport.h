// What the option-dialog tests share: a compressor source whose filters offer chosen
// dialogs (the platform's compressors offer only their own), bounded waits, recording help
// requests, and saving a dialog's picture for review.
#pragma once

#include "engine/CMyException.h"
#include "options/CompressorSource.h"
#include "options/HelpCommand.h"
#include "tests/support/qt/QtTestApp.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QWidget>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace zentar::test {

// Video compressors with the dialogs they offer; counts what the dialog creates and shows.
class TestVideoCompressors final : public VideoCompressorSource {
public:
    struct Entry {
        std::string name;
        bool compressDialogs = false; // offers the compressor-dialog interface
        bool config = false;
        bool about = false;
        bool pages = false; // property pages (without the compressor-dialog interface)
    };
    struct Counters {
        int created = 0;
        int alive = 0;
        int configShown = 0;
        int aboutShown = 0;
        int pagesShown = 0;
        void* lastParent = nullptr;
    };

    explicit TestVideoCompressors(std::vector<Entry> entries) : entries_(std::move(entries)) {}

    std::vector<std::string> names() override {
        std::vector<std::string> out;
        for (const Entry& e : entries_) {
            out.push_back(e.name);
        }
        return out;
    }
    std::unique_ptr<ChosenVideoCompressor> create(const std::string& name) override;

    Counters counters;

private:
    std::vector<Entry> entries_;
};

class TestFilter final : public ChosenVideoCompressor {
public:
    TestFilter(const TestVideoCompressors::Entry& entry, TestVideoCompressors::Counters& counters)
        : entry_(entry), counters_(counters) {
        ++counters_.created;
        ++counters_.alive;
    }
    ~TestFilter() override { --counters_.alive; }

    bool hasCompressDialogs() const override { return entry_.compressDialogs; }
    bool queryConfigDialog(void* parent) override { return note(parent), entry_.config; }
    bool queryAboutDialog(void* parent) override { return note(parent), entry_.about; }
    void showConfigDialog(void* parent) override {
        note(parent);
        ++counters_.configShown;
    }
    void showAboutDialog(void* parent) override {
        note(parent);
        ++counters_.aboutShown;
    }
    bool hasPropertyPages() const override { return entry_.pages; }
    void showPropertyPages(void* parent) override {
        note(parent);
        ++counters_.pagesShown;
    }

private:
    void note(void* parent) { counters_.lastParent = parent; }

    TestVideoCompressors::Entry entry_;
    TestVideoCompressors::Counters& counters_;
};

inline std::unique_ptr<ChosenVideoCompressor>
TestVideoCompressors::create(const std::string& name) {
    for (const Entry& e : entries_) {
        // An unreadable name (empty) cannot be created, as on the platform.
        if (e.name == name && !name.empty()) {
            return std::make_unique<TestFilter>(e, counters);
        }
    }
    throw CMyException(5);
}

inline bool WaitFor(const std::function<bool()>& condition, int limitMs = 5000) {
    return QTest::qWaitFor(condition, limitMs);
}

// Saves the widget's picture as <build>/option-dialogs/<name>.png; true when written.
inline bool SaveLook(QWidget& widget, const QString& name) {
    const QString folder = QStringLiteral(ZENTAR_BINARY_DIR "/option-dialogs");
    QDir().mkpath(folder);
    return widget.grab().save(folder + "/" + name + ".png");
}

// Records the topics the help command asks for while it lives.
class HelpRecorder {
public:
    HelpRecorder() {
        SetHelpHandler([this](QWidget*, uint32_t topic) { topics.push_back(topic); }, nullptr);
    }
    ~HelpRecorder() { SetHelpHandler(nullptr, nullptr); }
    std::vector<uint32_t> topics;
};

} // namespace zentar::test

// Readable values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '{';
    for (const QString& text : texts) {
        *out << ' ';
        PrintTo(text, out);
    }
    *out << " }";
}

// What the option-dialog tests share: a compressor source whose filters offer chosen
// dialogs (the platform's compressors offer only their own).
#pragma once

#include "engine/CMyException.h"
#include "options/CompressorSource.h"
#include "options/HelpCommand.h"
#include "tests/support/qt/QtTestApp.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <memory>
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
        int created = 0, alive = 0, configShown = 0, aboutShown = 0, pagesShown = 0;
        void* lastParent = nullptr;
    };

    explicit TestVideoCompressors(std::vector<Entry> entries) : entries_(std::move(entries)) {}

    std::vector<std::string> names() override {
        std::vector<std::string> out;
        for (const Entry& e : entries_)
            out.push_back(e.name);
        return out;
    }
    std::unique_ptr<ChosenVideoCompressor> create(const std::string& name) override {
        for (const Entry& e : entries_) {
            // An unreadable name (empty) cannot be created, as on the platform.
            if (e.name == name && !name.empty())
                return std::make_unique<Filter>(e, counters);
        }
        throw CMyException(5);
    }

    Counters counters;

private:
    class Filter final : public ChosenVideoCompressor {
    public:
        Filter(const Entry& entry, Counters& counters) : entry_(entry), counters_(counters) {
            ++counters_.created;
            ++counters_.alive;
        }
        ~Filter() override { --counters_.alive; }
        bool hasCompressDialogs() const override { return entry_.compressDialogs; }
        bool queryConfigDialog(void* parent) override { return note(parent), entry_.config; }
        bool queryAboutDialog(void* parent) override { return note(parent), entry_.about; }
        void showConfigDialog(void* parent) override { note(parent), ++counters_.configShown; }
        void showAboutDialog(void* parent) override { note(parent), ++counters_.aboutShown; }
        bool hasPropertyPages() const override { return entry_.pages; }
        void showPropertyPages(void* parent) override { note(parent), ++counters_.pagesShown; }

    private:
        void note(void* parent) { counters_.lastParent = parent; }
        Entry entry_;
        Counters& counters_;
    };

    std::vector<Entry> entries_;
};

// Records the help topics asked for while it lives.
class HelpRecorder {
public:
    HelpRecorder() {
        SetHelpHandler([this](QWidget*, uint32_t topic) { topics.push_back(topic); }, nullptr);
    }
    ~HelpRecorder() { SetHelpHandler(nullptr, nullptr); }
    std::vector<uint32_t> topics;
};

} // namespace zentar::test

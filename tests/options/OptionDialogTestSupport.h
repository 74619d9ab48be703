// What the option-dialog tests share: a compressor source of chosen names, one of which cannot
// be created, and a recorder of help requests.
#pragma once

#include "engine/CMyException.h"
#include "options/CompressorSource.h"
#include "options/HelpCommand.h"
#include "tests/support/qt/QtTestApp.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace zentar::test {

// Video compressors by name, offering no dialogs; an empty name cannot be created, as an
// unreadable one on the platform.
class TestVideoCompressors final : public VideoCompressorSource {
public:
    explicit TestVideoCompressors(std::vector<std::string> names) : names_(std::move(names)) {}

    std::vector<std::string> names() override { return names_; }
    std::unique_ptr<ChosenVideoCompressor> create(const std::string& name) override {
        if (name.empty() || std::find(names_.begin(), names_.end(), name) == names_.end())
            throw CMyException(5);
        return std::make_unique<Filter>();
    }

private:
    class Filter final : public ChosenVideoCompressor {
    public:
        bool hasCompressDialogs() const override { return false; }
        bool queryConfigDialog(void*) override { return false; }
        bool queryAboutDialog(void*) override { return false; }
        void showConfigDialog(void*) override {}
        void showAboutDialog(void*) override {}
        bool hasPropertyPages() const override { return false; }
        void showPropertyPages(void*) override {}
    };

    std::vector<std::string> names_;
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

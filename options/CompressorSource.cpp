#include "options/CompressorSource.h"

#include "engine/AviWriterGraph.h"
#include "engine/CompressorList.h"
#include "platform/media/MediaFilterInterfaces.h"
#include "platform/streaming/MediaGuids.h"

namespace zentar {

namespace {

// One video compressor created by name in a writer graph of its own, as a conversion binds
// it (so the program-wide DV encoder is the instance configured here), and removed from
// that graph again when the dialog is done with it.
class WriterGraphVideoCompressor final : public ChosenVideoCompressor {
public:
    explicit WriterGraphVideoCompressor(const std::string& name)
        : graph_(std::make_unique<AviWriterGraph>()) {
        graph_->BindVideoCompressor(name, filter_);
        filter_.As(dialogs_);
    }
    ~WriterGraphVideoCompressor() override {
        dialogs_.Reset();
        graph_->RemoveFilter(filter_.Get());
    }

    bool hasCompressDialogs() const override { return static_cast<bool>(dialogs_); }
    bool queryConfigDialog(void* parent) override {
        return dialogs_ && dialogs_->ShowDialog(VfwCompressDialog_QueryConfig, parent) == S_OK;
    }
    bool queryAboutDialog(void* parent) override {
        return dialogs_ && dialogs_->ShowDialog(VfwCompressDialog_QueryAbout, parent) == S_OK;
    }
    void showConfigDialog(void* parent) override {
        if (dialogs_) {
            dialogs_->ShowDialog(VfwCompressDialog_Config, parent);
        }
    }
    void showAboutDialog(void* parent) override {
        if (dialogs_) {
            dialogs_->ShowDialog(VfwCompressDialog_About, parent);
        }
    }
    // The platform's compressors configure themselves through their own dialogs only.
    bool hasPropertyPages() const override { return false; }
    void showPropertyPages(void* /*parent*/) override {}
    std::string preset() const override {
        std::string preset;
        if (auto config = filter_.As<IConfigVideoEncoder>())
            config->GetPreset(&preset);
        return preset;
    }
    void setPreset(const std::string& preset) override {
        if (auto config = filter_.As<IConfigVideoEncoder>())
            config->SetPreset(preset.c_str());
    }

private:
    std::unique_ptr<AviWriterGraph> graph_;
    ComPtr<IBaseFilter> filter_;
    ComPtr<IAMVfwCompressDialogs> dialogs_;
};

class InstalledVideoCompressorSource final : public VideoCompressorSource {
public:
    std::vector<std::string> names() override {
        CompressorList list;
        list.build(CLSID_VideoCompressorCategory);
        return list.names();
    }
    std::unique_ptr<ChosenVideoCompressor> create(const std::string& name) override {
        return std::make_unique<WriterGraphVideoCompressor>(name);
    }
};

} // namespace

VideoCompressorSource& InstalledVideoCompressors() {
    static InstalledVideoCompressorSource source;
    return source;
}

std::vector<std::string> InstalledAudioCompressorNames() {
    CompressorList list;
    list.build(CLSID_AudioCompressorCategory);
    std::vector<std::string> names = list.names();
    std::erase(names, std::string()); // unreadable names are left out here
    return names;
}

} // namespace zentar

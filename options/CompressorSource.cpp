#include "options/CompressorSource.h"

#include "engine/CMyException.h"
#include "platform/com/ComPtr.h"
#include "platform/media/DeviceEnumInterfaces.h"
#include "platform/media/MediaFilterInterfaces.h"
#include "platform/media/SystemDeviceEnum.h"
#include "platform/streaming/StreamingInterfaces.h"

#include <optional>

namespace zentar {

namespace {

constexpr int32_t kCompressorBindingFailure = 5;

// The monikers of one device category in enumeration order (none when the category is
// empty or cannot be enumerated).
std::vector<ComPtr<IMoniker>> CategoryMonikers(REFCLSID category) {
    std::vector<ComPtr<IMoniker>> monikers;
    ComPtr<ICreateDevEnum> devices(MakeComObject<SystemDeviceEnum>().Get());
    ComPtr<IEnumMoniker> walk;
    if (!devices || devices->CreateClassEnumerator(category, walk.GetAddressOf(), 0) != S_OK ||
        !walk || FAILED(walk->Reset())) {
        return monikers;
    }
    for (;;) {
        ComPtr<IMoniker> moniker;
        if (walk->Next(1, moniker.GetAddressOf(), nullptr) != S_OK) {
            return monikers;
        }
        monikers.push_back(std::move(moniker));
    }
}

// The "FriendlyName" of a device, or nullopt when it cannot be read.
std::optional<std::string> FriendlyName(IMoniker& moniker) {
    ComPtr<IPropertyBag> bag;
    if (FAILED(
            moniker.BindToStorage(nullptr, nullptr, IPropertyBag::kIid, bag.GetVoidAddressOf()))) {
        return std::nullopt;
    }
    VARIANT value;
    VariantInit(&value);
    std::optional<std::string> name;
    if (SUCCEEDED(bag->Read(u"FriendlyName", &value, nullptr)) &&
        SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BSTR)) && value.bstrVal != nullptr) {
        name = Utf8FromWide(value.bstrVal);
    }
    VariantClear(&value);
    return name;
}

// One created compressor filter and the dialog interface it offers, if any.
class DeviceVideoCompressor final : public VideoCompressorFilter {
public:
    explicit DeviceVideoCompressor(ComPtr<IBaseFilter> filter) : filter_(std::move(filter)) {
        filter_.As(dialogs_);
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

private:
    ComPtr<IBaseFilter> filter_;
    ComPtr<IAMVfwCompressDialogs> dialogs_;
};

// The system's video compressors, as the system device enumerator lists them.
class InstalledVideoCompressorSource final : public VideoCompressorSource {
public:
    std::vector<std::string> names() override {
        std::vector<std::string> names;
        for (const ComPtr<IMoniker>& moniker : CategoryMonikers(CLSID_VideoCompressorCategory)) {
            names.push_back(FriendlyName(*moniker).value_or(std::string()));
        }
        return names;
    }

    // The first compressor whose name matches byte for byte.
    std::unique_ptr<VideoCompressorFilter> create(const std::string& name) override {
        for (const ComPtr<IMoniker>& moniker : CategoryMonikers(CLSID_VideoCompressorCategory)) {
            if (FriendlyName(*moniker) != name) {
                continue;
            }
            ComPtr<IBaseFilter> filter;
            if (FAILED(moniker->BindToObject(nullptr, nullptr, IBaseFilter::kIid,
                                             filter.GetVoidAddressOf())) ||
                !filter) {
                break;
            }
            return std::make_unique<DeviceVideoCompressor>(std::move(filter));
        }
        throw CMyException(kCompressorBindingFailure);
    }
};

} // namespace

VideoCompressorSource& InstalledVideoCompressors() {
    static InstalledVideoCompressorSource source;
    return source;
}

std::vector<std::string> InstalledAudioCompressorNames() {
    std::vector<std::string> names;
    for (const ComPtr<IMoniker>& moniker : CategoryMonikers(CLSID_AudioCompressorCategory)) {
        if (std::optional<std::string> name = FriendlyName(*moniker)) {
            names.push_back(std::move(*name));
        }
    }
    return names;
}

} // namespace zentar

#include "platform/media/SystemDeviceEnum.h"

#include "platform/media/CompressorMoniker.h"

#include <vector>

namespace zentar {

namespace {

// A snapshot of one category's monikers, walked by one caller.
class MonikerEnumerator : public ComObject<IEnumMoniker> {
public:
    explicit MonikerEnumerator(std::vector<ComPtr<IMoniker>> items) : items_(std::move(items)) {}

    HRESULT Next(ULONG count, IMoniker** out, ULONG* fetched) override {
        if (!out)
            return E_POINTER;
        ULONG given = 0;
        while (given < count && pos_ < items_.size())
            items_[pos_++].CopyTo(&out[given++]);
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const size_t left = items_.size() - pos_;
        pos_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        pos_ = 0;
        return S_OK;
    }

private:
    std::vector<ComPtr<IMoniker>> items_;
    size_t pos_ = 0;
};

} // namespace

HRESULT SystemDeviceEnum::CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                                DWORD /*flags*/) {
    if (!enumerator)
        return E_POINTER;
    *enumerator = nullptr;
    StreamKind kind;
    if (category == CLSID_VideoCompressorCategory)
        kind = StreamKind::Video;
    else if (category == CLSID_AudioCompressorCategory)
        kind = StreamKind::Audio;
    else
        return S_FALSE;
    std::vector<ComPtr<IMoniker>> monikers;
    for (const CompressorInfo& info : CompressorCatalog::list(kind)) {
        ComPtr<CompressorMoniker> moniker = MakeComObject<CompressorMoniker>(info);
        if (!moniker)
            return E_OUTOFMEMORY;
        monikers.emplace_back(moniker.Get());
    }
    if (monikers.empty())
        return S_FALSE;
    ComPtr<MonikerEnumerator> list = MakeComObject<MonikerEnumerator>(std::move(monikers));
    if (!list)
        return E_OUTOFMEMORY;
    *enumerator = list.Detach();
    return S_OK;
}

} // namespace zentar

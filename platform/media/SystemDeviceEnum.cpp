#include "platform/media/SystemDeviceEnum.h"

#include "platform/media/CompressorMoniker.h"
#include "platform/streaming/Enumerators.h"

#include <optional>
#include <vector>

namespace zentar {

namespace {

// A snapshot of one category's monikers, walked by one caller.
using MonikerEnumerator = ComEnumerator<IEnumMoniker, IMoniker>;

} // namespace

HRESULT SystemDeviceEnum::CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                                DWORD /*flags*/) {
    if (!enumerator)
        return E_POINTER;
    *enumerator = nullptr;
    std::vector<ComPtr<IMoniker>> monikers;
    std::optional<StreamKind> kind;
    if (category == CLSID_VideoCompressorCategory)
        kind = StreamKind::Video;
    else if (category == CLSID_AudioCompressorCategory)
        kind = StreamKind::Audio;
    static const std::vector<CompressorInfo> none;
    for (const CompressorInfo& info : kind ? CompressorCatalog::list(*kind) : none) {
        ComPtr<CompressorMoniker> moniker = MakeComObject<CompressorMoniker>(info);
        if (!moniker)
            return E_OUTOFMEMORY;
        monikers.emplace_back(moniker.Get());
    }
    for (FilterRegistry::Device& device : FilterRegistry::Devices(category)) {
        ComPtr<RegisteredDeviceMoniker> moniker =
            MakeComObject<RegisteredDeviceMoniker>(std::move(device));
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

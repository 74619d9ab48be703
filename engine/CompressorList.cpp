#include "engine/CompressorList.h"

#include "platform/com/Bstr.h"
#include "platform/media/DeviceEnumInterfaces.h"
#include "platform/media/MediaRegistration.h"
#include "platform/streaming/FilterRegistry.h"

namespace zentar {

namespace {

// In-process server, in-process handler, local server.
constexpr DWORD kDeviceEnumContext = 7;
constexpr DWORD kEnumeratorFlags = 1;

} // namespace

CompressorList::CompressorList() = default;
CompressorList::~CompressorList() = default;

HRESULT CompressorList::build(const CLSID& category) {
    monikers_.clear();
    RegisterMediaFilters();
    ComPtr<ICreateDevEnum> devices;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, kDeviceEnumContext,
                                  IID_ICreateDevEnum, devices.GetVoidAddressOf());
    if (FAILED(hr))
        return hr;
    ComPtr<IEnumMoniker> enumerator;
    hr = devices->CreateClassEnumerator(category, enumerator.GetAddressOf(), kEnumeratorFlags);
    if (hr != S_OK)
        return hr; // S_FALSE: the category is empty
    if (!enumerator)
        return E_POINTER;
    hr = enumerator->Reset();
    if (FAILED(hr))
        return hr;
    for (;;) {
        ComPtr<IMoniker> moniker;
        hr = enumerator->Next(1, moniker.GetAddressOf(), nullptr);
        if (hr != S_OK)
            break;
        if (moniker)
            monikers_.push_back(std::move(moniker));
    }
    return hr == S_FALSE ? S_OK : hr;
}

HRESULT CompressorList::name_at(int i, std::string& name) const {
    name.clear();
    if (i < 0 || i >= count())
        return E_INVALIDARG;
    ComPtr<IPropertyBag> bag;
    HRESULT hr = monikers_[static_cast<size_t>(i)]->BindToStorage(
        nullptr, nullptr, IID_IPropertyBag, bag.GetVoidAddressOf());
    if (FAILED(hr))
        return hr;
    if (!bag)
        return E_POINTER;
    VARIANT value;
    VariantInit(&value);
    hr = VariantChangeType(&value, &value, 0, VT_BSTR);
    if (SUCCEEDED(hr))
        hr = bag->Read(u"FriendlyName", &value, nullptr);
    if (SUCCEEDED(hr))
        hr = VariantChangeType(&value, &value, 0, VT_BSTR);
    if (SUCCEEDED(hr) && value.bstrVal)
        name = Utf8FromWide(std::u16string_view(value.bstrVal, SysStringLen(value.bstrVal)));
    VariantClear(&value);
    return FAILED(hr) ? hr : S_OK;
}

int CompressorList::index_of(const std::string& name) const {
    std::string candidate;
    for (int i = 0; i < count(); ++i) {
        if (SUCCEEDED(name_at(i, candidate)) && candidate == name)
            return i;
    }
    return -1;
}

HRESULT CompressorList::create(const std::string& name, REFIID iid, void** object) const {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    const int index = index_of(name);
    if (index < 0)
        return E_FAIL;
    return monikers_[static_cast<size_t>(index)]->BindToObject(nullptr, nullptr, iid, object);
}

std::vector<std::string> CompressorList::names() const {
    std::vector<std::string> result;
    result.reserve(monikers_.size());
    std::string name;
    for (int i = 0; i < count(); ++i) {
        name_at(i, name);
        result.push_back(name);
    }
    return result;
}

} // namespace zentar

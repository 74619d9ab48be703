#include "platform/media/CompressorMoniker.h"

#include "platform/media/AudioCompressorFilter.h"
#include "platform/media/VideoCompressorFilter.h"

namespace zentar {

HRESULT CompressorMoniker::BindToObject(IBindCtx* /*context*/, IMoniker* /*left*/, REFIID iid,
                                        void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (info_.kind == StreamKind::Video) {
        ComPtr<VideoCompressorFilter> filter = MakeComObject<VideoCompressorFilter>(info_);
        return filter ? filter->QueryInterface(iid, object) : E_OUTOFMEMORY;
    }
    ComPtr<AudioCompressorFilter> filter = MakeComObject<AudioCompressorFilter>(info_);
    return filter ? filter->QueryInterface(iid, object) : E_OUTOFMEMORY;
}

HRESULT CompressorMoniker::BindToStorage(IBindCtx* /*context*/, IMoniker* /*left*/, REFIID iid,
                                         void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    ComPtr<DevicePropertyBag> bag =
        MakeComObject<DevicePropertyBag>(WideFromUtf8(info_.friendlyName));
    return bag ? bag->QueryInterface(iid, object) : E_OUTOFMEMORY;
}

HRESULT RegisteredDeviceMoniker::BindToObject(IBindCtx* /*context*/, IMoniker* /*left*/, REFIID iid,
                                              void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    return device_.factory ? device_.factory(iid, object) : E_FAIL;
}

HRESULT RegisteredDeviceMoniker::BindToStorage(IBindCtx* /*context*/, IMoniker* /*left*/,
                                               REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    ComPtr<DevicePropertyBag> bag = MakeComObject<DevicePropertyBag>(device_.friendlyName);
    return bag ? bag->QueryInterface(iid, object) : E_OUTOFMEMORY;
}

HRESULT DevicePropertyBag::Read(LPCWSTR name, VARIANT* value, IErrorLog* /*log*/) {
    if (!name || !value)
        return E_POINTER;
    if (std::u16string_view(name) != u"FriendlyName")
        return E_INVALIDARG;
    BSTR text = SysAllocString(friendlyName_.c_str());
    if (!text)
        return E_OUTOFMEMORY;
    VariantClear(value);
    value->vt = VT_BSTR;
    value->bstrVal = text;
    return S_OK;
}

HRESULT DevicePropertyBag::Write(LPCWSTR /*name*/, VARIANT* /*value*/) {
    return E_ACCESSDENIED; // the device's properties are fixed
}

} // namespace zentar

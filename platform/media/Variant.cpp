#include "platform/media/DeviceEnumInterfaces.h"

#include <string>

namespace zentar {

void VariantInit(VARIANT* value) {
    if (value) {
        value->vt = VT_EMPTY;
        value->lVal = 0;
    }
}

HRESULT VariantClear(VARIANT* value) {
    if (!value)
        return E_POINTER;
    if (value->vt == VT_BSTR)
        SysFreeString(value->bstrVal);
    VariantInit(value);
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* target, const VARIANT* source, uint16_t /*flags*/,
                          VARTYPE type) {
    if (!target || !source)
        return E_POINTER;
    if (type != VT_BSTR)
        return source->vt == type && target == source ? S_OK : DISP_E_TYPEMISMATCH;
    BSTR converted = nullptr;
    switch (source->vt) {
    case VT_EMPTY:
        converted = SysAllocString(u"");
        break;
    case VT_I4:
        converted = SysAllocString(WideFromUtf8(std::to_string(source->lVal)).c_str());
        break;
    case VT_BSTR:
        if (target == source)
            return S_OK;
        converted = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
        break;
    default:
        return DISP_E_TYPEMISMATCH;
    }
    if (!converted)
        return E_OUTOFMEMORY;
    VariantClear(target);
    target->vt = VT_BSTR;
    target->bstrVal = converted;
    return S_OK;
}

} // namespace zentar

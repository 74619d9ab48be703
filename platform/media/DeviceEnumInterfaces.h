// The interfaces of the system device enumerator as the compressor lists call them: the
// enumerator (ICreateDevEnum), the category's moniker list (IEnumMoniker), one device's
// moniker (IMoniker: its property bag and its object) and the property bag that holds the
// "FriendlyName" as a VARIANT carrying a BSTR. Also the small VARIANT helpers those calls
// need. SystemDeviceEnum implements them; callers use any thread, one object at a time.
#pragma once

#include "platform/com/Bstr.h"
#include "platform/com/Unknown.h"
#include "platform/streaming/MediaGuids.h"

#include <cstdint>

namespace zentar {

using VARTYPE = uint16_t;
inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_I4 = 3;
inline constexpr VARTYPE VT_BSTR = 8;

// A tagged value; only the kinds the property bag hands out are supported.
struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    union {
        LONG lVal;
        BSTR bstrVal;
    };
    VARIANT() : lVal(0) {}
};

void VariantInit(VARIANT* value);
// Frees a BSTR the variant owns and empties it.
HRESULT VariantClear(VARIANT* value);
// Converts `source` to `type` into `target` (which may be the same variant). Empty and
// 32-bit integers become strings; strings stay strings. DISP_E_TYPEMISMATCH otherwise.
HRESULT VariantChangeType(VARIANT* target, const VARIANT* source, uint16_t flags, VARTYPE type);

inline constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005);

struct IBindCtx; // never used: every bind here runs without a bind context
struct IErrorLog;

struct IPropertyBag : IUnknown {
    static constexpr GUID kIid = IID_IPropertyBag;
    // Fills `value` (cleared first) with the property; E_INVALIDARG for an unknown name.
    virtual HRESULT Read(LPCWSTR name, VARIANT* value, IErrorLog* log) = 0;
    virtual HRESULT Write(LPCWSTR name, VARIANT* value) = 0;
};

struct IMoniker : IUnknown {
    static constexpr GUID kIid = IID_IMoniker;
    // Creates the device's object (a compressor filter) and returns interface `iid`.
    virtual HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID iid, void** object) = 0;
    // The device's storage: IPropertyBag with "FriendlyName".
    virtual HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid, void** object) = 0;
};

struct IEnumMoniker : IUnknown {
    static constexpr GUID kIid = MakeGuid("{00000102-0000-0000-C000-000000000046}");
    virtual HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
};

struct ICreateDevEnum : IUnknown {
    static constexpr GUID kIid = IID_ICreateDevEnum;
    // S_OK with an enumerator; S_FALSE and no enumerator when the category is empty or
    // unknown.
    virtual HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                          DWORD flags) = 0;
};

} // namespace zentar

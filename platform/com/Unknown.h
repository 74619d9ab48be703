// IUnknown: the root of every reference-counted interface. An object hands out
// interface pointers through QueryInterface, each carrying one reference; Release
// frees the object when the last reference goes. Interfaces declare their identifier
// as `static constexpr GUID kIid` so that ComPtr::As and ComObject find it.
#pragma once

#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

namespace zentar {

struct IUnknown {
    static constexpr GUID kIid = MakeGuid("{00000000-0000-0000-C000-000000000046}");

    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    // Objects are destroyed through Release only.
    virtual ~IUnknown() = default;
};

inline constexpr GUID IID_IUnknown = IUnknown::kIid;

} // namespace zentar

// CreateFilter<T>: constructs one of the program's own filters directly (they are never
// registered) and returns its IBaseFilter with one reference, or null with
// E_OUTOFMEMORY in *result when it cannot be built.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/streaming/StreamingInterfaces.h"

#include <new>

namespace zentar {

template <class T> ComPtr<IBaseFilter> CreateFilter(HRESULT* result) {
    ComPtr<IBaseFilter> filter;
    try {
        filter = ComPtr<IBaseFilter>(MakeComObject<T>().Get());
    } catch (const std::bad_alloc&) {
        filter = nullptr;
    }
    if (result)
        *result = filter ? S_OK : E_OUTOFMEMORY;
    return filter;
}

} // namespace zentar

// Sizing a pin's allocator: at least `count` buffers of at least `bytes` bytes each, or a
// failure when the allocator cannot give that much. Used by the media filters' output
// pins in DecideBufferSize (control thread, at connection).
#pragma once

#include "platform/streaming/StreamingInterfaces.h"

#include <algorithm>

namespace zentar {

inline HRESULT RequestBuffers(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* request, LONG count,
                              LONG bytes) {
    request->cBuffers = std::max(request->cBuffers, count);
    request->cbBuffer = std::max(request->cbBuffer, bytes);
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < bytes ? E_FAIL : S_OK;
}

} // namespace zentar

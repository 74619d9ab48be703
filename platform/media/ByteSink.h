// ByteSink: where a muxer's bytes go, with random access (an AVI header is rewritten at the
// end). The "File writer" implements it over a file; tests may implement it in memory.
// Called on the muxer's thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/com/HResult.h"

namespace zentar {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Writes all `size` bytes at the current position; a failure code otherwise
    // (STG_E_MEDIUMFULL when the device is full).
    virtual HRESULT write(const uint8_t* data, size_t size) = 0;
    // Moves the current position to `offset` bytes from the start.
    virtual HRESULT seek(int64_t offset) = 0;
    virtual int64_t position() const = 0;
    virtual int64_t size() const = 0;
    // Cuts the data back to its first `size` bytes (also after a failed write); E_NOTIMPL
    // where the sink cannot.
    virtual HRESULT truncate(int64_t /*size*/) { return E_NOTIMPL; }
};

} // namespace zentar

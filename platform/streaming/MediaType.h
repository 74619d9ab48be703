// MediaType: the description of a stream that pins negotiate (major type, subtype,
// sample flags, format type and the format block as owned bytes). A value type: copies
// are deep, FreeMediaType releases the format block. Also the bitmap helpers that
// size an uncompressed image and name its RGB subtype. No threads of its own.
#pragma once

#include "platform/com/Guid.h"
#include "platform/com/HResult.h"
#include "platform/streaming/FormatStructs.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace zentar {

struct MediaType {
    GUID majortype = GUID_NULL;
    GUID subtype = GUID_NULL;
    BOOL bFixedSizeSamples = TRUE;
    BOOL bTemporalCompression = FALSE;
    ULONG lSampleSize = 1;
    GUID formattype = GUID_NULL;
    std::vector<BYTE> format; // the format block; empty when there is none

    ULONG cbFormat() const { return static_cast<ULONG>(format.size()); }
    BYTE* pbFormat() { return format.empty() ? nullptr : format.data(); }
    const BYTE* pbFormat() const { return format.empty() ? nullptr : format.data(); }

    // Replaces the format block by `size` zeroed bytes and returns them (nullptr for 0).
    BYTE* AllocFormatBuffer(size_t size);
    // Replaces the format block by a copy of `size` bytes (none when data is null).
    void SetFormat(const void* data, size_t size);
    // The format block as a T when it holds at least sizeof(T) bytes, else nullptr.
    // The block's storage is allocated with new, so it is aligned for every format struct.
    template <class T> T* FormatAs() {
        return format.size() >= sizeof(T) ? reinterpret_cast<T*>(format.data()) : nullptr;
    }
    template <class T> const T* FormatAs() const {
        return format.size() >= sizeof(T) ? reinterpret_cast<const T*>(format.data()) : nullptr;
    }

    // Full equality: every field including the format bytes.
    bool operator==(const MediaType& other) const = default;

    // True when this (a possibly partial type: GUID_NULL fields and a missing format
    // block mean "any") is matched by `offered`: major type, subtype and format type
    // equal wherever this one is not GUID_NULL, and, when this one names a format
    // type, a format block of the same length and bytes.
    bool MatchesPartial(const MediaType& offered) const;
    // True when the major type or the format type is GUID_NULL.
    bool IsPartiallySpecified() const { return majortype == GUID_NULL || formattype == GUID_NULL; }
};

// Deep copy; returns E_OUTOFMEMORY when the format block cannot be allocated.
HRESULT CopyMediaType(MediaType* target, const MediaType* source);
// Releases the format block and resets the format type.
void FreeMediaType(MediaType& type);

// Bytes of an uncompressed image: rows of width * bits rounded up to 4 bytes, times
// |height|. For compressed headers (not BI_RGB/BI_BITFIELDS) biSizeImage is returned.
DWORD GetBitmapSize(const BITMAPINFOHEADER* header);
// The subtype of a bitmap header: for BI_RGB the RGB subtype of its bit count
// (RGB1, RGB4, RGB8, RGB555, RGB24, RGB32), for a FourCC compression the FourCC
// subtype; GUID_NULL for anything else.
GUID GetBitmapSubtype(const BITMAPINFOHEADER* header);

} // namespace zentar

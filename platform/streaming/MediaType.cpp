#include "platform/streaming/MediaType.h"

#include "platform/streaming/MediaGuids.h"

#include <new>

namespace zentar {

BYTE* MediaType::AllocFormatBuffer(size_t size) {
    format.assign(size, 0);
    return pbFormat();
}

void MediaType::SetFormat(const void* data, size_t size) {
    if (!data || size == 0) {
        format.clear();
        return;
    }
    const auto* bytes = static_cast<const BYTE*>(data);
    format.assign(bytes, bytes + size);
}

bool MediaType::MatchesPartial(const MediaType& offered) const {
    if (majortype != GUID_NULL && majortype != offered.majortype)
        return false;
    if (subtype != GUID_NULL && subtype != offered.subtype)
        return false;
    if (formattype != GUID_NULL) {
        if (formattype != offered.formattype)
            return false;
        if (format != offered.format)
            return false;
    }
    return true;
}

HRESULT CopyMediaType(MediaType* target, const MediaType* source) {
    if (!target || !source)
        return E_POINTER;
    if (target == source)
        return S_OK;
    try {
        *target = *source;
    } catch (const std::bad_alloc&) {
        FreeMediaType(*target);
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void FreeMediaType(MediaType& type) {
    std::vector<BYTE>().swap(type.format);
    type.formattype = GUID_NULL;
}

DWORD GetBitmapSize(const BITMAPINFOHEADER* header) {
    if (!header)
        return 0;
    if (header->biCompression != BI_RGB && header->biCompression != BI_BITFIELDS)
        return header->biSizeImage;
    const uint64_t width = header->biWidth < 0 ? -static_cast<int64_t>(header->biWidth)
                                               : static_cast<int64_t>(header->biWidth);
    const uint64_t height = header->biHeight < 0 ? -static_cast<int64_t>(header->biHeight)
                                                 : static_cast<int64_t>(header->biHeight);
    const uint64_t rowBytes = ((width * header->biBitCount + 31) / 32) * 4;
    const uint64_t total = rowBytes * height;
    // A header too large for 32 bits describes no real image; 0 makes callers refuse it.
    return total > 0xFFFFFFFFu ? 0 : static_cast<DWORD>(total);
}

GUID GetBitmapSubtype(const BITMAPINFOHEADER* header) {
    if (!header)
        return GUID_NULL;
    if (header->biCompression == BI_RGB) {
        switch (header->biBitCount) {
        case 1:
            return MEDIASUBTYPE_RGB1;
        case 4:
            return MEDIASUBTYPE_RGB4;
        case 8:
            return MEDIASUBTYPE_RGB8;
        case 16:
            return MEDIASUBTYPE_RGB555;
        case 24:
            return MEDIASUBTYPE_RGB24;
        case 32:
            return MEDIASUBTYPE_RGB32;
        default:
            return GUID_NULL;
        }
    }
    if (header->biCompression == BI_BITFIELDS)
        return header->biBitCount == 16 ? MEDIASUBTYPE_RGB565 : MEDIASUBTYPE_RGB32;
    return FourCCGuid(header->biCompression);
}

} // namespace zentar

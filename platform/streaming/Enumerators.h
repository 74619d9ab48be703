// Snapshot enumerators for pins, filters and media types: each holds the items as they
// were when it was made (so a list that changes later cannot invalidate it) and is
// used by the one thread that asked for it.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/streaming/StreamingInterfaces.h"

#include <vector>

namespace zentar {

template <class Enum, class Item> class ComEnumerator : public ComObject<Enum> {
public:
    explicit ComEnumerator(std::vector<ComPtr<Item>> items) : items_(std::move(items)) {}

    HRESULT Next(ULONG count, Item** out, ULONG* fetched) override {
        if (!out)
            return E_POINTER;
        ULONG given = 0;
        while (given < count && pos_ < items_.size())
            items_[pos_++].CopyTo(&out[given++]);
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const size_t left = items_.size() - pos_;
        pos_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        pos_ = 0;
        return S_OK;
    }

private:
    std::vector<ComPtr<Item>> items_;
    size_t pos_ = 0;
};

using PinEnumerator = ComEnumerator<IEnumPins, IPin>;
using FilterEnumerator = ComEnumerator<IEnumFilters, IBaseFilter>;

class MediaTypeEnumerator : public ComObject<IEnumMediaTypes> {
public:
    explicit MediaTypeEnumerator(std::vector<MediaType> types) : types_(std::move(types)) {}

    HRESULT Next(ULONG count, MediaType* out, ULONG* fetched) override {
        if (!out)
            return E_POINTER;
        ULONG given = 0;
        while (given < count && pos_ < types_.size())
            out[given++] = types_[pos_++];
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        const size_t left = types_.size() - pos_;
        pos_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        pos_ = 0;
        return S_OK;
    }

private:
    std::vector<MediaType> types_;
    size_t pos_ = 0;
};

} // namespace zentar

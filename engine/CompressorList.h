// CompressorList: the installed filters of one compressor category (video or audio), as the
// platform's system device enumerator lists them: count, friendly name by index, lookup of a
// name (exact, first match in enumeration order) and creation of the filter for a name.
// Names are read from the device monikers on every request, never cached; the order is the
// enumeration order and never changes. The writer graph binds compressors by name through
// it and the window's lists are filled from it, so it lives in the engine and stays Qt-free.
//
// Owns one reference per moniker. Used from the thread that built it (the UI thread or the
// conversion's thread).
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/Guid.h"
#include "platform/com/HResult.h"

#include <string>
#include <vector>

namespace zentar {

struct IMoniker;

class CompressorList {
public:
    CompressorList();
    ~CompressorList();
    CompressorList(const CompressorList&) = delete;
    CompressorList& operator=(const CompressorList&) = delete;

    // Empties the list and enumerates `category`. S_OK when the enumeration ran to its end,
    // S_FALSE when the category is empty, a failure code when the enumerator could not be
    // created; the list stays empty in the last two cases.
    HRESULT build(const CLSID& category);
    int count() const { return static_cast<int>(monikers_.size()); }
    // The friendly name of entry i (UTF-8). `name` is emptied first; E_INVALIDARG when i is
    // out of range, the platform's failure code when the name cannot be read.
    HRESULT name_at(int i, std::string& name) const;
    // The lowest index whose friendly name equals `name` byte for byte, or -1.
    int index_of(const std::string& name) const;
    // Binds the moniker of `name` to an object and returns interface `iid` of it; E_FAIL
    // (and no object) when the name is not listed.
    HRESULT create(const std::string& name, REFIID iid, void** object) const;
    template <class I> HRESULT create(const std::string& name, ComPtr<I>& object) const {
        return create(name, I::kIid, object.GetVoidAddressOf());
    }

    // Every friendly name in enumeration order (an unreadable name is an empty entry).
    std::vector<std::string> names() const;

private:
    std::vector<ComPtr<IMoniker>> monikers_;
};

} // namespace zentar

// WinMediaLibrary: the Windows Media writer library loaded at run time (libasfbridge.so,
// first beside the executable, then through the system's library search) and its entry
// point CreateWinMediaWriter. A missing library or entry point is a state, not an error:
// createWriter then fails and the callers decide what that means. The main window and
// each conversion job own one each; the library must outlive every writer it created.
// Used from the thread that owns it.
#pragma once

#include "asfbridge/WinMediaWriter.h"
#include "platform/com/ComPtr.h"
#include "platform/com/HResult.h"
#include "platform/system/DynamicLibrary.h"

#include <memory>
#include <string>
#include <vector>

namespace zentar {

using WinMediaWriter = asfbridge::WinMediaWriter;

class WinMediaLibrary {
public:
    static constexpr const char* kLibraryName = "libasfbridge.so";

    // Beside the executable first, then the system's search.
    WinMediaLibrary();
    // The first of candidates (paths or bare names) that loads; for tests and tools.
    explicit WinMediaLibrary(const std::vector<std::string>& candidates);
    ~WinMediaLibrary();
    WinMediaLibrary(const WinMediaLibrary&) = delete;
    WinMediaLibrary& operator=(const WinMediaLibrary&) = delete;

    // True when the library and its entry point were found.
    bool available() const { return create_ != nullptr; }
    // The path or name the library was loaded by ("" when missing).
    std::string loadedFrom() const;

    // A new writer; E_FAIL-style negative result when the library is missing or the
    // entry point fails (writer then stays empty).
    HRESULT createWriter(ComPtr<WinMediaWriter>& writer) const;

private:
    void load(const std::vector<std::string>& candidates);

    std::unique_ptr<DynamicLibrary> library_;
    asfbridge::CreateWinMediaWriterFn create_ = nullptr;
};

} // namespace zentar

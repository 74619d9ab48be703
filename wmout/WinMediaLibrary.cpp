#include "wmout/WinMediaLibrary.h"

#include "platform/system/System.h"

namespace zentar {

namespace {
std::vector<std::string> defaultCandidates() {
    std::vector<std::string> candidates;
    const std::string exe = GetModuleFileName();
    if (const auto slash = exe.rfind('/'); slash != std::string::npos)
        candidates.push_back(exe.substr(0, slash) + "/" + WinMediaLibrary::kLibraryName);
    candidates.push_back(WinMediaLibrary::kLibraryName);
    return candidates;
}
} // namespace

WinMediaLibrary::WinMediaLibrary() {
    load(defaultCandidates());
}

WinMediaLibrary::WinMediaLibrary(const std::vector<std::string>& candidates) {
    load(candidates);
}

WinMediaLibrary::~WinMediaLibrary() {
    // The entry point goes before the code it points into.
    create_ = nullptr;
    library_.reset();
}

void WinMediaLibrary::load(const std::vector<std::string>& candidates) {
    for (const auto& candidate : candidates) {
        library_ = DynamicLibrary::Load(candidate);
        if (library_)
            break;
    }
    if (library_)
        create_ = reinterpret_cast<asfbridge::CreateWinMediaWriterFn>(
            library_->GetProcAddress(asfbridge::kCreateWinMediaWriterName));
}

std::string WinMediaLibrary::loadedFrom() const {
    return library_ ? library_->path() : std::string();
}

HRESULT WinMediaLibrary::createWriter(ComPtr<WinMediaWriter>& writer) const {
    writer.Reset();
    if (!create_)
        return E_FAIL;
    const HRESULT hr = create_(writer.GetAddressOf());
    if (FAILED(hr)) {
        writer.Reset();
        return hr;
    }
    return writer ? S_OK : E_POINTER;
}

} // namespace zentar

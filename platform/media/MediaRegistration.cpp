#include "platform/media/MediaRegistration.h"

#include <mutex>

#include "platform/com/Bstr.h"
#include "platform/media/FileSourceFilter.h"
#include "platform/streaming/FilterRegistry.h"

namespace zentar {

void RegisterMediaFilters() {
    static std::once_flag once;
    std::call_once(once, [] {
        FilterRegistry::RegisterSourceFilter([](LPCWSTR fileName, ComPtr<IBaseFilter>& filter) {
            if (fileName == nullptr) {
                return E_POINTER;
            }
            ComPtr<FileSourceFilter> source;
            const HRESULT hr = FileSourceFilter::Create(Utf8FromWide(fileName), source);
            if (FAILED(hr)) {
                return hr;
            }
            filter = source;
            return S_OK;
        });
    });
}

} // namespace zentar

#include "platform/media/MediaRegistration.h"

#include <mutex>

#include "platform/com/Bstr.h"
#include "platform/media/AcmWrapperFilter.h"
#include "platform/media/AviMuxFilter.h"
#include "platform/media/DvMuxerFilter.h"
#include "platform/media/FileSourceFilter.h"
#include "platform/media/FileWriterFilter.h"
#include "platform/media/SystemDeviceEnum.h"
#include "platform/streaming/FilterRegistry.h"

namespace zentar {

namespace {

// A class factory for CoCreateInstance: a new T (made with `args`), asked for `iid`.
template <class T, auto... args> ClassFactory classFactory() {
    return [](REFIID iid, void** object) -> HRESULT {
        ComPtr<T> created = MakeComObject<T>(args...);
        return created ? created->QueryInterface(iid, object) : E_OUTOFMEMORY;
    };
}

} // namespace

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
        FilterRegistry::RegisterClass(CLSID_SystemDeviceEnum, classFactory<SystemDeviceEnum>());
        FilterRegistry::RegisterClass(CLSID_AviDest, classFactory<AviMuxFilter>());
        FilterRegistry::RegisterClass(CLSID_Mp4Mux,
                                      classFactory<AviMuxFilter, OutputContainer::Mp4>());
        FilterRegistry::RegisterClass(CLSID_MatroskaMux,
                                      classFactory<AviMuxFilter, OutputContainer::Matroska>());
        FilterRegistry::RegisterClass(CLSID_FileWriter, classFactory<FileWriterFilter>());
        FilterRegistry::RegisterClass(CLSID_DVMux, classFactory<DvMuxerFilter>());
        FilterRegistry::RegisterClass(CLSID_ACMWrapper, classFactory<AcmWrapperFilter>());
    });
}

} // namespace zentar

#include "platform/streaming/FilterRegistry.h"

#include "platform/streaming/CaptureGraphBuilder.h"
#include "platform/streaming/FilterGraph.h"
#include "platform/streaming/MediaGuids.h"

#include <algorithm>
#include <mutex>

namespace zentar {

namespace {

struct SourceEntry {
    SourceFilterFactory factory;
    FilterRegistry::RegistrationId id;
};
struct ClassEntry {
    CLSID clsid;
    ClassFactory factory;
    FilterRegistry::RegistrationId id;
};

struct DeviceEntry {
    CLSID category;
    FilterRegistry::Device device;
    FilterRegistry::RegistrationId id;
};

struct Registry {
    std::mutex mutex;
    FilterRegistry::RegistrationId nextId = 1;               // mutex
    std::vector<FilterRegistry::Intermediate> intermediates; // mutex
    std::vector<SourceEntry> sources;                        // mutex
    std::vector<ClassEntry> classes;                         // mutex
    std::vector<DeviceEntry> devices;                        // mutex
};

Registry& registry() {
    static Registry instance;
    return instance;
}

template <class T> HRESULT createBuiltIn(REFIID iid, void** object) {
    ComPtr<T> created = MakeComObject<T>();
    if (!created)
        return E_OUTOFMEMORY;
    return created->QueryInterface(iid, object);
}

} // namespace

FilterRegistry::RegistrationId
FilterRegistry::RegisterIntermediate(std::u16string name, DWORD merit, FilterFactory factory) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const RegistrationId id = r.nextId++;
    r.intermediates.push_back({std::move(name), merit, std::move(factory), id});
    return id;
}

FilterRegistry::RegistrationId FilterRegistry::RegisterSourceFilter(SourceFilterFactory factory) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const RegistrationId id = r.nextId++;
    r.sources.push_back({std::move(factory), id});
    return id;
}

FilterRegistry::RegistrationId FilterRegistry::RegisterClass(const CLSID& clsid,
                                                             ClassFactory factory) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const RegistrationId id = r.nextId++;
    r.classes.push_back({clsid, std::move(factory), id});
    return id;
}

FilterRegistry::RegistrationId FilterRegistry::RegisterDevice(const CLSID& category,
                                                              std::u16string friendlyName,
                                                              ClassFactory factory) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const RegistrationId id = r.nextId++;
    r.devices.push_back({category, {std::move(friendlyName), std::move(factory)}, id});
    return id;
}

std::vector<FilterRegistry::Device> FilterRegistry::Devices(const CLSID& category) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::vector<Device> list;
    for (const DeviceEntry& entry : r.devices)
        if (entry.category == category)
            list.push_back(entry.device);
    return list;
}

void FilterRegistry::Unregister(RegistrationId id) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::erase_if(r.intermediates, [id](const Intermediate& e) { return e.id == id; });
    std::erase_if(r.sources, [id](const SourceEntry& e) { return e.id == id; });
    std::erase_if(r.classes, [id](const ClassEntry& e) { return e.id == id; });
    std::erase_if(r.devices, [id](const DeviceEntry& e) { return e.id == id; });
}

std::vector<FilterRegistry::Intermediate> FilterRegistry::Intermediates() {
    std::vector<Intermediate> list;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        list = r.intermediates;
    }
    std::erase_if(list, [](const Intermediate& e) { return e.merit <= MERIT_DO_NOT_USE; });
    std::stable_sort(list.begin(), list.end(), [](const Intermediate& a, const Intermediate& b) {
        return a.merit > b.merit;
    });
    return list;
}

HRESULT FilterRegistry::CreateSourceFilter(LPCWSTR fileName, ComPtr<IBaseFilter>& filter) {
    if (!fileName)
        return E_POINTER;
    std::vector<SourceEntry> sources;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        sources = r.sources;
    }
    HRESULT hr = REGDB_E_CLASSNOTREG;
    for (auto it = sources.rbegin(); it != sources.rend(); ++it) {
        filter = nullptr;
        hr = it->factory(fileName, filter);
        if (SUCCEEDED(hr) && filter)
            return S_OK;
        if (SUCCEEDED(hr))
            hr = E_FAIL; // a factory that succeeded without a filter
    }
    filter = nullptr;
    return hr;
}

HRESULT FilterRegistry::CreateInstance(const CLSID& clsid, REFIID iid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid == CLSID_FilterGraph)
        return FilterGraph::CreateInstance(iid, object);
    if (clsid == CLSID_CaptureGraphBuilder2)
        return createBuiltIn<CaptureGraphBuilder>(iid, object);
    ClassFactory factory;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        // The newest registration of a class wins.
        for (auto it = r.classes.rbegin(); it != r.classes.rend(); ++it) {
            if (it->clsid == clsid) {
                factory = it->factory;
                break;
            }
        }
    }
    if (!factory)
        return REGDB_E_CLASSNOTREG;
    return factory(iid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD /*context*/, REFIID iid,
                         void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return FilterRegistry::CreateInstance(clsid, iid, object);
}

} // namespace zentar

// FilterRegistry: the process-wide registry the media layer fills and the graph reads:
// intermediate filters that Connect may insert (by merit, then registration order),
// source filter factories for AddSourceFilter (newest first, the first that opens the
// file wins), class factories for CoCreateInstance, and devices that the system device
// enumerator lists in a category after the built-in ones. Thread-safe (one mutex);
// factories are called without the mutex held. Registration normally happens once at
// start-up (see the media layer's registration function); Unregister is for tests.
#pragma once

#include "platform/streaming/StreamingInterfaces.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zentar {

inline constexpr DWORD MERIT_PREFERRED = 0x800000;
inline constexpr DWORD MERIT_NORMAL = 0x600000;
inline constexpr DWORD MERIT_UNLIKELY = 0x400000;
inline constexpr DWORD MERIT_DO_NOT_USE = 0x200000; // never inserted by Connect

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;

// Creates a new filter instance.
using FilterFactory = std::function<HRESULT(ComPtr<IBaseFilter>& filter)>;
// Creates a source filter that has opened `fileName`, or fails (the file is not its kind,
// or cannot be read).
using SourceFilterFactory = std::function<HRESULT(LPCWSTR fileName, ComPtr<IBaseFilter>& filter)>;
// Creates an object and returns interface `iid` of it.
using ClassFactory = std::function<HRESULT(REFIID iid, void** object)>;

class FilterRegistry {
public:
    using RegistrationId = uint64_t;

    struct Intermediate {
        std::u16string name; // the name it is added to a graph under
        DWORD merit = MERIT_NORMAL;
        FilterFactory factory;
        RegistrationId id = 0;
    };

    static RegistrationId RegisterIntermediate(std::u16string name, DWORD merit,
                                               FilterFactory factory);
    static RegistrationId RegisterSourceFilter(SourceFilterFactory factory);
    static RegistrationId RegisterClass(const CLSID& clsid, ClassFactory factory);
    static RegistrationId RegisterDevice(const CLSID& category, std::u16string friendlyName,
                                         ClassFactory factory);
    static void Unregister(RegistrationId id);

    struct Device {
        std::u16string friendlyName;
        ClassFactory factory;
    };
    // The devices registered in `category`, in registration order.
    static std::vector<Device> Devices(const CLSID& category);

    // Intermediates that Connect may use, best merit first (ties: registration order).
    static std::vector<Intermediate> Intermediates();
    // REGDB_E_CLASSNOTREG when no source factory is registered, else the result of the
    // last factory tried.
    static HRESULT CreateSourceFilter(LPCWSTR fileName, ComPtr<IBaseFilter>& filter);
    static HRESULT CreateInstance(const CLSID& clsid, REFIID iid, void** object);
};

// Creates a registered class (also CLSID_FilterGraph and CLSID_CaptureGraphBuilder2).
// Aggregation is not supported: a non-null outer gives CLASS_E_NOAGGREGATION.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);

inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110);

} // namespace zentar

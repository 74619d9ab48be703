// SystemDeviceEnum: the system device enumerator (CLSID_SystemDeviceEnum) with the two
// categories the program asks for: video compressors and audio compressors. Each
// category lists the compressors of CompressorCatalog (only those whose encoder the
// linked FFmpeg has) in the catalogue's fixed order, as CompressorMonikers, followed by
// the devices registered in the category with FilterRegistry::RegisterDevice. Other
// categories list only registered devices. Stateless; any thread.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/media/DeviceEnumInterfaces.h"

namespace zentar {

class SystemDeviceEnum : public ComObject<ICreateDevEnum> {
public:
    HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                  DWORD flags) override;
};

} // namespace zentar

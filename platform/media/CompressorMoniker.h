// CompressorMoniker: one entry of a compressor category of the system device enumerator.
// BindToStorage gives a property bag whose "FriendlyName" is the compressor's name (a
// VARIANT holding a BSTR); BindToObject creates a new compressor filter (a
// VideoCompressorFilter or AudioCompressorFilter over the catalogue entry). Devices
// registered at run time get a RegisteredDeviceMoniker instead. Immutable after
// construction; any thread.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/media/CompressorCatalog.h"
#include "platform/media/DeviceEnumInterfaces.h"
#include "platform/streaming/FilterRegistry.h"

namespace zentar {

class CompressorMoniker : public ComObject<IMoniker> {
public:
    explicit CompressorMoniker(CompressorInfo info) : info_(std::move(info)) {}

    HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID iid, void** object) override;
    HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid, void** object) override;

    const CompressorInfo& info() const { return info_; }

private:
    const CompressorInfo info_;
};

// A device registered with FilterRegistry::RegisterDevice: its factory creates the object.
class RegisteredDeviceMoniker : public ComObject<IMoniker> {
public:
    explicit RegisteredDeviceMoniker(FilterRegistry::Device device) : device_(std::move(device)) {}

    HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID iid, void** object) override;
    HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid, void** object) override;

private:
    const FilterRegistry::Device device_;
};

// The property bag of one device: read-only "FriendlyName".
class DevicePropertyBag : public ComObject<IPropertyBag> {
public:
    explicit DevicePropertyBag(std::u16string friendlyName)
        : friendlyName_(std::move(friendlyName)) {}

    HRESULT Read(LPCWSTR name, VARIANT* value, IErrorLog* log) override;
    HRESULT Write(LPCWSTR name, VARIANT* value) override;

private:
    const std::u16string friendlyName_;
};

} // namespace zentar

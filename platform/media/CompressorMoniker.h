// CompressorMoniker: one entry of a compressor category of the system device enumerator.
// BindToStorage gives a property bag whose "FriendlyName" is the compressor's name (a
// VARIANT holding a BSTR); BindToObject creates a new compressor filter (a
// VideoCompressorFilter or AudioCompressorFilter over the catalogue entry). Immutable
// after construction; any thread.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/media/CompressorCatalog.h"
#include "platform/media/DeviceEnumInterfaces.h"

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

// BasePin: what input and output pins share: identity (name, direction, owning filter),
// the connection (peer pin and media type) and the connection protocol. A pin shares
// its filter's reference count and its filterLock_; it lives as long as the filter.
// Connection calls come from the control thread while the filter is Stopped; the
// streaming thread reads the connection fields without a lock (see
// StreamingInterfaces.h). Subclasses fill in CheckMediaType, GetMediaType and the
// connection hooks.
#pragma once

#include "platform/streaming/StreamingInterfaces.h"
#include "platform/sync/CriticalSection.h"

#include <mutex>
#include <string>
#include <string_view>

namespace zentar {

class BaseFilter;

class BasePin : public IPin {
public:
    BasePin(BaseFilter* filter, PIN_DIRECTION direction, std::u16string_view name);
    virtual ~BasePin();
    BasePin(const BasePin&) = delete;
    BasePin& operator=(const BasePin&) = delete;

    // IUnknown: the reference count is the filter's.
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IPin
    HRESULT Connect(IPin* receivePin, const MediaType* type) override;
    HRESULT ReceiveConnection(IPin* connector, const MediaType* type) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(MediaType* type) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryId(std::u16string* id) override;
    HRESULT QueryAccept(const MediaType* type) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT EndOfStream() override { return E_UNEXPECTED; }
    HRESULT BeginFlush() override { return E_UNEXPECTED; }
    HRESULT EndFlush() override { return E_UNEXPECTED; }

    // Hooks. CheckMediaType: S_OK accepts, anything else refuses.
    virtual HRESULT CheckMediaType(const MediaType* type) = 0;
    // The preferred types, position 0 first; VFW_S_NO_MORE_ITEMS past the end.
    virtual HRESULT GetMediaType(int position, MediaType* type);
    // The connection's type has been agreed; the base stores it.
    virtual HRESULT SetMediaType(const MediaType* type);
    virtual HRESULT CheckConnect(IPin* pin);
    virtual HRESULT CompleteConnect(IPin* receivePin);
    virtual HRESULT BreakConnect();
    // The filter leaves Stopped / enters Stopped.
    virtual HRESULT Active() { return S_OK; }
    virtual HRESULT Inactive() { return S_OK; }

    bool IsConnected() const { return connected_ != nullptr; }
    IPin* GetConnected() const { return connected_.Get(); } // borrowed
    const MediaType& CurrentMediaType() const { return mediaType_; }
    const std::u16string& name() const { return name_; }
    PIN_DIRECTION direction() const { return direction_; }
    BaseFilter* filter() const { return filter_; }

protected:
    // Further interfaces of a pin (IMemInputPin, IMediaSeeking ...); nullptr if none.
    virtual void* QueryInterfaceExtra(REFIID) { return nullptr; }
    bool filterIsStopped() const;

    BaseFilter* const filter_;
    CriticalSection& lock_; // the filter's filterLock_

private:
    // Both ends may connect: this pin free, its filter stopped, opposite directions.
    HRESULT checkConnectable(IPin* peer);
    HRESULT agreeMediaType(IPin* receivePin, const MediaType* type);
    HRESULT tryMediaTypes(IPin* receivePin, const MediaType* partial, IEnumMediaTypes* types);
    HRESULT attemptConnection(IPin* receivePin, const MediaType& type);
    void setConnected(IPin* peer);
    void clearConnection();

    const PIN_DIRECTION direction_;
    const std::u16string name_;
    // Written under lock_ and connectionMutex_ while the filter is Stopped; read by
    // streaming threads without a lock, and by ConnectedTo and ConnectionMediaType under
    // connectionMutex_ only, so that another filter may ask for them while holding its
    // own lock (a leaf lock: nothing is called while it is held).
    std::mutex connectionMutex_;
    ComPtr<IPin> connected_;
    MediaType mediaType_;
};

} // namespace zentar

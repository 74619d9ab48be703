// IMediaReader: the program's interface to its sample sink (MediaReader). The engine
// names the stream type it wants, gives the sink a buffer and an event, and then takes
// one sample per request; a discard switch lets samples pass without copying or
// blocking around state changes and seeks. Called on the engine's thread only.
#pragma once

#include "platform/streaming/StreamingInterfaces.h"

namespace zentar {

inline constexpr CLSID CLSID_MediaReader = MakeGuid("{E0D69F09-34F8-4FED-B813-FC60D497BDF8}");

struct IMediaReader : IUnknown {
    static constexpr GUID kIid = MakeGuid("{CFCA2846-0363-4022-A89A-5EBB4B9F0789}");

    // The type to accept: GUID_NULL fields of `type` match anything; a non-null
    // `requiredFormatType` must equal the proposed format type. E_POINTER for nulls.
    virtual HRESULT SetRequestedType(const MediaType* type, const GUID* requiredFormatType) = 0;
    // A deep copy of the connection's type. E_POINTER for null.
    virtual HRESULT GetConnectedType(MediaType* type) = 0;
    // The upstream allocator's buffer size (the largest sample), or 0 when unknown.
    virtual HRESULT GetBufferSize(ULONG* size) = 0;
    // TRUE: every sample is dropped at once, also one that waits for a request.
    virtual HRESULT SetDiscard(BOOL discard) = 0;
    // Lets the next sample be copied into the buffer.
    virtual HRESULT RequestSample() = 0;
    // The engine's buffer (borrowed); samples longer than `capacity` are cut.
    virtual HRESULT SetBuffer(ULONG capacity, BYTE* buffer) = 0;
    // Bytes copied from the last sample; `reset` sets the stored length to 0.
    virtual HRESULT GetDataLength(BOOL reset, ULONG* length) = 0;
    // Times of the last sample (0 and 0 when it had none); `reset` zeroes them.
    virtual HRESULT GetSampleTimes(BOOL reset, REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
    // Set (never reset) after each copied sample; null: no notification. Borrowed.
    virtual HRESULT SetNotifyEvent(HANDLE event) = 0;
    // The input pin, without an added reference.
    virtual HRESULT GetInputPin(IPin** pin) = 0;
};

} // namespace zentar

#include "platform/media/EncoderTransformFilter.h"

#include <cstring>

namespace zentar {

HRESULT EncoderTransformFilter::deliverPacket(const EncodedPacket& packet) {
    ComPtr<IMediaSample> output;
    HRESULT hr = GetOutputBuffer(output);
    if (FAILED(hr))
        return hr;
    if (packet.size > static_cast<size_t>(output->GetSize()))
        return E_UNEXPECTED; // the encoder outgrew its own worst case
    BYTE* data = nullptr;
    output->GetPointer(&data);
    // An encoder may end with an empty packet (FLAC's closing header update) and no data.
    if (packet.size > 0)
        std::memcpy(data, packet.data, packet.size);
    output->SetActualDataLength(static_cast<LONG>(packet.size));
    REFERENCE_TIME start = packet.startHns;
    REFERENCE_TIME stop = packet.stopHns;
    output->SetTime(&start, &stop);
    output->SetSyncPoint(packet.keyFrame ? TRUE : FALSE);
    hr = DeliverOutput(output.Get());
    return FAILED(hr) ? hr : S_OK;
}

} // namespace zentar

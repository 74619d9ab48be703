// EncoderTransformFilter: what the video and audio compressor filters share: a transform
// whose encoder hands out packets (zero, one or several per input sample, and the rest at
// end of stream), each delivered as one output sample with its times and key-frame flag.
// deliverPacket runs on the upstream streaming thread under the receive lock.
#pragma once

#include "platform/media/EncodedPacket.h"
#include "platform/streaming/TransformFilter.h"

namespace zentar {

class EncoderTransformFilter : public TransformFilter {
protected:
    explicit EncoderTransformFilter(const CLSID& clsid) : TransformFilter(clsid) {}

    // Copies the packet into an output sample and delivers it downstream.
    HRESULT deliverPacket(const EncodedPacket& packet);
    // deliverPacket as the encoders' packet sink.
    PacketSink packetSink() {
        return [this](const EncodedPacket& packet) { return deliverPacket(packet); };
    }
};

} // namespace zentar

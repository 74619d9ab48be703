// One compressed packet as the encoders hand it out, and the callback that takes it. The
// data stays valid only during the callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/com/HResult.h"

namespace zentar {

struct EncodedPacket {
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool keyFrame = false;
    REFERENCE_TIME startHns = 0;
    REFERENCE_TIME stopHns = 0;
};

// Returns a failure code to stop the encoder's delivery (the encoder passes it back).
using PacketSink = std::function<HRESULT(const EncodedPacket&)>;

} // namespace zentar

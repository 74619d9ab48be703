#include "engine/RgbFrame.h"

#include <stdexcept>

namespace zentar {

RgbFrame::RgbFrame(int width, int height) {
    if (width < 0 || height < 0) {
        throw std::invalid_argument("RgbFrame: negative frame size");
    }
    bytes_.assign(RgbFrameBytes(width, height), 0);
    width_ = width;
    height_ = height;
}

} // namespace zentar

// Layout of a decoded 24-bit frame as detection, resampling and the preview read it: three bytes
// per pixel in the order blue, green, red, rows padded to a multiple of 4 bytes, row 0 first in
// memory (the bottom picture line; rows are used in buffer order). RgbFrameView borrows a buffer
// that someone else owns (a decoded sample); RgbFrame owns one (the run's resized frame). Plain
// data: used on the run's thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zentar {

// Bytes of one row: 3 bytes per pixel rounded up to a multiple of 4.
constexpr std::size_t RgbFrameStride(int width) {
    return (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
}

// Bytes of a whole frame: stride x height.
constexpr std::size_t RgbFrameBytes(int width, int height) {
    return RgbFrameStride(width) * static_cast<std::size_t>(height);
}

// A frame in a buffer owned elsewhere; the buffer holds at least RgbFrameBytes(width, height).
struct RgbFrameView {
    const std::uint8_t* data = nullptr;
    int width = 0;
    int height = 0;

    std::size_t stride() const { return RgbFrameStride(width); }
};

// A frame that owns its zero-initialised buffer.
class RgbFrame {
public:
    RgbFrame() = default;
    // Throws std::invalid_argument for a negative size.
    RgbFrame(int width, int height);

    std::uint8_t* data() { return bytes_.data(); }
    const std::uint8_t* data() const { return bytes_.data(); }
    int width() const { return width_; }
    int height() const { return height_; }
    std::size_t stride() const { return RgbFrameStride(width_); }
    std::size_t size() const { return bytes_.size(); }
    RgbFrameView view() const { return {bytes_.data(), width_, height_}; }

private:
    std::vector<std::uint8_t> bytes_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace zentar

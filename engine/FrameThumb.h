// FrameThumb: a small picture of a frame for the detection rules and the adaptive detector:
// the frame averaged over square blocks of kBlock(width) pixels into four byte planes (luma,
// two colour differences and the luma edge strength). Built once per examined frame on the
// run's thread; the planes are reused from frame to frame, so a thumbnail allocates only when
// the frame size changes. Comparisons are sums of absolute differences (SSE2 where present).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/RgbFrame.h"

namespace zentar {

class FrameThumb {
public:
    // Target width of a thumbnail: blocks are width / kTargetWidth pixels wide (at least 1).
    static constexpr int kTargetWidth = 80;

    // Rebuilds the thumbnail from the frame.
    void Build(const RgbFrameView& frame);

    int width() const { return width_; }
    int height() const { return height_; }
    std::size_t cells() const { return static_cast<std::size_t>(width_) * height_; }
    // Planes of cells() bytes: Y, U (B - Y, offset 128), V (R - Y, offset 128), E (edges).
    const std::uint8_t* plane(int i) const { return planes_.data() + i * cells(); }
    double MeanLuma() const { return meanLuma_; }
    int MaxLuma() const { return maxLuma_; }
    // Mostly black: dark on average and nowhere bright.
    bool IsBlack() const { return meanLuma_ <= 12.0 && maxLuma_ <= 48; }

    // The content score of a change from a to b: the mean absolute difference of the luma,
    // colour and edge planes, averaged over the four (0 ... 255). Sizes must match.
    static double Difference(const FrameThumb& a, const FrameThumb& b);
    // How far apart the luma and colour distributions are: the earth mover's distance of each
    // plane's histogram in levels, averaged (0 ... 255). Moving the picture hardly changes
    // it, nor does a slight change of brightness; replacing the picture does.
    static double HistogramDistance(const FrameThumb& a, const FrameThumb& b);
    // Mean absolute difference of luma and colour only (0 ... 255).
    static double ColourDistance(const FrameThumb& a, const FrameThumb& b);
    // How far mid is from the even blend of a and b in luma and colour (0 ... 255): near 0
    // in the middle of a cross-fade, large for motion.
    static double BlendResidual(const FrameThumb& a, const FrameThumb& mid, const FrameThumb& b);

private:
    std::vector<std::uint8_t> planes_;
    std::vector<std::uint16_t> rowSums_;
    std::uint32_t histogram_[3 * 256] = {}; // luma and colour levels
    int width_ = 0;
    int height_ = 0;
    double meanLuma_ = 0;
    int maxLuma_ = 0;
};

} // namespace zentar

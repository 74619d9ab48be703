// Coarse colour statistics of a frame for scene-change detection: the mean colour of a
// rectangle of an RgbFrame (MeasureRegion) turned into integer hue, saturation and value
// (HsvFromMeans), and the four-region record SceneDetector compares from frame to frame.
// Pure functions over a borrowed buffer; no allocation; called on the run's thread.
#pragma once

#include <array>
#include <cstdint>

#include "engine/RgbFrame.h"

namespace zentar {

// Statistics of one region's mean colour.
struct RegionStats {
    std::int32_t hue = 0; // 0 ... 1535: six sextants of 256 steps; 0 also for grey
    std::int32_t sat = 0; // 0 ... 256: 256 = fully saturated
    std::int32_t val = 0; // 0 ... 255: the largest channel mean

    bool operator==(const RegionStats&) const = default;
};

// Region order: top-left, top-right, bottom-left, bottom-right, with "top" meaning the rows
// that come first in the buffer.
struct FrameStats {
    std::array<RegionStats, 4> regions{};

    bool operator==(const FrameStats&) const = default;
};

// Pixel rectangle: left and top inclusive, right and bottom exclusive.
struct RegionRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Integer colour conversion of three channel means (0 ... 255 in practice).
RegionStats HsvFromMeans(std::uint16_t red, std::uint16_t green, std::uint16_t blue);

// Rounded channel means of the rectangle through HsvFromMeans. The rectangle must lie inside
// the frame. A rectangle without pixels measures as black (all zero), which never signals a
// change in any test.
RegionStats MeasureRegion(const RgbFrameView& frame, const RegionRect& rect);

// The four regions of a width x height frame; for odd sizes the right-hand and bottom regions
// are one column or row larger.
std::array<RegionRect, 4> FrameRegions(int width, int height);

} // namespace zentar

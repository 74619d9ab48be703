#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>

#include "engine/FrameStats.h"
#include "engine/SceneDetector.h"
#include "tests/engine/GuardedBuffer.h"

namespace zentar {
namespace {

struct Rgb {
    std::uint8_t r, g, b;
};

// A frame whose four detection regions are filled with one colour each.
RgbFrame RegionFrame(int width, int height, const std::array<Rgb, 4>& colours) {
    RgbFrame frame(width, height);
    const auto rects = FrameRegions(width, height);
    for (std::size_t i = 0; i < 4; ++i) {
        for (int y = rects[i].top; y < rects[i].bottom; ++y) {
            for (int x = rects[i].left; x < rects[i].right; ++x) {
                std::uint8_t* p = frame.data() + y * frame.stride() + 3 * x;
                p[0] = colours[i].b;
                p[1] = colours[i].g;
                p[2] = colours[i].r;
            }
        }
    }
    return frame;
}

RgbFrame UniformFrame(int width, int height, Rgb c) {
    return RegionFrame(width, height, {c, c, c, c});
}

// The measurement written out literally: a sum per channel, rounded means, HsvFromMeans.
RegionStats ReferenceMeasure(const RgbFrameView& frame, const RegionRect& r) {
    const std::uint64_t n = std::uint64_t(r.right - r.left) * (r.bottom - r.top);
    std::uint64_t sums[3] = {0, 0, 0};
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            for (int c = 0; c < 3; ++c) {
                sums[c] += frame.data[y * frame.stride() + 3 * x + c];
            }
        }
    }
    auto mean = [&](int c) { return static_cast<std::uint16_t>((sums[c] + n / 2) / n); };
    return HsvFromMeans(mean(2), mean(1), mean(0));
}

DetectionSettings Mode(int sceneDetection) {
    DetectionSettings settings;
    settings.SceneDetection = sceneDetection;
    return settings;
}

// Whether a fresh detector signals a change from a uniform `first` frame to `second`.
bool Changes(const DetectionSettings& settings, Rgb first, Rgb second) {
    SceneDetector detector;
    detector.DetectSceneChange(UniformFrame(4, 4, first).view(), 0, 0, settings);
    return detector.DetectSceneChange(UniformFrame(4, 4, second).view(), 1, 0, settings);
}

TEST(HsvFromMeans, WorkedColours) {
    EXPECT_EQ(HsvFromMeans(200, 100, 50), (RegionStats{86, 192, 200}));
    EXPECT_EQ(HsvFromMeans(50, 100, 200), (RegionStats{938, 192, 200}));
    EXPECT_EQ(HsvFromMeans(200, 50, 100).hue, 1450); // -86 wraps onto the circle
    EXPECT_EQ(HsvFromMeans(255, 0, 255).hue, 1280);
    EXPECT_EQ(HsvFromMeans(128, 128, 128), (RegionStats{0, 0, 128}));
    EXPECT_EQ(HsvFromMeans(255, 0, 0), (RegionStats{0, 256, 255}));
    EXPECT_EQ(HsvFromMeans(0, 0, 0), (RegionStats{0, 0, 0}));
    // Ties go to red before green before blue.
    EXPECT_EQ(HsvFromMeans(200, 200, 0).hue, 256);
    EXPECT_EQ(HsvFromMeans(0, 200, 200).hue, 768);
}

TEST(MeasureRegion, MatchesLiteralSumsOnRandomFrames) {
    std::mt19937 random(7);
    // Widths cover whole 48-byte blocks, partial vectors and scalar tails; 1500 x 90 halves
    // make the 16-bit lanes fold several times within a region.
    const int sizes[][2] = {{1, 1}, {2, 3}, {5, 7}, {17, 9}, {33, 5}, {720, 31}, {1500, 90}};
    for (const auto& size : sizes) {
        RgbFrame frame(size[0], size[1]);
        for (std::size_t i = 0; i < frame.size(); ++i) {
            frame.data()[i] = static_cast<std::uint8_t>(random());
        }
        for (const RegionRect& rect : FrameRegions(size[0], size[1])) {
            if (rect.right > rect.left && rect.bottom > rect.top) {
                EXPECT_EQ(MeasureRegion(frame.view(), rect), ReferenceMeasure(frame.view(), rect))
                    << size[0] << "x" << size[1] << " region at " << rect.left << "," << rect.top;
            }
        }
    }
    // Bright regions wide enough to fill every lane to its limit before folding.
    RgbFrame white = UniformFrame(4200, 3, {255, 254, 253});
    EXPECT_EQ(MeasureRegion(white.view(), {0, 0, 4200, 3}), HsvFromMeans(255, 254, 253));
}

TEST(FrameRegions, OddSizesGiveTheExtraColumnAndRowToRightAndBottom) {
    const auto r = FrameRegions(5, 3);
    EXPECT_EQ((std::array{r[0].right, r[1].left, r[1].right, r[2].top, r[2].bottom}),
              (std::array{2, 2, 5, 1, 3}));
}

TEST(SceneDetector, FirstFrameStoresWithoutComparingThenValueDistancesDecide) {
    SceneDetector detector;
    DetectionSettings settings = Mode(1); // defaults: hue 1.0, sat off, val 0.7
    const Rgb grey100{100, 100, 100};
    const RgbFrame v100 = UniformFrame(6, 4, grey100);
    EXPECT_TRUE(detector.DetectSceneChange(v100.view(), 0, 0, settings));

    // 100 -> 80 in one region: 20 / 90 stays below 0.7.
    const RgbFrame v80 = RegionFrame(6, 4, {grey100, grey100, grey100, {80, 80, 80}});
    EXPECT_FALSE(detector.DetectSceneChange(v80.view(), 1, 0, settings));
    // Compared with the previous frame (80), not the first: 80 -> 100 stays below too.
    EXPECT_FALSE(detector.DetectSceneChange(v100.view(), 2, 0, settings));
    // 100 -> 30: 70 / 65 signals.
    const RgbFrame v30 = RegionFrame(6, 4, {grey100, {30, 30, 30}, grey100, grey100});
    EXPECT_TRUE(detector.DetectSceneChange(v30.view(), 3, 0, settings));
    // Stored although signalled: 30 again is no change.
    EXPECT_FALSE(detector.DetectSceneChange(v30.view(), 4, 0, settings));

    // With every threshold at 0 (or below) nothing signals after the first frame.
    settings.HueThreshold = 0.0;
    settings.SatThreshold = -1.0;
    settings.ValThreshold = 0.0;
    const RgbFrame red = UniformFrame(6, 4, {250, 10, 10});
    EXPECT_FALSE(detector.DetectSceneChange(red.view(), 4, 0, settings));
    EXPECT_FALSE(detector.DetectSceneChange(v30.view(), 5, 0, settings));
}

// One uniform frame after another under hue, saturation and value thresholds. A distance
// is |a - b| / ((a + b + 1) / 2) in integers, it signals when at or above its threshold,
// and a zero on either side switches its test off.
TEST(SceneDetector, DistancesAgainstThresholds) {
    struct Case {
        const char* what;
        double hue, sat, val;
        Rgb first, second;
        bool changes;
    };
    const Case cases[] = {
        {"pure red has hue 0", 0.01, 0.01, 0.01, {255, 0, 0}, {255, 19, 0}, false},
        {"black: all zero", 0.01, 0.01, 0.01, {0, 0, 0}, {200, 100, 50}, false},
        {"identical grey", 0.01, 0.01, 0.01, {90, 90, 90}, {90, 90, 90}, false},
        {"value step", 0.01, 0.01, 0.01, {90, 90, 90}, {91, 91, 91}, true},
        {"hue step", 0.01, 0.01, 0.01, {255, 19, 0}, {255, 40, 0}, true},
        // Hues 20 and 1500: 56 / 760 = 0.0737 across the wrap (1480 / 760 without it).
        {"hue wraps, above", 0.07, 0, 0, {255, 19, 0}, {255, 0, 35}, true},
        {"hue wraps, below", 0.08, 0, 0, {255, 19, 0}, {255, 0, 35}, false},
        // Hue 0 and value 200 on both sides; saturation 128 against 64: 64 / 96.
        {"saturation alone", 0, 0.6, 0, {200, 100, 100}, {200, 150, 150}, true},
        {"value exactly on the threshold", 0, 0, 0.5, {100, 100, 100}, {60, 60, 60}, true},
        // 39 / 81 = 0.4815 stays below; 39 / 80.5 or 39 / 80 would signal.
        {"divisor rounds up", 0, 0, 0.483, {100, 100, 100}, {61, 61, 61}, false},
    };
    for (const Case& c : cases) {
        DetectionSettings settings = Mode(2);
        settings.HueThreshold = c.hue;
        settings.SatThreshold = c.sat;
        settings.ValThreshold = c.val;
        EXPECT_EQ(Changes(settings, c.first, c.second), c.changes) << c.what;
    }
    ASSERT_EQ(HsvFromMeans(255, 0, 35).hue, 1500);
    ASSERT_EQ(HsvFromMeans(200, 150, 150), (RegionStats{0, 64, 200}));
}

TEST(SceneDetector, FramesBelowTwoPixelsCompareOnlyTheirNonEmptyRegions) {
    DetectionSettings settings = Mode(1);
    settings.ShowStatistics = true;
    for (const auto& [size, line] : {std::pair{std::array{1, 1}, "2/0: 0 0 0 200"},
                                     {std::array{1, 9}, "2/0: 0 200 0 200"},
                                     {std::array{9, 1}, "2/0: 0 0 200 200"}}) {
        SceneDetector detector;
        const RgbFrame dark = UniformFrame(size[0], size[1], {20, 20, 20});
        const RgbFrame bright = UniformFrame(size[0], size[1], {200, 200, 200});
        EXPECT_TRUE(detector.DetectSceneChange(dark.view(), 0, 0, settings));
        EXPECT_FALSE(detector.DetectSceneChange(dark.view(), 1, 0, settings));
        EXPECT_TRUE(detector.DetectSceneChange(bright.view(), 2, 0, settings));
        EXPECT_EQ(detector.statisticsText(), line);
    }
    // A frame without pixels never signals after the first frame.
    SceneDetector detector;
    EXPECT_TRUE(detector.DetectSceneChange({nullptr, 0, 0}, 0, 0, settings));
    EXPECT_FALSE(detector.DetectSceneChange({nullptr, 0, 0}, 1, 0, settings));
}

TEST(SceneDetector, ReadsNothingPastTheEndOfTheFrame) {
    // Widths whose rows carry no padding, so the last pixel is the buffer's last byte.
    for (int width : {4, 20, 36, 724}) {
        const int height = 5;
        test::GuardedBuffer buffer(RgbFrameBytes(width, height));
        std::memset(buffer.data(), 77, buffer.size());
        SceneDetector detector;
        DetectionSettings settings = Mode(1);
        settings.ShowStatistics = true;
        const RgbFrameView frame{buffer.data(), width, height};
        EXPECT_TRUE(detector.DetectSceneChange(frame, 0, 0, settings));
        EXPECT_FALSE(detector.DetectSceneChange(frame, 1, 0, settings));
        EXPECT_EQ(detector.statisticsText(), "1/0: 77 77 77 77");
    }
}

} // namespace
} // namespace zentar

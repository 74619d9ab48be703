#include "engine/SceneDetector.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace zentar {
namespace {

// Relative distance of two statistics; 0 when either side is 0 (no colour, or black).
double RelativeDistance(std::int32_t difference, std::int32_t a, std::int32_t b) {
    if (a == 0 || b == 0) {
        return 0.0;
    }
    return static_cast<double>(difference) / static_cast<double>((a + b + 1) / 2);
}

double HueDistance(std::int32_t h, std::int32_t previous) {
    std::int32_t delta = std::abs(h - previous);
    if (delta >= 768) {
        delta = 1536 - delta; // the hue circle wraps at 1536
    }
    return RelativeDistance(delta, h, previous);
}

bool Signals(double threshold, double distance) {
    return threshold > 0.0 && distance >= threshold;
}

double Relative(double threshold, double distance) {
    return threshold > 0.0 ? distance / threshold : 0.0;
}

} // namespace

bool SceneDetector::DetectSceneChange(const RgbFrameView& frame, std::uint64_t framesRead,
                                      std::int32_t clipCounter, const DetectionSettings& settings) {
    if (settings.SceneDetection == 0) {
        return framesRead == 0;
    }
    const FrameStats current = Measure(frame);
    bool changed = true;
    if (framesRead != 0) {
        changed = Compare(current, settings);
        if (settings.ShowStatistics) {
            FormatStatistics(current, framesRead, clipCounter);
        }
    }
    previousStats_ = current;
    return changed;
}

FrameStats SceneDetector::Measure(const RgbFrameView& frame) {
    const auto rects = FrameRegions(frame.width, frame.height);
    FrameStats stats;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        stats.regions[i] = MeasureRegion(frame, rects[i]);
    }
    return stats;
}

bool SceneDetector::Compare(const FrameStats& current, const DetectionSettings& settings) const {
    for (std::size_t i = 0; i < current.regions.size(); ++i) {
        const RegionStats& now = current.regions[i];
        const RegionStats& before = previousStats_.regions[i];
        if (Signals(settings.HueThreshold, HueDistance(now.hue, before.hue)) ||
            Signals(settings.SatThreshold,
                    RelativeDistance(std::abs(now.sat - before.sat), now.sat, before.sat)) ||
            Signals(settings.ValThreshold,
                    RelativeDistance(std::abs(now.val - before.val), now.val, before.val))) {
            return true;
        }
    }
    return false;
}

double SceneDetector::NormalisedScore(const FrameStats& before, const FrameStats& now,
                                      const DetectionSettings& settings) {
    double score = 0.0;
    for (std::size_t i = 0; i < now.regions.size(); ++i) {
        const RegionStats& n = now.regions[i];
        const RegionStats& b = before.regions[i];
        score = std::max({score, Relative(settings.HueThreshold, HueDistance(n.hue, b.hue)),
                          Relative(settings.SatThreshold,
                                   RelativeDistance(std::abs(n.sat - b.sat), n.sat, b.sat)),
                          Relative(settings.ValThreshold,
                                   RelativeDistance(std::abs(n.val - b.val), n.val, b.val))});
    }
    return score;
}

void SceneDetector::FormatStatistics(const FrameStats& current, std::uint64_t framesRead,
                                     std::int32_t clipCounter) {
    // The frame index is shown as a signed 32-bit value, as the status line always has.
    const auto index = static_cast<std::int32_t>(framesRead);
    char line[96];
    std::snprintf(line, sizeof line, "%li/%li: %i %i %i %i", static_cast<long>(index),
                  static_cast<long>(clipCounter), current.regions[0].val, current.regions[1].val,
                  current.regions[2].val, current.regions[3].val);
    statisticsText_ = line;
}

} // namespace zentar

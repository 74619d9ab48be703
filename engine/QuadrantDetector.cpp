#include "engine/QuadrantDetector.h"

#include <algorithm>
#include <cstdlib>

namespace zentar {
namespace {

// The distances SceneDetector compares, each divided by its threshold (0 when switched off).
double Relative(std::int32_t difference, std::int32_t a, std::int32_t b, double threshold) {
    if (a == 0 || b == 0 || threshold <= 0.0) {
        return 0.0;
    }
    return static_cast<double>(difference) / static_cast<double>((a + b + 1) / 2) / threshold;
}

} // namespace

void QuadrantDetector::StartRun() {
    detector_ = SceneDetector();
}

FrameScore QuadrantDetector::Examine(const RgbFrameView& frame, const FrameThumb& /*thumb*/,
                                     std::uint64_t index) {
    const FrameStats before = detector_.previousStats();
    FrameScore result;
    result.changed = detector_.DetectSceneChange(frame, index, clipCounter_, settings_);
    result.score = index == 0 ? 0.0 : RelativeScore(before, detector_.previousStats());
    return result;
}

ChangeJudgement QuadrantDetector::Judge(std::span<const FrameScore> scores, std::size_t centre,
                                        std::uint64_t /*index*/) const {
    return {scores[centre].changed, scores[centre].score, 1.0};
}

double QuadrantDetector::RelativeScore(const FrameStats& before, const FrameStats& now) const {
    double score = 0.0;
    for (std::size_t i = 0; i < now.regions.size(); ++i) {
        const RegionStats& n = now.regions[i];
        const RegionStats& b = before.regions[i];
        std::int32_t hue = std::abs(n.hue - b.hue);
        if (hue >= 768) {
            hue = 1536 - hue;
        }
        score = std::max({score, Relative(hue, n.hue, b.hue, settings_.HueThreshold),
                          Relative(std::abs(n.sat - b.sat), n.sat, b.sat, settings_.SatThreshold),
                          Relative(std::abs(n.val - b.val), n.val, b.val, settings_.ValThreshold)});
    }
    return score;
}

} // namespace zentar

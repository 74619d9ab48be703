// Per-frame cost of the detection beyond the quadrant test at PAL size: the adaptive detector
// alone (thumbnail, scores, judgement) and the whole rules around it (flash guard and fades),
// on alternating structured frames; the quadrant test's figure is BM_DetectSceneChange.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/AdaptiveDetector.h"
#include "engine/DetectionRules.h"

namespace zentar {
namespace {

std::vector<std::uint8_t> StructuredFrame(int width, int height, unsigned seed) {
    std::vector<std::uint8_t> frame(RgbFrameBytes(width, height));
    std::mt19937 random(seed);
    const std::size_t stride = RgbFrameStride(width);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < 3 * width; ++x) {
            frame[y * stride + x] =
                static_cast<std::uint8_t>((x / 3 * seed + y + (random() & 31)) & 255);
        }
    }
    return frame;
}

void BM_AdaptiveDetector(benchmark::State& state, int width, int height) {
    const auto a = StructuredFrame(width, height, 1);
    const auto b = StructuredFrame(width, height, 2);
    AdaptiveDetector detector(3.0);
    FrameThumb thumb;
    std::vector<FrameScore> scores(2 * AdaptiveDetector::kWindow + 1);
    std::uint64_t index = 0;
    for (auto _ : state) {
        const RgbFrameView frame{(index % 2 ? a : b).data(), width, height};
        thumb.Build(frame);
        scores[index % scores.size()] = detector.Examine(frame, thumb, index);
        benchmark::DoNotOptimize(detector.Judge(scores, AdaptiveDetector::kWindow, index + 100));
        ++index;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_DetectionRules(benchmark::State& state, int width, int height) {
    const auto a = StructuredFrame(width, height, 1);
    const auto b = StructuredFrame(width, height, 2);
    AdaptiveDetector detector(3.0);
    RuleSettings settings;
    settings.flashGuard = 3;
    settings.detectFades = true;
    DetectionRules rules(detector, settings);
    std::uint64_t index = 0;
    for (auto _ : state) {
        rules.Push({(index % 2 ? a : b).data(), width, height});
        if (rules.Pending() > static_cast<std::uint64_t>(rules.LookAhead())) {
            benchmark::DoNotOptimize(rules.DecideNext());
        }
        ++index;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

BENCHMARK_CAPTURE(BM_AdaptiveDetector, 720x576, 720, 576);
BENCHMARK_CAPTURE(BM_DetectionRules, 720x576, 720, 576);

} // namespace
} // namespace zentar

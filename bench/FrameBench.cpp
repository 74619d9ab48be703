// Per-frame work of a run at PAL sizes: scene-change detection on every input frame, and the
// resampler against libswscale's bilinear scaler on the same BGR24 buffers.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

extern "C" {
#include <libswscale/swscale.h>
}

#include "engine/FrameResampler.h"
#include "engine/RgbFrame.h"
#include "engine/SceneDetector.h"

namespace zentar {
namespace {

// Bytes with some structure (a gradient with noise), so that sums and colours are not uniform.
std::vector<std::uint8_t> TestFrame(int width, int height, unsigned seed) {
    std::vector<std::uint8_t> frame(RgbFrameBytes(width, height));
    std::mt19937 random(seed);
    const std::size_t stride = RgbFrameStride(width);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < 3 * width; ++x) {
            frame[y * stride + x] = static_cast<std::uint8_t>((x / 3 + y + (random() & 31)) & 255);
        }
    }
    return frame;
}

std::string SizeName(int w, int h) {
    return std::to_string(w) + "x" + std::to_string(h);
}

void DetectSceneChange(benchmark::State& state, int width, int height) {
    const auto a = TestFrame(width, height, 1);
    const auto b = TestFrame(width, height, 2);
    DetectionSettings settings;
    settings.SceneDetection = 1;
    SceneDetector detector;
    std::uint64_t framesRead = 0;
    for (auto _ : state) {
        const auto& frame = framesRead % 2 == 0 ? a : b;
        benchmark::DoNotOptimize(
            detector.DetectSceneChange({frame.data(), width, height}, framesRead, 0, settings));
        ++framesRead;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void ResampleFrame(benchmark::State& state, int srcW, int srcH, int dstW, int dstH) {
    const auto src = TestFrame(srcW, srcH, 3);
    std::vector<std::uint8_t> dst(RgbFrameBytes(dstW, dstH));
    FrameResampler resampler;
    for (auto _ : state) {
        resampler.ResampleFrame(src.data(), srcW, srcH, dst.data(), dstW, dstH);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

struct SwsDeleter {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};

void SwsBilinear(benchmark::State& state, int srcW, int srcH, int dstW, int dstH) {
    const auto src = TestFrame(srcW, srcH, 3);
    std::vector<std::uint8_t> dst(RgbFrameBytes(dstW, dstH));
    std::unique_ptr<SwsContext, SwsDeleter> context(
        sws_getContext(srcW, srcH, AV_PIX_FMT_BGR24, dstW, dstH, AV_PIX_FMT_BGR24, SWS_BILINEAR,
                       nullptr, nullptr, nullptr));
    if (!context) {
        state.SkipWithError("sws_getContext failed");
        return;
    }
    const std::uint8_t* srcPlanes[1] = {src.data()};
    const int srcStrides[1] = {static_cast<int>(RgbFrameStride(srcW))};
    std::uint8_t* dstPlanes[1] = {dst.data()};
    const int dstStrides[1] = {static_cast<int>(RgbFrameStride(dstW))};
    for (auto _ : state) {
        sws_scale(context.get(), srcPlanes, srcStrides, 0, srcH, dstPlanes, dstStrides);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void RegisterAll() {
    benchmark::RegisterBenchmark("BM_DetectSceneChange/720x576", DetectSceneChange, 720, 576);
    const int resizes[][4] = {{720, 576, 352, 288}, {352, 288, 720, 576}};
    for (const auto& r : resizes) {
        const std::string name = SizeName(r[0], r[1]) + "_to_" + SizeName(r[2], r[3]);
        benchmark::RegisterBenchmark(("BM_ResampleFrame/" + name).c_str(), ResampleFrame, r[0],
                                     r[1], r[2], r[3]);
        benchmark::RegisterBenchmark(("BM_SwsBilinear/" + name).c_str(), SwsBilinear, r[0], r[1],
                                     r[2], r[3]);
    }
}

} // namespace
} // namespace zentar

int main(int argc, char** argv) {
    zentar::RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// A compressor that fails part-way through an output: the run must end with its write
// failure at once, not after the writer graph's bound on waiting for the file to complete
// (the failure event had already been taken by the hand-over that saw it, so the wait for
// the end of the file used to sit out its whole two minutes).
#include "engine/CMyException.h"
#include "engine/ConversionRun.h"
#include "platform/media/DeviceEnumInterfaces.h"
#include "platform/streaming/FilterRegistry.h"
#include "tests/engine/SmallClip.h"
#include "tests/support/streaming/TestTransforms.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace zentar {
namespace {

class QuietHost final : public RunHost {
public:
    void SetStatusText(const std::string&, bool) override {}
    bool WantPreview() const override { return false; }
    void CreatePreview(int, int, int, int) override {}
    void DrawPreview(uint8_t*, size_t, const std::string&) override {}
    void DestroyPreview() override {}
    void SetControlsRunning(bool) override {}
};

TEST(CompressorFailureTest, CompressorFailingPartWayEndsTheRunWithinSeconds) {
    const auto registration = FilterRegistry::RegisterDevice(
        CLSID_VideoCompressorCategory, u"Fails after five frames", [](REFIID iid, void** object) {
            ComPtr<test::PassThroughTransform> filter = test::PassThroughTransform::Create();
            filter->failAt = 5;
            return filter->QueryInterface(iid, object);
        });
    test::TempFolder folder("compressor_failure");
    ConversionSettings settings;
    settings.SrcFileName = test::SmallClip(folder.file("in.avi"), 60, 2.4);
    settings.DstFileName = folder.file("out.avi");
    settings.VideoCodec = "Fails after five frames";
    QuietHost host;
    ConversionRun run(settings, host);

    const auto start = std::chrono::steady_clock::now();
    int32_t code = 0;
    try {
        run.StartRun();
        for (int steps = 0; run.IdleStep(); ++steps)
            ASSERT_LT(steps, 1000);
    } catch (const CMyException& failure) {
        code = failure.code();
    }
    run.StopRun();
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
    FilterRegistry::Unregister(registration);

    EXPECT_EQ(code, ConversionRun::kWriteFailedCode);
    EXPECT_LT(seconds.count(), 20);
    EXPECT_TRUE(std::filesystem::exists(settings.DstFileName));
}

} // namespace
} // namespace zentar

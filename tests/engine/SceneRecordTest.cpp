// The scene record's own rules: the normalised score agrees with the detector's verdict
// (1.0 or more exactly when it signals a change), thumbnails keep the frame's picture the
// right way up and stop at the memory cap, SMPTE timecodes around the drop-frame minutes, and
// the edit list of a film's worth of scenes keeping its three-column event numbers.
#include "engine/SceneRecord.h"
#include "engine/CutList.h"
#include "engine/SceneDetector.h"
#include "engine/Timecode.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace zentar {
namespace {

RgbFrame Filled(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    RgbFrame frame(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memcpy(frame.data() + y * frame.stride() + 3 * x,
                        std::array<std::uint8_t, 3>{b, g, r}.data(), 3);
    return frame;
}

TEST(SceneRecordTest, TheScoreReachesOneExactlyWhenTheDetectorCuts) {
    std::mt19937 random(17);
    std::uniform_int_distribution<int> level(0, 255);
    DetectionSettings settings;
    settings.SceneDetection = 1;
    settings.SatThreshold = 0.4; // all three tests on
    SceneDetector detector;
    int cuts = 0;
    for (int i = 0; i < 400; ++i) {
        const RgbFrame frame = Filled(16, 12, static_cast<std::uint8_t>(level(random)),
                                      static_cast<std::uint8_t>(level(random)),
                                      static_cast<std::uint8_t>(level(random)));
        const FrameStats before = detector.previousStats();
        const bool changed = detector.DetectSceneChange(frame.view(), i, 0, settings);
        if (i == 0)
            continue;
        const double score =
            SceneDetector::NormalisedScore(before, detector.previousStats(), settings);
        EXPECT_EQ(score >= 1.0, changed) << i << " score " << score;
        cuts += changed;
    }
    EXPECT_TRUE(cuts > 50 && cuts < 399) << cuts;
}

TEST(SceneRecordTest, ThumbnailsAreUprightAndStopAtTheMemoryCap) {
    // Buffer row 0 is the bottom picture line: paint it red, the rest blue.
    RgbFrame frame = Filled(320, 240, 255, 0, 0);
    for (int x = 0; x < 320; ++x)
        frame.data()[3 * x] = 0, frame.data()[3 * x + 2] = 255;
    SceneRecord record;
    record.Start(25.0, true);
    const std::size_t perThumbnail = 160 * 120 * 3;
    const std::size_t fit = SceneRecord::kThumbnailBudget / perThumbnail + 1;
    for (std::size_t i = 0; i < fit + 5; ++i) {
        record.TakeThumbnail(frame.view());
        record.AddScene(static_cast<std::int64_t>(i) * 10, std::string());
    }
    record.Finish(static_cast<std::int64_t>(fit + 5) * 10);
    const SceneThumbnail& first = record.scenes().front().thumbnail;
    ASSERT_EQ(first.width * 1000 + first.height, 160120);
    EXPECT_EQ(first.rgb[0] * 1000 + first.rgb[2], 255); // top left: blue
    EXPECT_NEAR(first.rgb[(119 * 160) * 3], 128, 1);    // bottom: half of its two rows red
    std::size_t kept = 0;
    for (const SceneEntry& scene : record.scenes())
        kept += scene.thumbnail.empty() ? 0 : 1;
    EXPECT_EQ(kept, fit);
    EXPECT_TRUE(record.thumbnailsCapped());
    EXPECT_EQ(record.scenes().back().length(), 10);
}

TEST(SceneRecordTest, SmpteTimecodesAroundTheDroppedFrameNumbers) {
    const SmpteBase ntsc = SmpteBaseForRate(30000.0 / 1001);
    const SmpteBase ntsc60 = SmpteBaseForRate(60000.0 / 1001);
    ASSERT_TRUE(ntsc.dropFrame && ntsc60.dropFrame);
    EXPECT_FALSE(SmpteBaseForRate(30.0).dropFrame || SmpteBaseForRate(24000.0 / 1001).dropFrame);
    const struct {
        std::int64_t frame;
        SmpteBase base;
        const char* text;
    } cases[] = {{1799, ntsc, "00:00:59;29"},        {1800, ntsc, "00:01:00;02"},
                 {17981, ntsc, "00:09:59;29"},       {17982, ntsc, "00:10:00;00"},
                 {107892, ntsc, "01:00:00;00"},      {3600, ntsc60, "00:01:00;04"},
                 {1800, {30, false}, "00:01:00:00"}, {90000, {25, false}, "01:00:00:00"}};
    for (const auto& c : cases)
        EXPECT_EQ(SmpteTimecode(c.frame, c.base), c.text) << c.frame;
    EXPECT_EQ(ClockTimecode(30, 30000.0 / 1001), "00:00:01.00");
    EXPECT_EQ(ClockTimecode(1799, 25.0), "00:01:11.24");
}

TEST(SceneRecordTest, EditListEventNumbersStartAgainAfter999) {
    SceneRecord record;
    record.Start(25.0, true);
    for (int scene = 0; scene < 1001; ++scene)
        record.AddScene(scene * 10, {});
    record.Finish(10010);
    const std::string edl = CutListEdl(record, "film.mpg");
    std::vector<std::string> events;
    for (std::size_t at = edl.find("\r\n\r\n"); at != std::string::npos;
         at = edl.find("\r\n\r\n", at + 1))
        events.push_back(edl.substr(at + 4, edl.find("\r\n", at + 4) - at - 4));
    ASSERT_EQ(events.size(), 1001u);
    EXPECT_EQ(events[998].substr(0, 5), "999  ");
    EXPECT_EQ(events[999].substr(0, 5), "001  ");
    EXPECT_EQ(events[1000].substr(0, 5), "002  ");
    for (const std::string& event : events) // every field in its column
        EXPECT_EQ(event.size(), events[0].size()) << event;
    EXPECT_NE(events[1000].find("00:06:40:00 00:06:40:10"), std::string::npos) << events[1000];
}

} // namespace
} // namespace zentar

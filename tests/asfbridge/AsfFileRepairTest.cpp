// Repairing ASF files whose writing stopped half-way: files written whole by the ffmpeg
// tool's ASF muxer (the one the writer library uses) are cut inside a packet, as a full disk
// leaves them; after the repair the file holds whole packets only, decodes clean, and says
// how long it plays. Other files, and files cut inside their header, are left as they are.
#include "asfbridge/AsfFileRepair.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace zentar::asfbridge {
namespace {

// The end of the last video packet (its time plus one frame at 25 fps), in seconds.
double lastVideoEnd(const std::string& path) {
    std::string out;
    test::runCommand("ffprobe -v error -select_streams v -show_entries packet=pts_time"
                     " -of csv=p=0 '" +
                         path + "' | sort -g | tail -1",
                     out);
    return out.empty() ? -1 : std::stod(out) + 0.04;
}

TEST(AsfFileRepairTest, CutFilesKeepTheirWholePacketsAndTheirLength) {
    test::TempFolder folder("asf_repair");
    const std::string whole = folder.file("whole.wmv");
    std::string log;
    ASSERT_EQ(test::runCommand("ffmpeg -v error -nostdin -y -f lavfi -i testsrc=s=160x120:r=25:d=4"
                               " -f lavfi -i sine=r=22050:d=4 -c:v wmv2 -c:a wmav2 '" +
                                   whole + "' 2>&1",
                               log),
              0)
        << log;
    const std::string bytes = test::FileText(whole);
    const std::string path = folder.file("cut.wmv");
    for (size_t cut : {bytes.size() / 3, bytes.size() * 3 / 4 + 7}) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes.substr(0, cut);
        const AsfFileRepair::Result result = AsfFileRepair::Repair(path);
        ASSERT_TRUE(result.repaired);
        EXPECT_GT(result.packets, 0u);
        EXPECT_LE(result.size, static_cast<int64_t>(cut));
        EXPECT_EQ(std::filesystem::file_size(path), static_cast<uintmax_t>(result.size));
        std::string errors;
        test::runCommand("ffmpeg -nostdin -v error -i '" + path + "' -f null - 2>&1", errors);
        EXPECT_EQ(errors, "");
        const auto video = test::probeStream(path, "v:0", true);
        ASSERT_TRUE(video.has_value());
        EXPECT_GT(video->frames, 10);
        EXPECT_NEAR(test::probeFormatDuration(path), lastVideoEnd(path), 0.1);
    }

    for (const std::string& other :
         {bytes.substr(0, 200), std::string("Not a video at all.\n"), std::string()}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << other;
        EXPECT_FALSE(AsfFileRepair::Repair(path).repaired);
        EXPECT_EQ(test::FileText(path), other);
    }
}

} // namespace
} // namespace zentar::asfbridge

// Repairing AVI files whose writing stopped half-way: files written whole by the ffmpeg tool
// are cut at several places (inside a chunk, inside a chunk header, between chunks) as a
// full disk would leave them; after the repair ffprobe's header counts must equal the frames
// it decodes, and decoding must run clean to the end. Files that are not AVI, or whose
// header is cut, are left as they are.
#include "platform/media/AviRecovery.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace zentar {
namespace {

// Writes `bytes` to `path` and repairs it as the file writer does when a write failed.
AviRecovery::Result cutAndRepair(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    const AviRecovery::Result result = AviRecovery::Repair(fd);
    ::close(fd);
    return result;
}

std::string makeClip(const test::TempFolder& folder, const std::string& name,
                     const std::string& videoCodec) {
    const std::string path = folder.file(name);
    std::string log;
    const int status =
        test::runCommand("ffmpeg -v error -nostdin -y -f lavfi -i testsrc=s=64x48:r=25:d=1.2"
                         " -f lavfi -i sine=r=22050:d=1.2 -c:v " +
                             videoCodec + " -c:a pcm_s16le '" + path + "' 2>&1",
                         log);
    EXPECT_EQ(status, 0) << log;
    return test::FileText(path);
}

TEST(AviRecoveryTest, CutFilesKeepTheirWholeChunksWithMatchingCounts) {
    test::TempFolder folder("avi_recovery");
    for (const char* codec : {"rawvideo -pix_fmt bgr24", "mpeg4"}) {
        const std::string whole = makeClip(folder, "whole.avi", codec);
        ASSERT_GT(whole.size(), 20000u);
        const size_t movi = whole.find("movi");
        ASSERT_NE(movi, std::string::npos);
        // Within a chunk's data, within the first chunk's header, and just after a whole
        // chunk (the first one, whose size follows its id).
        uint32_t firstSize = 0;
        std::memcpy(&firstSize, whole.data() + movi + 8, 4);
        const size_t afterFirst = movi + 12 + firstSize + (firstSize & 1);
        for (size_t cut : {whole.size() * 35 / 100, whole.size() * 9 / 10, movi + 7, afterFirst}) {
            SCOPED_TRACE(std::string(codec) + " cut at " + std::to_string(cut));
            const std::string path = folder.file("cut.avi");
            const AviRecovery::Result result = cutAndRepair(path, whole.substr(0, cut));
            ASSERT_TRUE(result.repaired);
            EXPECT_LE(result.size, static_cast<int64_t>(cut));
            EXPECT_EQ(std::filesystem::file_size(path), static_cast<uintmax_t>(result.size));
            const auto decoded = test::probeStream(path, "v:0", true);
            const auto stated = test::probeStream(path, "v:0", false);
            ASSERT_TRUE(decoded && stated);
            if (cut == movi + 7) {
                EXPECT_EQ(result.videoFrames, 0u); // nothing whole: an empty, readable file
                continue;
            }
            EXPECT_EQ(decoded->frames, result.videoFrames);
            EXPECT_EQ(stated->frames, result.videoFrames);
            if (cut == afterFirst) {
                EXPECT_EQ(result.videoFrames, 1u);
            }
            std::string errors;
            test::runCommand("ffmpeg -nostdin -v error -i '" + path + "' -f null - 2>&1", errors);
            EXPECT_EQ(errors, "");
        }
    }
}

TEST(AviRecoveryTest, OtherFilesAndCutHeadersAreLeftAlone) {
    test::TempFolder folder("avi_recovery_alone");
    const std::string whole = makeClip(folder, "whole.avi", "mpeg4");
    const std::string path = folder.file("left.avi");
    for (const std::string& bytes :
         {whole.substr(0, 100), std::string("This is not a video file.\n"), std::string()}) {
        EXPECT_FALSE(cutAndRepair(path, bytes).repaired);
        EXPECT_EQ(test::FileText(path), bytes);
    }
}

} // namespace
} // namespace zentar

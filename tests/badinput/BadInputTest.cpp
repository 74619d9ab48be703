// zentar-convert on inputs that are empty, random, cut short, damaged in their headers, not
// media at all, without video, of odd frame sizes, or with absurd header values. Every run
// must end within its time limit, either refusing the input with "Cannot open input file."
// and writing nothing, or with an output the outside reader plays. The
// input is never changed. Outside the sanitizer builds the program runs with its address
// space capped, so an allocation sized from a header field rather than the frame fails.
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"
#include "tests/support/process/ChildProcess.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace zentar {
namespace {

namespace fs = std::filesystem;
using test::AudioSpec;
using test::ClipSpec;
using test::TempFolder;
using test::VideoSpec;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kCapAddressSpace = false; // sanitizers reserve terabytes of address space
#else
constexpr bool kCapAddressSpace = true;
#endif
// 3 GB: room for decoding threads and a few 4096 x 2160 frames, far below 65535 x 65535.
constexpr const char* kAddressSpaceKb = "3145728";
constexpr const char* kInputMessage = "Cannot open input file.\n";

void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

test::ChildResult convert(const std::string& input, const std::string& output,
                          std::vector<std::string> extra = {}) {
    const std::string program = std::string(ZENTAR_BINARY_DIR) + "/bin/zentar-convert";
    std::vector<std::string> args{"SrcFileName=" + input, "DstFileName=" + output};
    args.insert(args.end(), extra.begin(), extra.end());
    if (!kCapAddressSpace)
        return test::RunChild(program, args, 120000);
    std::vector<std::string> shell{
        "-c", std::string("ulimit -v ") + kAddressSpaceKb + " && exec \"$0\" \"$@\"", program};
    shell.insert(shell.end(), args.begin(), args.end());
    return test::RunChild("/bin/sh", shell, 120000);
}

// The run refused the input: the input message, status 1, no output file.
void expectRefused(const std::string& input, const std::string& output) {
    SCOPED_TRACE(input);
    const std::string before = test::FileText(input);
    const test::ChildResult r = convert(input, output);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.err, kInputMessage);
    EXPECT_FALSE(fs::exists(output));
    EXPECT_EQ(test::FileText(input), before);
}

// The run either refused the input as above, or wrote an output with a video stream that
// ffprobe reads (of `width` x `height` when given): a whole conversion (status 0) or one a
// damaged packet stopped half-way with the conversion message (status 1).
void expectRefusedOrPlayable(const std::string& input, const std::string& output,
                             std::vector<std::string> extra = {}, int width = 0, int height = 0) {
    SCOPED_TRACE(input);
    const std::string before = test::FileText(input);
    const test::ChildResult r = convert(input, output, std::move(extra));
    EXPECT_FALSE(r.timedOut);
    ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 1) << r.exitCode << " " << r.err;
    if (r.exitCode == 1 && r.err == kInputMessage) {
        EXPECT_FALSE(fs::exists(output));
    } else {
        if (r.exitCode == 1) {
            EXPECT_EQ(r.err, "Cannot make conversion.\n");
        }
        const auto video = test::probeStream(output, "v:0");
        ASSERT_TRUE(video.has_value()) << "unreadable output of " << input;
        if (width > 0) {
            EXPECT_EQ(video->width, width);
        }
        if (height > 0) {
            EXPECT_EQ(video->height, height);
        }
    }
    EXPECT_EQ(test::FileText(input), before);
    fs::remove(output);
}

ClipSpec clipSpec(const std::string& format, const std::string& videoEncoder,
                  const std::string& audioEncoder, int width = 64, int height = 48,
                  int frames = 25) {
    VideoSpec video{.encoder = videoEncoder, .width = width, .height = height, .frames = frames};
    video.cutFrames = {frames / 2};
    return {format, video, AudioSpec{.encoder = audioEncoder, .seconds = frames / 25.0}};
}

// Uncompressed BGR24 video in AVI (the fixture needs the pixel format named for it).
ClipSpec rawClip(int width, int height, int frames) {
    ClipSpec spec = clipSpec("avi", "rawvideo", "pcm_s16le", width, height, frames);
    spec.video->pixelFormat = "bgr24";
    return spec;
}

// One whole clip of each container the program reads.
struct Sample {
    std::string name;
    ClipSpec spec;
};
std::vector<Sample> samples() {
    return {{"clip.avi", clipSpec("avi", "mpeg4", "pcm_s16le")},
            {"clip.mpg", clipSpec("mpeg", "mpeg1video", "mp2")},
            {"clip.wmv", clipSpec("asf", "wmv2", "wmav2")}};
}

TEST(BadInputTest, EmptyRandomTextAndSoundOnlyFilesAreRefused) {
    TempFolder folder("badinput_refused");
    const std::string out = folder.file("out.avi");
    std::mt19937 random(20261206);
    EXPECT_EQ(convert(folder.file("missing.avi"), out).err, kInputMessage);
    for (const char* ext : {".avi", ".mpg", ".wmv", ".dat"}) {
        writeAll(folder.file(std::string("empty") + ext), "");
        expectRefused(folder.file(std::string("empty") + ext), out);
        std::string noise(65536, '\0');
        for (char& c : noise)
            c = static_cast<char>(random());
        writeAll(folder.file(std::string("noise") + ext), noise);
        expectRefused(folder.file(std::string("noise") + ext), out);
    }
    writeAll(folder.file("notes.avi"), "This is a text file, not a video.\nRIFF AVI LIST\n");
    expectRefused(folder.file("notes.avi"), out);

    expectRefused(test::writeClip(folder.file("sound.avi"), {.audio = AudioSpec{}}), out);
    expectRefused(
        test::writeClip(folder.file("sound.mpg"), {"mpeg", {}, AudioSpec{.encoder = "mp2"}}), out);
}

TEST(BadInputTest, TruncatedFilesEndWithTheMessageOrAPlayablePart) {
    TempFolder folder("badinput_truncated");
    for (const auto& sample : samples()) {
        const std::string whole =
            test::FileText(test::writeClip(folder.file(sample.name), sample.spec));
        for (double part : {0.02, 0.3, 0.6, 0.97}) {
            const std::string cut =
                folder.file("cut-" + std::to_string(int(part * 100)) + "-" + sample.name);
            writeAll(cut, whole.substr(0, static_cast<size_t>(whole.size() * part)));
            expectRefusedOrPlayable(cut, folder.file("out.avi"));
        }
    }
}

TEST(BadInputTest, DamagedHeadersAndBodiesEndWithTheMessageOrAPlayableOutput) {
    TempFolder folder("badinput_damaged");
    std::mt19937 random(42);
    for (const auto& sample : samples()) {
        const std::string whole =
            test::FileText(test::writeClip(folder.file(sample.name), sample.spec));
        for (int round = 0; round < 6; ++round) {
            std::string damaged = whole;
            // Even rounds damage the first 512 bytes (the headers), odd rounds the body.
            const size_t from = round % 2 == 0 ? 8 : whole.size() / 3;
            const size_t span = round % 2 == 0 ? 504 : whole.size() / 2;
            for (int hits = 0; hits < 24; ++hits)
                damaged[from + random() % span] = static_cast<char>(random());
            const std::string path =
                folder.file("damaged" + std::to_string(round) + "-" + sample.name);
            writeAll(path, damaged);
            expectRefusedOrPlayable(path, folder.file("out.avi"));
        }
    }
}

TEST(BadInputTest, AClockJumpInTheVideoIsFollowedOnInsteadOfFilled) {
    // 25 frames at 25 fps whose stamped times jump by 100,000 s after the tenth: filling the
    // gap would mean days of repeated frames.
    TempFolder folder("badinput_clock_jump");
    const std::string input = folder.file("jump.wmv");
    std::string log;
    ASSERT_EQ(test::runCommand("ffmpeg -v error -nostdin -y -f lavfi -i testsrc=s=64x48:r=25:d=1"
                               " -vf 'setpts=PTS+gte(N\\,10)*100000/TB' -fps_mode passthrough"
                               " -c:v wmv2 '" +
                                   input + "' 2>&1",
                               log),
              0)
        << log;
    const std::string out = folder.file("out.avi");
    const test::ChildResult r = convert(input, out);
    EXPECT_FALSE(r.timedOut);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto video = test::probeStream(out, "v:0", true);
    ASSERT_TRUE(video.has_value());
    EXPECT_NEAR(video->frames, 25, 1);
}

TEST(BadInputTest, OddFrameSizesConvertAtTheirOwnSize) {
    TempFolder folder("badinput_sizes");
    struct Size {
        const char* encoder;
        int width, height, frames;
    };
    for (const Size& s :
         {Size{"rawvideo", 321, 241, 6}, Size{"rawvideo", 1, 1, 6}, Size{"mpeg4", 4096, 2160, 3}}) {
        ClipSpec spec = std::strcmp(s.encoder, "rawvideo") == 0
                            ? rawClip(s.width, s.height, s.frames)
                            : clipSpec("avi", s.encoder, "pcm_s16le", s.width, s.height, s.frames);
        const std::string input = test::writeClip(
            folder.file("size" + std::to_string(s.width) + "x" + std::to_string(s.height) + ".avi"),
            spec);
        const std::string out = folder.file("out.avi");
        const std::string before = test::FileText(input);
        const test::ChildResult r = convert(input, out, {"VideoCodec=FFV1 Lossless"});
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, 0) << s.width << "x" << s.height << ": " << r.err;
        const auto video = test::probeStream(out, "v:0", true);
        ASSERT_TRUE(video.has_value()) << s.width << "x" << s.height;
        EXPECT_EQ(video->width, s.width);
        EXPECT_EQ(video->height, s.height);
        EXPECT_EQ(video->frames, s.frames);
        EXPECT_EQ(test::FileText(input), before);
        fs::remove(out);
    }
}

// The offset of the payload of the first chunk `id` at or after `from`, or npos.
size_t chunk(const std::string& riff, const char* id, size_t from = 0) {
    const size_t at = riff.find(id, from);
    return at == std::string::npos ? at : at + 8;
}

void put32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
}

TEST(BadInputTest, AbsurdAviHeaderValuesNeverCrashHangOrOverAllocate) {
    TempFolder folder("badinput_absurd");
    const std::string whole =
        test::FileText(test::writeClip(folder.file("clip.avi"), rawClip(32, 24, 10)));
    const size_t avih = chunk(whole, "avih");
    const size_t strh = chunk(whole, "strh");
    const size_t strf = chunk(whole, "strf", strh);
    ASSERT_NE(avih, std::string::npos);
    ASSERT_NE(strh, std::string::npos);
    ASSERT_NE(strf, std::string::npos);

    struct Edit {
        const char* name;
        std::vector<std::pair<size_t, uint32_t>> fields;
    };
    const Edit edits[] = {
        // dwMicroSecPerFrame, then the stream's dwScale / dwRate
        {"rate-zero", {{avih, 0}, {strh + 20, 1}, {strh + 24, 0}}},
        {"scale-zero", {{avih, 0}, {strh + 20, 0}, {strh + 24, 25}}},
        {"rate-billion", {{avih, 1}, {strh + 20, 1}, {strh + 24, 1000000000}}},
        // the main header's and the format's width and height
        {"size-65535",
         {{avih + 32, 65535}, {avih + 36, 65535}, {strf + 4, 65535}, {strf + 8, 65535}}},
        {"size-negative", {{strf + 4, 0x80000000u}, {strf + 8, 0xFFFFFFFFu}}},
        // dwSuggestedBufferSize of the main header and the stream, dwLength
        {"buffer-4g", {{avih + 28, 0xFFFFFFFFu}, {strh + 36, 0xFFFFFFFFu}, {strh + 32, ~0u}}},
        {"frames-4g", {{avih + 16, 0xFFFFFFFFu}, {strh + 32, 0xFFFFFFFFu}}},
    };
    for (const Edit& edit : edits) {
        std::string damaged = whole;
        for (const auto& [at, value] : edit.fields)
            put32(damaged, at, value);
        const std::string path = folder.file(std::string(edit.name) + ".avi");
        writeAll(path, damaged);
        expectRefusedOrPlayable(path, folder.file("out.avi"));
    }
}

} // namespace
} // namespace zentar

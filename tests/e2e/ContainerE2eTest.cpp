// MP4 and Matroska outputs through zentar-convert: compressor and container pairs read back
// by ffprobe, pairs the container cannot hold refused before any file exists, the type and
// compressors taken from the output name, clips that each start with a key frame, files
// cut short by a full disk or a killed process that still play, and today's inputs (MP4,
// MOV, MKV, WebM, MPEG-TS, FLV, a rotated phone clip) converted with their frames and sound.
#include "tests/e2e/E2eSupport.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zentar::e2e {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

const std::string kProgram = std::string(ZENTAR_BINARY_DIR) + "/bin/zentar-convert";

// 128 x 96, `frames` frames at num/den, a cut every 10 frames, 44.1 kHz sound as long.
std::string sceneClip(const std::string& path, int frames, int num = 25, int den = 1) {
    test::VideoSpec v{.width = 128, .height = 96, .fpsNum = num, .fpsDen = den, .frames = frames};
    for (int cut = 10; cut < frames; cut += 10)
        v.cutFrames.push_back(cut);
    const test::AudioSpec audio{.seconds = frames * double(den) / num};
    return test::writeClip(path, test::ClipSpec{"avi", v, audio});
}

TEST(ContainerE2eTest, EveryKindOfPairWritesAFileThatFfprobeReads) {
    TempFolder folder("e2e_containers");
    const std::string ntsc = sceneClip(folder.file("ntsc.avi"), 30, 30000, 1001);
    const char* const cases[][5] = {
        {"a.mp4", "", "", "h264", "aac"}, // the type's default compressors
        {"b.mp4", "H.265 (x265)", "Opus", "hevc", "opus"},
        {"c.mp4", "AV1 (SVT-AV1)", "FLAC", "av1", "flac"},
        {"d.mp4", "VP9", "MPEG Layer-3", "vp9", "mp3"},
        {"e.mp4", "MPEG-4 Part 2 (XVID)", "AAC", "mpeg4", "aac"},
        {"g.mkv", "H.264 (x264)", "PCM", "h264", "pcm_s16le"},
        {"h.mkv", "FFV1 Lossless", "Microsoft ADPCM", "ffv1", "adpcm_ms"},
        {"i.mkv", "Microsoft Video 1", "Opus", "msvideo1", "opus"},
    };
    for (const auto& c : cases) {
        const std::string out = folder.file(c[0]);
        SCOPED_TRACE(out);
        std::vector<std::string> args{"SrcFileName=" + ntsc, "DstFileName=" + out};
        if (*c[1] != '\0')
            args.insert(args.end(),
                        {std::string("VideoCodec=") + c[1], std::string("AudioCodec=") + c[2]});
        const test::ChildResult r = convert(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto video = test::probeStream(out, "v:0", true);
        ASSERT_TRUE(video.has_value());
        EXPECT_EQ(video->codecName, c[3]);
        EXPECT_EQ(video->width * 1000 + video->height, 128096);
        EXPECT_EQ(video->frames, 30);
        EXPECT_EQ(ffprobe(out, "-select_streams v -show_entries stream=r_frame_rate"),
                  "30000/1001");
        EXPECT_EQ(ffprobe(out, "-select_streams a -show_entries stream=codec_name"), c[4]);
        EXPECT_NEAR(test::probeFormatDuration(out), 1.001, 0.1);
        EXPECT_EQ(decodeErrors(out), "");
    }
}

TEST(ContainerE2eTest, TheNameChoosesTheTypeAndUnfitPairsAreRefusedBeforeAnyFile) {
    TempFolder folder("e2e_container_choice");
    const std::string input = "SrcFileName=" + sceneClip(folder.file("in.avi"), 25);
    const char* const refused[][4] = {
        {"r1.mp4", "VideoCodec=Microsoft Video 1", "AudioCodec=AAC",
         "\"Microsoft Video 1\" cannot be written to MP4"},
        {"r2.mp4", "VideoCodec=VP9", "AudioCodec=PCM", "\"PCM\" cannot be written to MP4"},
        {"r3.avi", "VideoCodec=H.264 (x264)", "AudioCodec=Opus",
         "\"Opus\" cannot be written to AVI"},
        {"r4.mkv", "VideoCodec=<Uncompressed>", "AudioCodec=PCM", "cannot be written to MKV"},
        {"r5.mkv", "DstFileType=2", "AudioCodec=AAC", "DstFileType=2 does not match the extension"},
    };
    for (const auto& c : refused) {
        const test::ChildResult r =
            convert({input, "DstFileName=" + folder.file(c[0]), c[1], c[2]});
        EXPECT_EQ(r.exitCode, 1) << c[0];
        EXPECT_NE(r.err.find(c[3]), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(folder.file(c[0]))) << c[0];
    }
}

TEST(ContainerE2eTest, Mp4ClipsEachStartWithAKeyFrameAndHoldEveryFrame) {
    TempFolder folder("e2e_mp4_clips");
    const std::string input = sceneClip(folder.file("in.avi"), 40);
    const test::ChildResult r = convert(
        {"SrcFileName=" + input, "DstFileName=" + folder.file("clip.mp4"), "SceneDetection=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    int64_t total = 0;
    int clips = 0;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        if (entry.path().extension() != ".mp4")
            continue;
        const std::string clip = entry.path().string();
        const auto video = test::probeStream(clip, "v:0", true);
        ASSERT_TRUE(video.has_value()) << clip;
        total += video->frames;
        ++clips;
        EXPECT_EQ(ffprobe(clip, "-select_streams v -show_entries packet=flags").substr(0, 1), "K");
    }
    EXPECT_GE(clips, 2);
    EXPECT_EQ(total, 40);
}

TEST(ContainerE2eTest, AFullDiskOrAStopLeavesMp4AndMkvFilesThatPlay) {
    TempFolder folder("e2e_container_cut");
    const std::string input = sceneClip(folder.file("in.avi"), 750);
    // About 1 MB of output, cut by a disk of 128 kB (a tmpfs in a mount namespace of its
    // own) or by Ctrl-C (Stop) once 100 kB are written; what was written is kept in $0.out.
    const std::vector<std::string> ways[] = {
        {"/usr/bin/unshare", "-m", "--propagation", "private", "sh", "-c",
         "mount -t tmpfs -o size=128k tmpfs \"$0\" 2>/dev/null || exit 97; cd \"$0\"; \"$@\";"
         " s=$?; cp out.* \"$0\".out; exit $s"},
        {"/bin/sh", "-c",
         "cd \"$0\"; \"$@\" & p=$!; i=0; while [ $(stat -c %s out.* 2>/dev/null || echo 0) -lt"
         " 100000 ] && [ $i -lt 3000 ]; do sleep 0.01; i=$((i+1)); done; kill -INT $p; wait $p;"
         " s=$?; cp out.* \"$0\".out; exit $s"}};
    for (const std::string type : {"mp4", "mkv"}) {
        for (const std::vector<std::string>& way : ways) {
            const std::string dir = folder.file(type + std::to_string(way.size()));
            fs::create_directories(dir);
            std::vector<std::string> args(way.begin() + 1, way.end());
            args.insert(args.end(),
                        {dir, kProgram, "SrcFileName=" + input, "DstFileName=out." + type,
                         "VideoCodec=Motion JPEG", "AudioCodec=AAC"});
            const test::ChildResult r = test::RunChild(way[0], args, 120000);
            if (r.exitCode == 97)
                continue; // no tmpfs can be mounted here
            EXPECT_EQ(r.exitCode, way.size() > 3 ? 1 : 130) << dir;
            const auto video = test::probeStream(dir + ".out", "v:0", true);
            ASSERT_TRUE(video.has_value()) << dir;
            EXPECT_TRUE(video->frames > 0 && video->frames < 750) << video->frames;
            EXPECT_EQ(decodeErrors(dir + ".out"), "");
        }
    }
}

TEST(ContainerE2eTest, TodaysInputsConvertWithTheirFramesRateAndSound) {
    TempFolder folder("e2e_modern_inputs");
    const char* const kinds[][4] = {
        {"a.mp4", "mp4", "libx264", "aac"},      {"b.mov", "mov", "libx264", "aac"},
        {"c.mkv", "matroska", "libx265", "aac"}, {"d.webm", "webm", "libvpx-vp9", "libopus"},
        {"e.ts", "mpegts", "mpeg2video", "ac3"}, {"f.flv", "flv", "libx264", "aac"},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k[0]);
        const bool ntsc = std::string(k[1]) == "mov";
        test::VideoSpec video{.encoder = k[2], .width = 128, .height = 96, .frames = 30};
        video.fpsNum = ntsc ? 30000 : 25;
        video.fpsDen = ntsc ? 1001 : 1;
        const test::AudioSpec audio{
            .encoder = k[3], .sampleRate = 48000, .seconds = 30.0 * video.fpsDen / video.fpsNum};
        const std::string input =
            test::writeClip(folder.file(k[0]), test::ClipSpec{k[1], video, audio});
        const std::string out = folder.file(std::string(k[0]) + ".mkv");
        const test::ChildResult r =
            convert({"SrcFileName=" + input, "DstFileName=" + out, "VideoCodec=H.264 (x264)"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto probed = test::probeStream(out, "v:0", true);
        ASSERT_TRUE(probed.has_value());
        EXPECT_EQ(probed->frames, 30);
        EXPECT_EQ(ffprobe(out, "-show_entries stream=r_frame_rate"), ntsc ? "30000/1001" : "25/1");
        EXPECT_NEAR(soundSeconds(out), audio.seconds, 0.1);
    }
}

TEST(ContainerE2eTest, APhoneClipStoredOnItsSideComesOutUpright) {
    TempFolder folder("e2e_rotated");
    // White above dark blue as stored, shown turned a quarter.
    test::VideoSpec video{.encoder = "libx264", .width = 128, .height = 96, .frames = 5};
    video.sceneColours = {{0, 0, 128}};
    video.topBandRows = 16;
    video.rotation = -90;
    const std::string input =
        test::writeClip(folder.file("phone.mp4"), test::ClipSpec{"mp4", video, std::nullopt});
    const std::string out = folder.file("upright.mkv");
    const test::ChildResult r =
        convert({"SrcFileName=" + input, "DstFileName=" + out, "VideoCodec=FFV1 Lossless"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // Upright as the ffmpeg tool shows the phone's clip: the stored top band on the same side.
    const std::vector<uint8_t> ours = test::ffmpegDecodeBgr24(out);
    const std::vector<uint8_t> shown = test::ffmpegDecodeBgr24(input);
    ASSERT_TRUE(ours.size() == shown.size() && ours.size() >= 96u * 128 * 3);
    const auto green = [](const std::vector<uint8_t>& p, int x) {
        return p[(64 * 96 + x) * 3 + 1];
    };
    EXPECT_NEAR(green(ours, 5), green(shown, 5), 40);
    EXPECT_NEAR(green(ours, 90), green(shown, 90), 40);
    EXPECT_NE(green(shown, 5) > 128, green(shown, 90) > 128);
}

} // namespace
} // namespace zentar::e2e

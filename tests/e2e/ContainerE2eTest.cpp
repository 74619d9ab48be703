// MP4 and Matroska outputs through zentar-convert: compressor and container pairs read back
// by ffprobe, pairs the container cannot hold refused before any file exists, the type and
// compressors taken from the output name, clips that each start with a key frame, files
// cut short by a full disk or a killed process that still play, and today's inputs (MP4,
// MOV, MKV, WebM, MPEG-TS, FLV, a rotated phone clip) converted with their frames and sound.
#include "tests/e2e/E2eSupport.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <thread>

namespace zentar::e2e {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// One stream entry of ffprobe ("codec_name", "r_frame_rate" ...) of the first matching stream.
std::string probeEntry(const std::string& path, const std::string& selector,
                       const std::string& entry) {
    std::string out;
    test::runCommand("ffprobe -v error -select_streams " + selector +
                         " -show_entries stream=" + entry + " -of default=nw=1:nk=1 '" + path + "'",
                     out);
    return out.substr(0, out.find('\n'));
}

std::string decodeErrors(const std::string& path) {
    std::string errors;
    test::runCommand("ffmpeg -nostdin -v error -i '" + path + "' -f null - 2>&1", errors);
    return errors;
}

// A 128 x 96 clip of `frames` frames at num/den with a scene cut every 10 frames and sound.
std::string sceneClip(const std::string& path, int frames, int num, int den,
                      const std::string& format = "avi") {
    test::VideoSpec video;
    video.width = 128;
    video.height = 96;
    video.frames = frames;
    video.fpsNum = num;
    video.fpsDen = den;
    for (int cut = 10; cut < frames; cut += 10)
        video.cutFrames.push_back(cut);
    test::AudioSpec audio;
    audio.sampleRate = 44100;
    audio.seconds = frames * double(den) / num;
    test::ClipSpec spec;
    spec.format = format;
    spec.video = video;
    spec.audio = audio;
    return test::writeClip(path, spec);
}

TEST(ContainerE2eTest, EveryKindOfPairWritesAFileThatFfprobeReads) {
    TempFolder folder("e2e_containers");
    const std::string ntsc = sceneClip(folder.file("ntsc.avi"), 30, 30000, 1001);
    struct Case {
        const char* file;
        const char* video;
        const char* audio;
        const char* videoName; // ffprobe's codec names
        const char* audioName;
    };
    const Case cases[] = {
        {"a.mp4", "H.264 (x264)", "AAC", "h264", "aac"},
        {"b.mp4", "H.265 (x265)", "Opus", "hevc", "opus"},
        {"c.mp4", "AV1 (SVT-AV1)", "FLAC", "av1", "flac"},
        {"d.mp4", "VP9", "MPEG Layer-3", "vp9", "mp3"},
        {"e.mp4", "MPEG-4 Part 2 (XVID)", "AAC", "mpeg4", "aac"},
        {"f.mp4", "Motion JPEG", "AAC", "mjpeg", "aac"},
        {"g.mkv", "H.264 (x264)", "PCM", "h264", "pcm_s16le"},
        {"h.mkv", "FFV1 Lossless", "Microsoft ADPCM", "ffv1", "adpcm_ms"},
        {"i.mkv", "Microsoft Video 1", "Opus", "msvideo1", "opus"},
    };
    for (const Case& c : cases) {
        const std::string out = folder.file(c.file);
        SCOPED_TRACE(out);
        const std::string type = fs::path(out).extension() == ".mp4" ? "2" : "3";
        const test::ChildResult r =
            convert({"SrcFileName=" + ntsc, "DstFileName=" + out, "DstFileType=" + type,
                     std::string("VideoCodec=") + c.video, std::string("AudioCodec=") + c.audio});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto video = test::probeStream(out, "v:0", true);
        ASSERT_TRUE(video.has_value());
        EXPECT_EQ(video->codecName, c.videoName);
        EXPECT_EQ(video->width, 128);
        EXPECT_EQ(video->height, 96);
        EXPECT_EQ(video->frames, 30);
        EXPECT_EQ(probeEntry(out, "v:0", "r_frame_rate"), "30000/1001");
        EXPECT_EQ(probeEntry(out, "a:0", "codec_name"), c.audioName);
        EXPECT_NEAR(test::probeFormatDuration(out), 1.001, 0.1);
        EXPECT_EQ(decodeErrors(out), "");
    }
}

TEST(ContainerE2eTest, TheNameChoosesTheTypeAndUnfitPairsAreRefusedBeforeAnyFile) {
    TempFolder folder("e2e_container_choice");
    const std::string input = sceneClip(folder.file("in.avi"), 25, 25, 1);

    // The name alone: an MP4 with H.264 and AAC.
    const std::string mp4 = folder.file("x.mp4");
    test::ChildResult r = convert({"SrcFileName=" + input, "DstFileName=" + mp4});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(probeEntry(mp4, "v:0", "codec_name"), "h264");
    EXPECT_EQ(probeEntry(mp4, "a:0", "codec_name"), "aac");
    std::string format;
    test::runCommand("ffprobe -v error -show_entries format=format_name -of csv=p=0 '" + mp4 + "'",
                     format);
    EXPECT_NE(format.find("mp4"), std::string::npos);

    struct Refused {
        std::vector<std::string> args;
        const char* message;
        const char* warning;
    };
    const Refused refused[] = {
        {{"DstFileName=" + folder.file("r1.mp4"), "VideoCodec=Microsoft Video 1"},
         "The compressor \"Microsoft Video 1\" cannot be written to MP4 files.",
         ""},
        {{"DstFileName=" + folder.file("r2.mp4"), "AudioCodec=PCM"},
         "The compressor \"PCM\" cannot be written to MP4 files.",
         ""},
        {{"DstFileName=" + folder.file("r3.avi"), "VideoCodec=H.264 (x264)", "AudioCodec=Opus"},
         "The compressor \"Opus\" cannot be written to AVI files.",
         ""},
        {{"DstFileName=" + folder.file("r4.mkv"), "VideoCodec=<Uncompressed>"},
         "The compressor \"<Uncompressed>\" cannot be written to MKV files.",
         ""},
        {{"DstFileName=" + folder.file("r5.mkv"), "DstFileType=2", "VideoCodec=VP9",
          "AudioCodec=PCM"},
         "The compressor \"PCM\" cannot be written to MP4 files.",
         "DstFileType=2 does not match the extension"},
    };
    for (const Refused& c : refused) {
        std::vector<std::string> args{"SrcFileName=" + input};
        args.insert(args.end(), c.args.begin(), c.args.end());
        r = convert(args);
        SCOPED_TRACE(c.message);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.warning), std::string::npos) << r.err;
    }
    for (const char* name : {"r1.mp4", "r2.mp4", "r3.avi", "r4.mkv", "r5.mkv"})
        EXPECT_FALSE(fs::exists(folder.file(name))) << name;
}

TEST(ContainerE2eTest, Mp4ClipsEachStartWithAKeyFrameAndHoldEveryFrame) {
    TempFolder folder("e2e_mp4_clips");
    const std::string input = sceneClip(folder.file("in.avi"), 40, 25, 1);
    const test::ChildResult r = convert(
        {"SrcFileName=" + input, "DstFileName=" + folder.file("clip.mp4"), "SceneDetection=1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    int64_t total = 0;
    int clips = 0;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        const std::string clip = entry.path().string();
        if (entry.path().extension() != ".mp4")
            continue;
        SCOPED_TRACE(clip);
        ++clips;
        const auto video = test::probeStream(clip, "v:0", true);
        ASSERT_TRUE(video.has_value());
        total += video->frames;
        std::string flags;
        test::runCommand("ffprobe -v error -select_streams v:0 -show_entries packet=flags -of "
                         "csv=p=0 '" +
                             clip + "' | head -n 1",
                         flags);
        EXPECT_EQ(flags.substr(0, 1), "K");
    }
    EXPECT_GE(clips, 2);
    EXPECT_EQ(total, 40);
}

// Runs the converter on a tmpfs of `size` in a mount namespace of its own and copies what
// the disk holds to `kept`. Status 97: no mount possible.
test::ChildResult convertOnSmallDisk(const std::string& size, const std::string& disk,
                                     const std::string& kept, std::vector<std::string> args) {
    const std::string script = "mount -t tmpfs -o size=" + size +
                               " tmpfs \"$0\" 2>/dev/null || exit 97; d=$0; k=$1; shift;"
                               " \"$@\"; s=$?; cp -a \"$d\"/. \"$k\"/; exit $s";
    std::vector<std::string> shell{"-m",
                                   "--propagation",
                                   "private",
                                   "sh",
                                   "-c",
                                   script,
                                   disk,
                                   kept,
                                   std::string(ZENTAR_BINARY_DIR) + "/bin/zentar-convert"};
    shell.insert(shell.end(), args.begin(), args.end());
    return test::RunChild("/usr/bin/unshare", shell, 120000);
}

// A file cut short: ffprobe reads it, and it holds some but not all of the frames. Cut by
// the program itself (a full disk) it must also decode without an error.
void expectPlaysUpToTheCut(const std::string& path, int64_t inputFrames, bool clean) {
    SCOPED_TRACE(path);
    const auto video = test::probeStream(path, "v:0", true);
    ASSERT_TRUE(video.has_value());
    EXPECT_GT(video->frames, 0);
    EXPECT_LT(video->frames, inputFrames);
    if (clean) {
        EXPECT_EQ(decodeErrors(path), "");
    }
}

TEST(ContainerE2eTest, AFullDiskOrAKilledRunLeavesMp4AndMkvFilesThatPlay) {
    TempFolder folder("e2e_container_cut");
    const std::string input = sceneClip(folder.file("in.avi"), 750, 25, 1);
    std::string ignored;
    const bool namespaces =
        test::runCommand("/usr/bin/unshare -m --propagation private true 2>&1", ignored) == 0;
    for (const std::string type : {"mp4", "mkv"}) {
        // About 1 MB of output on a disk of 128 kB.
        const std::string disk = folder.file("disk-" + type);
        const std::string kept = folder.file("kept-" + type);
        fs::create_directories(disk);
        fs::create_directories(kept);
        const std::vector<std::string> args{"SrcFileName=" + input,
                                            "DstFileName=" + disk + "/out." + type,
                                            "VideoCodec=Motion JPEG", "AudioCodec=AAC"};
        if (namespaces) {
            const test::ChildResult r = convertOnSmallDisk("128k", disk, kept, args);
            if (r.exitCode != 97) {
                EXPECT_EQ(r.exitCode, 1);
                expectPlaysUpToTheCut(kept + "/out." + type, 750, true);
            }
        }
        // Killed outright half-way: no chance to finish the file.
        const std::string killed = folder.file("killed." + type);
        const std::string script = "\"$@\" & p=$!; i=0; while [ $(stat -c %s '" + killed +
                                   "' 2>/dev/null || echo 0) -lt 100000 ] && [ $i -lt 3000 ];"
                                   " do sleep 0.01; i=$((i+1)); done; kill -9 $p; wait $p";
        test::RunChild("/bin/sh",
                       {"-c", script, "sh", std::string(ZENTAR_BINARY_DIR) + "/bin/zentar-convert",
                        "SrcFileName=" + input, "DstFileName=" + killed, "VideoCodec=Motion JPEG",
                        "AudioCodec=AAC"},
                       120000);
        expectPlaysUpToTheCut(killed, 750, false);
    }
}

TEST(ContainerE2eTest, TodaysInputsConvertWithTheirFramesRateAndSound) {
    TempFolder folder("e2e_modern_inputs");
    struct Kind {
        const char* file;
        const char* format;
        const char* video;
        const char* audio;
        int fpsNum;
        int fpsDen;
    };
    const Kind kinds[] = {
        {"a.mp4", "mp4", "libx264", "aac", 25, 1},
        {"b.mov", "mov", "libx264", "aac", 30000, 1001},
        {"c.mkv", "matroska", "libx265", "aac", 25, 1},
        {"d.webm", "webm", "libvpx-vp9", "libopus", 25, 1},
        {"e.ts", "mpegts", "mpeg2video", "ac3", 25, 1},
        {"f.flv", "flv", "libx264", "aac", 25, 1},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.file);
        test::VideoSpec video;
        video.encoder = k.video;
        video.width = 128;
        video.height = 96;
        video.frames = 30;
        video.fpsNum = k.fpsNum;
        video.fpsDen = k.fpsDen;
        video.cutFrames = {15};
        test::AudioSpec audio;
        audio.encoder = k.audio;
        audio.sampleRate = 48000;
        audio.seconds = 30.0 * k.fpsDen / k.fpsNum;
        test::ClipSpec spec;
        spec.format = k.format;
        spec.video = video;
        spec.audio = audio;
        const std::string input = test::writeClip(folder.file(k.file), spec);
        const std::string out = folder.file(std::string(k.file) + ".mkv");
        const test::ChildResult r =
            convert({"SrcFileName=" + input, "DstFileName=" + out, "VideoCodec=H.264 (x264)"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto probed = test::probeStream(out, "v:0", true);
        ASSERT_TRUE(probed.has_value());
        EXPECT_EQ(probed->frames, 30);
        EXPECT_EQ(probeEntry(out, "v:0", "r_frame_rate"),
                  k.fpsDen == 1 ? std::to_string(k.fpsNum) + "/1" : "30000/1001");
        EXPECT_NEAR(soundSeconds(out), audio.seconds, 0.1);
    }
}

TEST(ContainerE2eTest, APhoneClipStoredOnItsSideComesOutUpright) {
    TempFolder folder("e2e_rotated");
    test::VideoSpec video;
    video.encoder = "libx264";
    video.width = 128;
    video.height = 96;
    video.frames = 5;
    video.topBandRows = 16; // white above dark blue, as stored
    video.sceneColours = {{0, 0, 128}};
    video.rotation = -90; // shown turned a quarter clockwise
    test::ClipSpec spec;
    spec.format = "mp4";
    spec.video = video;
    const std::string input = test::writeClip(folder.file("phone.mp4"), spec);
    const std::string out = folder.file("upright.mkv");
    const test::ChildResult r =
        convert({"SrcFileName=" + input, "DstFileName=" + out, "VideoCodec=FFV1 Lossless"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto probed = test::probeStream(out, "v:0");
    ASSERT_TRUE(probed.has_value());
    EXPECT_EQ(probed->width, 96);
    EXPECT_EQ(probed->height, 128);
    // Upright as the ffmpeg tool shows the phone's clip: the stored top band on the same side.
    const std::vector<uint8_t> ours = test::ffmpegDecodeBgr24(out);
    const std::vector<uint8_t> shown = test::ffmpegDecodeBgr24(input);
    ASSERT_GE(ours.size(), 96u * 128 * 3);
    ASSERT_GE(shown.size(), 96u * 128 * 3);
    for (const int x : {5, 90}) {
        const size_t green = (64 * 96 + x) * 3 + 1;
        EXPECT_NEAR(ours[green], shown[green], 40) << x;
    }
    EXPECT_NE(shown[(64 * 96 + 5) * 3 + 1] > 128, shown[(64 * 96 + 90) * 3 + 1] > 128);
}

} // namespace
} // namespace zentar::e2e

// zentar-convert when the output stops taking bytes during the run: a small disk that fills
// up (a tmpfs mounted in a private mount namespace), and the clip folder removed or made
// read-only while the first clip is being written (the program is paused for the change).
// Each run must end within its time limit with the conversion message, the input untouched,
// and every file left behind one that plays: header counts equal to the frames it holds.
#include "tests/e2e/E2eSupport.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace zentar::e2e {
namespace {

namespace fs = std::filesystem;
using test::ClipSpec;
using test::TempFolder;
using test::VideoSpec;

const std::string kProgram = std::string(ZENTAR_BINARY_DIR) + "/bin/zentar-convert";
constexpr int kTimeLimitMs = 120000;

// 160 x 120 MPEG-4 with sound whose picture cuts to a new flat colour every tenth frame,
// so that clip splitting starts a clip every 0.4 s.
std::string scenes(const std::string& path, int frames) {
    VideoSpec video{.width = 160, .height = 120, .frames = frames};
    for (int cut = 10; cut < frames; cut += 10)
        video.cutFrames.push_back(cut);
    return test::writeClip(
        path, {"avi", video, test::AudioSpec{.sampleRate = 22050, .seconds = frames / 25.0}});
}

// Runs the converter on a tmpfs of `size` mounted on `disk` in a mount namespace of its
// own; what the disk holds at the end is copied to `kept`. Status 97: no mount possible.
test::ChildResult convertOnSmallDisk(const std::string& size, const std::string& disk,
                                     const std::string& kept, std::vector<std::string> args) {
    const std::string script = "mount -t tmpfs -o size=" + size +
                               " tmpfs \"$0\" 2>/dev/null || exit 97; d=$0; k=$1; shift;"
                               " \"$@\"; s=$?; cp -a \"$d\"/. \"$k\"/; exit $s";
    std::vector<std::string> shell{"-m", "--propagation", "private", "sh", "-c", script, disk,
                                   kept, kProgram};
    shell.insert(shell.end(), args.begin(), args.end());
    return test::RunChild("/usr/bin/unshare", shell, kTimeLimitMs);
}

TEST(WriteFaultE2eTest, AFullDiskStopsTheRunAndLeavesFilesThatPlay) {
    std::string ignored;
    if (test::runCommand("/usr/bin/unshare -m --propagation private true 2>&1", ignored) != 0)
        GTEST_SKIP() << "no mount namespace can be made here";
    TempFolder folder("e2e_full_disk");
    const std::string input = scenes(folder.file("in.avi"), 120);
    const std::string before = test::FileText(input);
    const std::string disk = folder.file("disk");
    fs::create_directories(disk);

    // One uncompressed output of about 7 MB on a 1 MB disk.
    const std::string kept = folder.file("kept");
    fs::create_directories(kept);
    test::ChildResult r = convertOnSmallDisk(
        "1m", disk, kept,
        {"SrcFileName=" + input, "DstFileName=" + disk + "/out.avi", "VideoCodec=<Uncompressed>"});
    if (r.exitCode == 97)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    expectFailure(r, "Cannot make conversion.");
    expectPlayable(kept + "/out.avi");

    // Clips: those finished before the disk filled up and the one it stopped stay whole.
    const std::string keptClips = folder.file("kept-clips");
    fs::create_directories(keptClips);
    r = convertOnSmallDisk("3m", disk, keptClips,
                           {"SrcFileName=" + input, "DstFileName=" + disk + "/clip.avi",
                            "VideoCodec=<Uncompressed>", "SceneDetection=1"});
    expectFailure(r, "Cannot make conversion.");
    const auto clips = filesBelow(keptClips);
    EXPECT_GE(clips.size(), 2u);
    for (const std::string& clip : clips)
        expectPlayable(keptClips + "/" + clip);

    // WMV: the packets written whole stay, and the file says how long it plays.
    const std::string keptWmv = folder.file("kept-wmv");
    fs::create_directories(keptWmv);
    r = convertOnSmallDisk(
        "12k", disk, keptWmv,
        {"SrcFileName=" + input, "DstFileName=" + disk + "/out.wmv", "DstFileType=1"});
    expectFailure(r, "Cannot make conversion.");
    const std::string wmv = keptWmv + "/out.wmv";
    const auto video = test::probeStream(wmv, "v:0", true);
    ASSERT_TRUE(video.has_value());
    EXPECT_GT(video->frames, 0);
    EXPECT_GT(test::probeFormatDuration(wmv), 0);
    EXPECT_EQ(decodeErrors(wmv), "");
    EXPECT_EQ(test::FileText(input), before);
}

// Runs the converter (behind `prefix`, a program and its arguments, when not empty) and,
// once `trigger` has bytes, pauses it, runs the shell command `change` and lets it go on.
test::ChildResult convertChangedMidRun(const std::vector<std::string>& prefix,
                                       const std::string& trigger, const std::string& change,
                                       const std::vector<std::string>& args,
                                       const std::vector<std::string>& environment) {
    const std::string script =
        "\"$@\" & pid=$!; i=0;"
        " while [ ! -s \"$TRIGGER\" ] && kill -0 $pid 2>/dev/null && [ $i -lt 3000 ];"
        " do sleep 0.01; i=$((i+1)); done;"
        " kill -STOP $pid 2>/dev/null; eval \"$CHANGE\"; kill -CONT $pid 2>/dev/null; wait $pid";
    std::vector<std::string> shell{"-c", script, "sh"};
    shell.insert(shell.end(), prefix.begin(), prefix.end());
    shell.push_back(kProgram);
    shell.insert(shell.end(), args.begin(), args.end());
    std::vector<std::string> env = environment;
    env.push_back("TRIGGER=" + trigger);
    env.push_back("CHANGE=" + change);
    return test::RunChild("/bin/sh", shell, kTimeLimitMs, "", env);
}

TEST(WriteFaultE2eTest, AClipFolderRemovedOrMadeReadOnlyMidRunEndsTheRunWithTheMessage) {
    TempFolder folder("e2e_folder_changes");
    const std::string input = scenes(folder.file("in.avi"), 400);
    const std::string before = test::FileText(input);

    // Removed: the clip being written goes with it; the next clip cannot be made.
    const std::string gone = folder.file("gone");
    fs::create_directories(gone);
    test::ChildResult r = convertChangedMidRun(
        {}, gone + "/clip00000.avi", "rm -rf '" + gone + "'",
        {"SrcFileName=" + input, "DstFileName=" + gone + "/clip.avi", "SceneDetection=1"}, {});
    expectFailure(r, "Cannot make conversion.");

    // Made read-only: the clip already open is finished whole, the next one cannot be made.
    // Permissions do not bind root, so as root the converter runs as nobody.
    std::vector<std::string> prefix;
    if (::geteuid() == 0) {
        prefix = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        std::string ignored;
        if (test::runCommand("/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups"
                             " test -r '" +
                                 input + "'",
                             ignored) != 0)
            GTEST_SKIP() << "the test folder is out of reach of other users";
    }
    const std::string home = folder.file("home");
    const std::string locked = folder.file("locked");
    fs::create_directories(home);
    fs::create_directories(locked);
    fs::permissions(home, fs::perms::all);
    fs::permissions(locked, fs::perms::all);
    r = convertChangedMidRun(
        prefix, locked + "/clip00000.avi", "chmod 0555 '" + locked + "'",
        {"SrcFileName=" + input, "DstFileName=" + locked + "/clip.avi", "SceneDetection=1"},
        {"HOME=" + home, "XDG_CONFIG_HOME=" + home});
    fs::permissions(locked, fs::perms::all);
    expectFailure(r, "Cannot make conversion.");
    const auto clips = filesBelow(locked);
    ASSERT_EQ(clips.size(), 1u);
    expectPlayable(locked + "/" + clips.front());
    EXPECT_EQ(test::FileText(input), before);
}

} // namespace
} // namespace zentar::e2e

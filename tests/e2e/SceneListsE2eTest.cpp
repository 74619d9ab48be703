// The scene lists zentar-convert writes (--cuts, --edl, --contact-sheet) read back from files
// on real inputs with known cuts: the EDL parsed by a reader of the CMX 3600 layout written
// here (event, reel, track, transition, four timecodes; drop-frame counting), the CSV against
// the project file's cuts, the contact sheet through ffprobe; the options leave the clips and
// the project file as they are without them, and a list never replaces the input.
#include "tests/e2e/E2eSupport.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <tuple>

namespace zentar::e2e {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> split(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, separator);)
        fields.push_back(field);
    if (!line.empty() && line.back() == separator)
        fields.emplace_back();
    return fields;
}

// SMPTE "HH:MM:SS:FF" (or ';' before FF) at a nominal whole rate to a frame count. Drop-frame
// counting leaves out frame numbers 0 and 1 of every minute but each tenth.
int64_t framesOf(const std::string& timecode, int nominal, bool dropFrame) {
    EXPECT_EQ(timecode.size(), 11u) << timecode;
    EXPECT_EQ(timecode[8], dropFrame ? ';' : ':') << timecode;
    const int64_t hh = std::stoi(timecode.substr(0, 2)), mm = std::stoi(timecode.substr(3, 2));
    const int64_t ss = std::stoi(timecode.substr(6, 2)), ff = std::stoi(timecode.substr(9, 2));
    EXPECT_LT(ff, nominal) << timecode;
    const int64_t minutes = hh * 60 + mm;
    const int64_t counted = (minutes * 60 + ss) * nominal + ff;
    return dropFrame ? counted - 2 * (minutes - minutes / 10) : counted;
}

struct EdlEvent {
    int number;
    int64_t sourceIn, sourceOut, recordIn, recordOut;
};

// Events of a CMX 3600 list: title, frame-count mode, then one line per event with its
// comments ("*") after it.
std::vector<EdlEvent> parseEdl(const std::string& text, int nominal, bool* dropFrame) {
    const std::vector<std::string> all = lines(text);
    EXPECT_GE(all.size(), 2u);
    EXPECT_EQ(all[0].rfind("TITLE: ", 0), 0u) << all[0];
    EXPECT_TRUE(all[1] == "FCM: DROP FRAME" || all[1] == "FCM: NON-DROP FRAME") << all[1];
    *dropFrame = all[1] == "FCM: DROP FRAME";
    std::vector<EdlEvent> events;
    for (size_t i = 2; i < all.size(); ++i) {
        if (all[i].empty() || all[i][0] == '*')
            continue;
        std::istringstream in(all[i]);
        std::string number, reel, track, transition, tc[4];
        in >> number >> reel >> track >> transition >> tc[0] >> tc[1] >> tc[2] >> tc[3];
        EXPECT_TRUE(in && number.size() == 3 && reel.size() <= 8) << all[i];
        EXPECT_EQ(track, "V");
        EXPECT_EQ(transition, "C");
        events.push_back({std::stoi(number), framesOf(tc[0], nominal, *dropFrame),
                          framesOf(tc[1], nominal, *dropFrame),
                          framesOf(tc[2], nominal, *dropFrame),
                          framesOf(tc[3], nominal, *dropFrame)});
    }
    return events;
}

std::string knownCuts(const std::string& path, int fpsNum, int fpsDen, int frames,
                      std::vector<int> cuts) {
    test::VideoSpec video{.fpsNum = fpsNum, .fpsDen = fpsDen, .frames = frames};
    video.cutFrames = std::move(cuts);
    video.sceneColours = {{200, 200, 200}, {40, 40, 40}, {220, 220, 220}, {60, 60, 90}};
    return test::writeClip(path, {.video = video});
}

TEST(SceneListsE2eTest, EdlAndCsvMatchTheProjectFilesCutsAtEachRate) {
    // Cuts past the first minute, where drop-frame and plain counting differ.
    // Name, rate, nominal whole rate, drop-frame counting.
    for (const auto& [name, fpsNum, fpsDen, nominal, drop] : {std::tuple{"25", 25, 1, 25, false},
                                                              {"29.97", 30000, 1001, 30, true},
                                                              {"30", 30, 1, 30, false}}) {
        SCOPED_TRACE(name);
        test::TempFolder folder(std::string("e2e_scene_lists_") + name);
        const std::string input =
            knownCuts(folder.file("in.avi"), fpsNum, fpsDen, 2000, {700, 1810, 1900});
        const test::ChildResult r =
            convert({"SrcFileName=" + input, "SceneDetection=2",
                     "ClipsFileName=" + folder.file("cuts.flp"), "--cuts", folder.file("s.csv"),
                     "--edl", folder.file("s.edl"), "--contact-sheet=" + folder.file("s.jpg")});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("Summary: 4 scenes, 0 clips written, 2000 frames"), std::string::npos)
            << r.out;
        const std::vector<int64_t> project = projectLines(folder.file("cuts.flp"));
        ASSERT_EQ(project, (std::vector<int64_t>{0, 700, 1810, 1900, 2000}));

        bool dropFrame = false;
        const std::vector<EdlEvent> events =
            parseEdl(test::FileText(folder.file("s.edl")), nominal, &dropFrame);
        EXPECT_EQ(dropFrame, drop);
        ASSERT_EQ(events.size(), project.size() - 1);
        for (size_t i = 0; i < events.size(); ++i) {
            EXPECT_EQ(events[i].number, static_cast<int>(i) + 1);
            const EdlEvent& e = events[i]; // out points are exclusive
            EXPECT_EQ(std::tuple(e.sourceIn, e.sourceOut, e.recordIn),
                      std::tuple(project[i], project[i + 1], i == 0 ? 0 : events[i - 1].recordOut))
                << "event " << i;
            EXPECT_EQ(e.recordOut - e.recordIn, e.sourceOut - e.sourceIn);
        }

        const std::vector<std::string> rows = lines(test::FileText(folder.file("s.csv")));
        ASSERT_EQ(rows.size(), project.size());
        EXPECT_EQ(rows[0].rfind("index,first_frame,last_frame,", 0), 0u);
        const double rate = static_cast<double>(fpsNum) / fpsDen;
        for (size_t i = 1; i < rows.size(); ++i) {
            const std::vector<std::string> f = split(rows[i], ',');
            ASSERT_EQ(f.size(), 10u) << rows[i];
            EXPECT_EQ(std::tuple(std::stoll(f[1]), std::stoll(f[2]), std::stoll(f[7])),
                      std::tuple(project[i - 1], project[i] - 1, project[i] - project[i - 1]))
                << rows[i];
            EXPECT_NEAR(std::stod(f[5]), project[i - 1] / rate, 1e-4) << rows[i];
            EXPECT_NEAR(std::stod(f[6]), project[i] / rate, 1e-4) << rows[i];
            EXPECT_GE(std::stod(f[8]), i == 1 ? 0.0 : 1.0) << rows[i]; // cuts reach the threshold
        }

        const auto sheet = test::probeStream(folder.file("s.jpg"), "v:0");
        ASSERT_TRUE(sheet);
        EXPECT_EQ(sheet->codecName, "mjpeg");
        EXPECT_GE(sheet->width, 4 * 64); // four thumbnails in a row
    }
}

TEST(SceneListsE2eTest, TheListsLeaveClipsAndProjectFileAsTheyAre) {
    test::TempFolder folder("e2e_scene_lists_same");
    const std::string input = knownCuts(folder.file("in.avi"), 25, 1, 60, {20, 45});
    for (const char* run : {"plain", "lists"}) {
        fs::create_directory(folder.file(run));
        std::vector<std::string> args = {"SrcFileName=" + input, "SceneDetection=1",
                                         "DstFileName=" + folder.file(std::string(run) + "/c.avi")};
        if (std::string(run) == "lists")
            args.insert(args.end(), {"--cuts", folder.file("l.csv"), "--edl", folder.file("l.edl"),
                                     "--contact-sheet", folder.file("l.png")});
        ASSERT_EQ(convert(args).exitCode, 0) << run;
    }
    for (const char* clip : {"c00000.avi", "c00001.avi", "c00002.avi"}) {
        const std::string plain = test::FileText(folder.file(std::string("plain/") + clip));
        EXPECT_FALSE(plain.empty()) << clip;
        EXPECT_EQ(plain, test::FileText(folder.file(std::string("lists/") + clip))) << clip;
    }
    const std::vector<std::string> rows = lines(test::FileText(folder.file("l.csv")));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(split(rows[3], ',').back(), folder.file("lists/c00002.avi"));
    const auto sheet = test::probeStream(folder.file("l.png"), "v:0");
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->codecName, "png");

    // A list named like the input is refused before anything is converted.
    const std::string before = test::FileText(input);
    const test::ChildResult refused =
        convert({"SrcFileName=" + input, "SceneDetection=1", "DstFileName=" + folder.file("r.avi"),
                 "--edl", folder.file("./in.avi")});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(test::FileText(input), before);
    EXPECT_FALSE(fs::exists(folder.file("r00000.avi")));
}

} // namespace
} // namespace zentar::e2e

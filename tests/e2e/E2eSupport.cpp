#include "tests/e2e/E2eSupport.h"

#include "engine/ReaderGraph.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace zentar::e2e {

test::ChildResult convert(const std::vector<std::string>& args, int timeoutMs) {
    static const std::string program = std::string(ZENTAR_BINARY_DIR) + "/bin/zentar-convert";
    return test::RunChild(program, args, timeoutMs);
}

int greyLevel(int frame, int frames) {
    return 16 + frame * (224 / frames);
}

std::string writeNumberedClip(const std::string& path, int frames, int fpsNum, int fpsDen) {
    test::VideoSpec video{
        .fpsNum = fpsNum, .fpsDen = fpsDen, .frames = frames, .bitRate = 2'000'000};
    for (int i = 0; i < frames; ++i) {
        if (i > 0)
            video.cutFrames.push_back(i);
        const auto level = static_cast<uint8_t>(greyLevel(i, frames));
        video.sceneColours.push_back({level, level, level});
    }
    return test::writeClip(path, {.video = video});
}

std::vector<int> frameIndices(const std::string& path, int width, int height, int frames) {
    // Every stored frame once: no frames repeated or dropped to fit a constant rate.
    std::string pixels;
    test::runCommand("ffmpeg -nostdin -v error -i '" + path +
                         "' -an -vsync passthrough -f rawvideo -pix_fmt bgr24 - 2>/dev/null",
                     pixels);
    const size_t frameBytes = static_cast<size_t>(width) * height * 3;
    const int step = 224 / frames;
    std::vector<int> indices;
    for (size_t offset = 0; offset + frameBytes <= pixels.size(); offset += frameBytes) {
        const size_t centre = offset + (static_cast<size_t>(height / 2) * width + width / 2) * 3;
        const int level =
            static_cast<uint8_t>(pixels[centre + 1]); // green: the channel every format keeps best
        const int index = (level - 16 + step / 2) / step;
        const bool near =
            index >= 0 && index < frames && std::abs(level - greyLevel(index, frames)) <= step / 2;
        indices.push_back(near ? index : -1);
    }
    return indices;
}

double soundSeconds(const std::string& path) {
    const auto stream = test::probeStream(path, "a:0");
    if (!stream || stream->sampleRate <= 0)
        return -1;
    std::string samples;
    if (test::runCommand("ffmpeg -nostdin -v error -i '" + path +
                             "' -map 0:a:0 -ac 1 -f s16le -acodec pcm_s16le -",
                         samples) != 0)
        return -1;
    return static_cast<double>(samples.size()) / 2.0 / stream->sampleRate;
}

int64_t framesReadBack(const std::string& path) {
    ReaderGraph reader(path, ReaderGraph::VideoTemplate(), true);
    int64_t frames = 0;
    for (;;) {
        uint32_t length = 0;
        reader.NextSample(&length, nullptr, nullptr);
        if (length == 0)
            return frames;
        ++frames;
    }
}

void expectFailure(const test::ChildResult& r, const std::string& message) {
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, message + "\n");
}

std::string ffprobe(const std::string& path, const std::string& what) {
    std::string out;
    test::runCommand("ffprobe -v error " + what + " -of csv=p=0 '" + path + "' | head -n 1", out);
    return out.substr(0, out.find('\n'));
}

std::string decodeErrors(const std::string& path) {
    std::string errors;
    test::runCommand("ffmpeg -nostdin -v error -i '" + path + "' -f null - 2>&1", errors);
    return errors;
}

void expectPlayable(const std::string& path) {
    SCOPED_TRACE(path);
    const auto decoded = test::probeStream(path, "v:0", true);
    const auto stated = test::probeStream(path, "v:0", false);
    ASSERT_TRUE(decoded && stated);
    EXPECT_GT(decoded->frames, 0);
    EXPECT_EQ(stated->frames, decoded->frames);
    EXPECT_EQ(decodeErrors(path), "");
}

std::vector<std::string> filesBelow(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file())
            files.push_back(entry.path().lexically_relative(folder).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<int64_t> projectLines(const std::string& path) {
    std::istringstream text(test::FileText(path));
    std::vector<int64_t> values;
    std::string line;
    for (int i = 0; std::getline(text, line); ++i) {
        if (i >= 2)
            values.push_back(std::stoll(line));
    }
    return values;
}

} // namespace zentar::e2e

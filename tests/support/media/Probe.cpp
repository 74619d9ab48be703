#include "tests/support/media/Probe.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <sys/wait.h>

namespace zentar::test {

namespace {

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

std::map<std::string, std::string> parseKeyValues(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos && !values.contains(line.substr(0, eq))) {
            values[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return values;
}

int64_t toInt(const std::map<std::string, std::string>& v, const std::string& key) {
    const auto it = v.find(key);
    if (it == v.end() || it->second.empty() || it->second == "N/A") {
        return -1;
    }
    return std::stoll(it->second);
}

double toDouble(const std::map<std::string, std::string>& v, const std::string& key) {
    const auto it = v.find(key);
    if (it == v.end() || it->second.empty() || it->second == "N/A") {
        return -1;
    }
    return std::stod(it->second);
}

} // namespace

std::string streamFacts(const std::string& path, const std::string& selector) {
    const bool video = selector.front() == 'v';
    const auto s = probeStream(path, selector, video);
    if (!s)
        return "none";
    return video ? s->codecName + " " + std::to_string(s->width) + "x" + std::to_string(s->height) +
                       " " + std::to_string(s->frames)
                 : s->codecName + " " + std::to_string(s->sampleRate) + " " +
                       std::to_string(s->channels);
}

int runCommand(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) {
        output.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::optional<ProbedStream> probeStream(const std::string& path, const std::string& selector,
                                        bool countFrames) {
    std::string out;
    const std::string command =
        "ffprobe -v error -select_streams " + selector + (countFrames ? " -count_frames" : "") +
        " -show_entries stream=codec_name,width,height,nb_frames,"
        "nb_read_frames,duration,sample_rate,channels -of default=noprint_wrappers=1 " +
        quoted(path) + " 2>/dev/null";
    if (runCommand(command, out) != 0 || out.find("codec_name=") == std::string::npos) {
        return std::nullopt;
    }
    const auto v = parseKeyValues(out);
    ProbedStream s;
    s.codecName = v.at("codec_name");
    s.width = static_cast<int>(toInt(v, "width"));
    s.height = static_cast<int>(toInt(v, "height"));
    s.frames = countFrames ? toInt(v, "nb_read_frames") : toInt(v, "nb_frames");
    s.durationSeconds = toDouble(v, "duration");
    s.sampleRate = static_cast<int>(toInt(v, "sample_rate"));
    s.channels = static_cast<int>(toInt(v, "channels"));
    return s;
}

double probeFormatDuration(const std::string& path) {
    std::string out;
    runCommand("ffprobe -v error -show_entries format=duration -of default=noprint_wrappers=1 " +
                   quoted(path) + " 2>/dev/null",
               out);
    return toDouble(parseKeyValues(out), "duration");
}

double probeStreamEnd(const std::string& path, const std::string& selector) {
    std::string out;
    if (runCommand("ffprobe -v error -select_streams " + selector +
                       " -show_entries packet=pts_time,duration_time -of csv=p=0 " + quoted(path) +
                       " 2>/dev/null",
                   out) != 0) {
        return -1;
    }
    double end = -1;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const auto comma = line.find(',');
        if (comma == std::string::npos || line.substr(0, comma) == "N/A" ||
            line.substr(comma + 1).rfind("N/A", 0) == 0) {
            continue;
        }
        end = std::max(end, std::stod(line.substr(0, comma)) + std::stod(line.substr(comma + 1)));
    }
    return end;
}

std::vector<uint8_t> ffmpegDecodeBgr24(const std::string& path) {
    std::string out;
    runCommand("ffmpeg -v error -nostdin -i " + quoted(path) +
                   " -an -f rawvideo -pix_fmt bgr24 - 2>/dev/null",
               out);
    return std::vector<uint8_t>(out.begin(), out.end());
}

} // namespace zentar::test

// Test helper: runs the ffprobe tool on a file and returns what it reports per stream
// (codec, size, sample rate, channels, bit rate, frames counted by decoding, duration).
// ffprobe is the outside reader that proves a written file is a real one.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace zentar::test {

struct ProbedStream {
    std::map<std::string, std::string> fields;
    std::string get(const std::string& key) const {
        const auto it = fields.find(key);
        return it == fields.end() ? std::string() : it->second;
    }
    long long integer(const std::string& key) const {
        return std::strtoll(get(key).c_str(), nullptr, 10);
    }
    double real(const std::string& key) const { return std::strtod(get(key).c_str(), nullptr); }
};

struct ProbedFile {
    bool ok = false; // ffprobe ran and exited with 0
    std::vector<ProbedStream> streams;
    const ProbedStream* byType(const std::string& type) const {
        for (const auto& s : streams)
            if (s.get("codec_type") == type)
                return &s;
        return nullptr;
    }
};

// Runs "ffprobe -show_streams -count_frames" (bounded by timeout) and parses its output.
inline ProbedFile probeFile(const std::string& path) {
    const std::string command =
        "timeout 120 ffprobe -v error -count_frames -show_streams '" + path + "' 2>/dev/null";
    ProbedFile result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        if (text == "[STREAM]") {
            result.streams.emplace_back();
        } else if (const auto eq = text.find('=');
                   eq != std::string::npos && !result.streams.empty()) {
            result.streams.back().fields[text.substr(0, eq)] = text.substr(eq + 1);
        }
    }
    result.ok = pclose(pipe) == 0;
    return result;
}

} // namespace zentar::test

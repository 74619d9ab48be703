// RunReport: the facts of one input's conversion as zentar-convert reports them, one JSON
// object: {"input", "outputs", "scenes", "frames", "seconds", "status", "message"}. A
// single conversion writes it to its --report file; a batch writes one a line to its
// --report file as each input finishes, and reads its children's reports back. File names
// are written as the UTF-8 bytes they are. Plain value; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentar {

struct RunReport {
    // Values of `status`.
    static constexpr std::string_view kConverted = "converted";
    static constexpr std::string_view kSkipped = "skipped"; // its outputs were complete
    static constexpr std::string_view kFailed = "failed";
    static constexpr std::string_view kStopped = "stopped"; // by Ctrl-C

    std::string input;
    std::vector<std::string> outputs;
    int64_t scenes = 0;
    uint64_t frames = 0;
    double seconds = 0;
    std::string status;
    std::string message; // the failure's message; empty otherwise

    // The object on one line, without a line end.
    std::string ToJson() const;
    // The object back from ToJson's text; nothing when the text is not such an object.
    static std::optional<RunReport> FromJson(std::string_view text);
};

} // namespace zentar

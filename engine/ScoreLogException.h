// ScoreLogException: creating or writing the detection score log failed. Thrown by value where
// the log is written; the front ends report it as "Cannot write the detection score log."
// Carries the path and the system error number for diagnostics.
#pragma once

#include <cstring>
#include <stdexcept>
#include <string>

namespace zentar {

class ScoreLogException : public std::runtime_error {
public:
    ScoreLogException(const std::string& path, int errorNumber)
        : std::runtime_error("cannot write score log " + path + ": " +
                             (errorNumber ? std::strerror(errorNumber) : "write failed")),
          path_(path) {}

    const std::string& path() const noexcept { return path_; }

private:
    std::string path_;
};

} // namespace zentar

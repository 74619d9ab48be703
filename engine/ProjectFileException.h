// ProjectFileException: creating or writing the Frameloom project file failed. Thrown by
// value where the project file is written; the front ends report it as "Cannot write
// Frameloom project file". Carries the path and the system error number for diagnostics.
#pragma once

#include <cstring>
#include <stdexcept>
#include <string>

namespace zentar {

class ProjectFileException : public std::runtime_error {
public:
    ProjectFileException(const std::string& path, int errorNumber)
        : std::runtime_error("cannot write project file " + path + ": " +
                             (errorNumber ? std::strerror(errorNumber) : "write failed")),
          path_(path), errorNumber_(errorNumber) {}

    const std::string& path() const noexcept { return path_; }
    int errorNumber() const noexcept { return errorNumber_; }

private:
    std::string path_;
    int errorNumber_;
};

} // namespace zentar

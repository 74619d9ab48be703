#include "engine/ProjectFile.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

#include "engine/ProjectFileException.h"
#include "platform/system/System.h"

namespace zentar {
namespace {

constexpr std::string_view kHeader = "text description 30";
constexpr std::string_view kLineEnd = "\r\n";

} // namespace

ProjectFile::ProjectFile(std::string clipsFileName, std::string srcFileName)
    : path_(std::move(clipsFileName)), source_(std::move(srcFileName)) {}

ProjectFile::~ProjectFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void ProjectFile::AppendCut(std::int64_t value) {
    if (failed_) {
        return; // already reported; the file is gone from our hands
    }
    if (fd_ < 0) {
        Create();
    }
    char line[24];
    auto [end, error] = std::to_chars(line, line + sizeof line - 2, value);
    (void)error; // 20 characters always hold an int64
    *end++ = '\r';
    *end++ = '\n';
    Write(std::string_view(line, static_cast<std::size_t>(end - line)));
}

void ProjectFile::CloseProjectFile(std::int64_t finalCut) {
    if (fd_ < 0) {
        return;
    }
    AppendCut(finalCut);
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) {
        failed_ = true;
        throw ProjectFileException(path_, errno);
    }
}

void ProjectFile::Create() {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        Fail(errno);
    }
    std::string head;
    head.reserve(kHeader.size() + source_.size() + 2 * kLineEnd.size());
    head.append(kHeader).append(kLineEnd).append(source_).append(kLineEnd);
    Write(head);
}

void ProjectFile::Write(std::string_view text) {
    if (const int error = WriteAll(fd_, text)) {
        Fail(error);
    }
}

void ProjectFile::Fail(int errorNumber) {
    if (fd_ >= 0) {
        ::close(std::exchange(fd_, -1));
    }
    failed_ = true;
    throw ProjectFileException(path_, errorNumber);
}

} // namespace zentar

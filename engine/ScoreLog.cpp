#include "engine/ScoreLog.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

#include "engine/ScoreLogException.h"
#include "platform/system/System.h"

namespace zentar {
namespace {

constexpr std::size_t kBlockBytes = 1 << 16;

} // namespace

ScoreLog::ScoreLog(std::string path) : path_(std::move(path)) {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        Fail(errno);
    }
    buffer_.reserve(kBlockBytes + 256);
    buffer_ = "frame,seconds,score,threshold,content,cut,reason\n";
}

ScoreLog::~ScoreLog() {
    if (fd_ >= 0) {
        try {
            Flush();
        } catch (...) {
            // Reported only through Close; the destructor runs on failure paths.
        }
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
}

void ScoreLog::Write(const FrameDecision& decision, double seconds) {
    if (fd_ < 0) {
        return;
    }
    char row[160];
    const int length = std::snprintf(row, sizeof row, "%llu,%.4f,%.3f,%.3f,%.3f,%d,%s\n",
                                     static_cast<unsigned long long>(decision.index), seconds,
                                     decision.score, decision.threshold, decision.content,
                                     decision.cut ? 1 : 0, CutReasonName(decision.reason));
    buffer_.append(row, static_cast<std::size_t>(std::max(length, 0)));
    if (buffer_.size() >= kBlockBytes) {
        Flush();
    }
}

void ScoreLog::Close() {
    if (fd_ < 0) {
        return;
    }
    Flush();
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) {
        throw ScoreLogException(path_, errno);
    }
}

void ScoreLog::Flush() {
    if (const int error = WriteAll(fd_, buffer_)) {
        Fail(error);
    }
    buffer_.clear();
}

void ScoreLog::Fail(int errorNumber) {
    if (fd_ >= 0) {
        ::close(std::exchange(fd_, -1));
    }
    buffer_.clear();
    throw ScoreLogException(path_, errorNumber);
}

} // namespace zentar

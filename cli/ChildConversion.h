// ChildConversion: one input of a batch converted by a child process, this program started
// again (/proc/self/exe) with the arguments of one conversion. The child runs in a process
// group of its own, so the terminal's Ctrl-C reaches the batch alone and the batch decides
// what each child gets; it dies with the batch. Its standard output (the statistics, a line
// a second) comes through a pipe that the batch drains for the frames counted so far; its
// standard error is kept in a file. The destructor kills and reaps a child still running.
// Owned and polled by the batch on the main thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zentar {

class ChildConversion {
public:
    // Starts the child; throws std::system_error when it cannot be started.
    ChildConversion(const std::vector<std::string>& arguments, const std::string& errorFile);
    ~ChildConversion();
    ChildConversion(const ChildConversion&) = delete;
    ChildConversion& operator=(const ChildConversion&) = delete;

    // True once the child has ended; then exitCode() is its status, or -signal when a signal
    // ended it.
    bool Finished();
    int exitCode() const { return exitCode_; }
    // Sends `signal` to a child that has not ended yet.
    void Signal(int signal) const;
    double SecondsRunning() const;
    // Reads what the child has printed; the frames its last statistics line counted.
    uint64_t FramesSoFar();

private:
    pid_t pid_ = -1;
    int output_ = -1;     // the pipe's reading end, non-blocking
    std::string pending_; // the unfinished line
    uint64_t frames_ = 0;
    bool finished_ = false;
    int exitCode_ = -1;
    std::chrono::steady_clock::time_point start_;
};

} // namespace zentar

#include "tests/support/process/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zentar::test {

namespace {

[[noreturn]] void execChild(const std::string& program, const std::vector<std::string>& args,
                            const std::string& workingFolder,
                            const std::vector<std::string>& environment, int outFd, int errFd) {
    ::dup2(outFd, STDOUT_FILENO);
    ::dup2(errFd, STDERR_FILENO);
    const int nullFd = ::open("/dev/null", O_RDONLY);
    if (nullFd >= 0)
        ::dup2(nullFd, STDIN_FILENO);
    if (!workingFolder.empty() && ::chdir(workingFolder.c_str()) != 0)
        ::_exit(127);
    for (const std::string& entry : environment)
        ::putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

// Reads both pipes until they close or the deadline passes; interrupts the child once its
// output holds `interruptOn`.
bool drain(int outFd, int errFd, ChildResult& result, int timeoutMs, pid_t pid,
           const std::string& interruptOn) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            return false;
        if (::poll(fds, 2, static_cast<int>(left)) < 0 && errno != EINTR)
            return false;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
                if (!interruptOn.empty() && !result.interrupted &&
                    result.out.find(interruptOn) != std::string::npos)
                    result.interrupted = ::kill(pid, SIGINT) == 0;
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    return true;
}

} // namespace

ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     int timeoutMs, const std::string& workingFolder,
                     const std::vector<std::string>& environment, const std::string& interruptOn) {
    ChildResult result;
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0)
        return result;
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return result;
    }
    const pid_t pid = ::fork();
    if (pid == 0)
        execChild(program, args, workingFolder, environment, outPipe[1], errPipe[1]);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (pid > 0 && !drain(outPipe[0], errPipe[0], result, timeoutMs, pid, interruptOn)) {
        result.timedOut = true;
        ::kill(pid, SIGKILL);
    }
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    if (pid <= 0)
        return result;
    // The pipes are closed; give the child until the same limit to exit.
    int status = 0;
    pid_t done = 0;
    for (int waited = 0; (done = ::waitpid(pid, &status, WNOHANG)) == 0; waited += 10) {
        if (waited >= timeoutMs) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
            done = ::waitpid(pid, &status, 0);
            break;
        }
        ::usleep(10000);
    }
    if (done == pid && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

} // namespace zentar::test

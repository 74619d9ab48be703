#include "cli/ChildConversion.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace zentar {

ChildConversion::ChildConversion(const std::vector<std::string>& arguments,
                                 const std::string& errorFile)
    : start_(std::chrono::steady_clock::now()) {
    // Everything the child needs is prepared before fork: after it, only calls that are
    // safe in a forked copy.
    std::vector<char*> argv;
    static char programName[] = "zentar-convert";
    argv.push_back(programName);
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const int errors = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int pipeEnds[2] = {-1, -1};
    const bool piped = ::pipe2(pipeEnds, O_CLOEXEC) == 0;
    const pid_t parent = ::getpid();
    const pid_t pid = devNull >= 0 && errors >= 0 && piped ? ::fork() : -1;
    if (pid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127); // the batch ended before the line above
        // Ctrl-C stays pending until the conversion has made it its Stop command: one
        // that comes while the program starts must not end it before its outputs close.
        sigset_t interruptOnly;
        sigemptyset(&interruptOnly);
        sigaddset(&interruptOnly, SIGINT);
        ::sigprocmask(SIG_SETMASK, &interruptOnly, nullptr);
        ::signal(SIGINT, SIG_DFL);
        ::signal(SIGTERM, SIG_DFL);
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::dup2(errors, STDERR_FILENO);
        ::execv("/proc/self/exe", argv.data());
        ::_exit(127);
    }
    const int error = errno;
    if (devNull >= 0)
        ::close(devNull);
    if (errors >= 0)
        ::close(errors);
    if (piped)
        ::close(pipeEnds[1]);
    if (pid < 0) {
        if (piped)
            ::close(pipeEnds[0]);
        throw std::system_error(error, std::generic_category(), "cannot start a conversion");
    }
    pid_ = pid;
    output_ = pipeEnds[0];
    ::fcntl(output_, F_SETFL, O_NONBLOCK);
    ::setpgid(pid_, pid_); // also here, so that no signal can reach it before the child's own
}

ChildConversion::~ChildConversion() {
    if (output_ >= 0)
        ::close(output_);
    if (!finished_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

bool ChildConversion::Finished() {
    if (finished_)
        return true;
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done != pid_)
        return false;
    finished_ = true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return true;
}

void ChildConversion::Signal(int signal) const {
    if (!finished_)
        ::kill(pid_, signal);
}

double ChildConversion::SecondsRunning() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

uint64_t ChildConversion::FramesSoFar() {
    char buffer[4096];
    ssize_t n = 0;
    while (output_ >= 0 && (n = ::read(output_, buffer, sizeof buffer)) > 0) {
        pending_.append(buffer, static_cast<size_t>(n));
        // Lines look like "Frames processed 1234 (56.78 fps) | Time processed ...".
        for (size_t end; (end = pending_.find('\n')) != std::string::npos;
             pending_.erase(0, end + 1)) {
            static constexpr std::string_view kLabel = "Frames processed ";
            const size_t label = pending_.rfind(kLabel, end);
            if (label != std::string::npos)
                frames_ = std::strtoull(pending_.c_str() + label + kLabel.size(), nullptr, 10);
        }
        if (pending_.size() > 65536)
            pending_.clear(); // not statistics
    }
    if (n == 0 && output_ >= 0) { // the child closed its output
        ::close(output_);
        output_ = -1;
    }
    return frames_;
}

} // namespace zentar

#include "cli/ChildConversion.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
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
    const pid_t parent = ::getpid();
    const pid_t pid = devNull >= 0 && errors >= 0 ? ::fork() : -1;
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
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(errors, STDERR_FILENO);
        ::execv("/proc/self/exe", argv.data());
        ::_exit(127);
    }
    const int error = errno;
    if (devNull >= 0)
        ::close(devNull);
    if (errors >= 0)
        ::close(errors);
    if (pid < 0)
        throw std::system_error(error, std::generic_category(), "cannot start a conversion");
    pid_ = pid;
    ::setpgid(pid_, pid_); // also here, so that no signal can reach it before the child's own
}

ChildConversion::~ChildConversion() {
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

} // namespace zentar

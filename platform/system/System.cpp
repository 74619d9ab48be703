#include "platform/system/System.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace zentar {

namespace fs = std::filesystem;

uint32_t timeGetTime() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(ms);
}

std::string GetModuleFileName() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

namespace {
std::string envOr(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

// XDG_DOCUMENTS_DIR from $XDG_CONFIG_HOME/user-dirs.dirs ("$HOME/..." expanded).
std::string xdgDocumentsDir(const std::string& home) {
    std::ifstream in(GetConfigFolder() + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        return value;
    }
    return {};
}
} // namespace

std::string GetConfigFolder() {
    std::string dir = envOr("XDG_CONFIG_HOME");
    if (!dir.empty())
        return dir;
    const std::string home = envOr("HOME");
    return home.empty() ? std::string() : home + "/.config";
}

std::string GetDocumentsFolder() {
    const std::string home = envOr("HOME");
    if (home.empty())
        return {};
    std::error_code ec;
    const std::string xdg = xdgDocumentsDir(home);
    if (!xdg.empty() && fs::is_directory(xdg, ec))
        return xdg;
    if (fs::is_directory(home + "/Documents", ec))
        return home + "/Documents";
    return home;
}

std::string GetCurrentFolder() {
    std::error_code ec;
    const fs::path cwd = fs::current_path(ec);
    return ec ? std::string() : cwd.string();
}

int WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

} // namespace zentar

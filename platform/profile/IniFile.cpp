#include "platform/profile/IniFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace zentar {

namespace fs = std::filesystem;

namespace {

constexpr size_t npos = std::string::npos;

std::string_view trim(std::string_view s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == npos)
        return {};
    const size_t last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool hasLineEnd(std::string_view s) {
    return s.find_first_of("\r\n") != npos;
}

// Writes all of `data` to `fd`, retrying short writes and interrupted calls.
bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Creates a new, empty file beside `target` under a name no one else uses. The mode
// 0666 lets the process umask decide the permissions of a file that did not exist.
int createTemporary(const fs::path& target, fs::path& tempPath) {
    static std::atomic<unsigned> counter{0};
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = "." + target.filename().string() + ".tmp" +
                                 std::to_string(::getpid()) + "-" + std::to_string(counter++);
        tempPath = folder / name;
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void syncFolder(const fs::path& target) {
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // best effort: the rename itself has already happened
        ::close(fd);
    }
}

} // namespace

bool ProfileNamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

IniFile::Line IniFile::parseLine(std::string line) {
    Line result;
    const std::string_view body = trim(line);
    if (!body.empty() && body.front() == '[') {
        const size_t close = body.find(']');
        if (close != npos) {
            result.kind = LineKind::Section;
            result.name = std::string(trim(body.substr(1, close - 1)));
        }
    } else if (!body.empty() && body.front() != ';') {
        const size_t eq = body.find('=');
        if (eq != npos && !trim(body.substr(0, eq)).empty()) {
            result.kind = LineKind::Key;
            result.name = std::string(trim(body.substr(0, eq)));
        }
    }
    result.raw = std::move(line);
    return result;
}

void IniFile::parse(std::string_view text) {
    lines_.clear();
    // Editors may start a UTF-8 file with a byte-order mark; it would hide the first header.
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines_.push_back(parseLine(std::string(line)));
        if (end == npos)
            break;
        text.remove_prefix(end + 1);
    }
}

bool IniFile::load(const std::string& path) {
    lines_.clear();
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found)
        return true;
    if (ec || fs::is_directory(status))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        return false;
    parse(content.str());
    return true;
}

size_t IniFile::findSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == LineKind::Section && ProfileNamesEqual(lines_[i].name, section))
            return i;
    }
    return npos;
}

size_t IniFile::findKey(size_t header, std::string_view key) const {
    for (size_t i = header + 1; i < lines_.size() && lines_[i].kind != LineKind::Section; ++i) {
        if (lines_[i].kind == LineKind::Key && ProfileNamesEqual(lines_[i].name, key))
            return i;
    }
    return npos;
}

std::optional<std::string> IniFile::get(std::string_view section, std::string_view key) const {
    const size_t header = findSection(trim(section));
    if (header == npos)
        return std::nullopt;
    const size_t at = findKey(header, trim(key));
    if (at == npos)
        return std::nullopt;
    const std::string& raw = lines_[at].raw;
    std::string_view value = trim(std::string_view(raw).substr(raw.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

bool IniFile::set(std::string_view section, std::string_view key, std::string_view value) {
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty() || hasLineEnd(section) || hasLineEnd(key) ||
        hasLineEnd(value) || section.find(']') != npos || key.find('=') != npos ||
        key.front() == ';' || key.front() == '[')
        return false;
    const std::string keyLine = std::string(key) + "=" + std::string(value);
    size_t header = findSection(section);
    if (header == npos) {
        lines_.push_back(parseLine("[" + std::string(section) + "]"));
        lines_.push_back(parseLine(keyLine));
        return true;
    }
    if (const size_t at = findKey(header, key); at != npos) {
        // Keep the key's own spelling; only its value changes.
        lines_[at] = parseLine(lines_[at].name + "=" + std::string(value));
        return true;
    }
    size_t insertAt = header + 1;
    for (size_t i = header + 1; i < lines_.size() && lines_[i].kind != LineKind::Section; ++i) {
        if (!trim(lines_[i].raw).empty())
            insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), parseLine(keyLine));
    return true;
}

std::string IniFile::text() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.raw;
        out += '\n';
    }
    return out;
}

bool IniFile::save(const std::string& path) const {
    if (path.empty())
        return false;
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        target = fs::weakly_canonical(target, ec);
        if (ec)
            return false;
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && (!S_ISREG(existing.st_mode) || (existing.st_mode & 0222) == 0 ||
                   ::access(target.c_str(), W_OK) != 0))
        return false; // a read-only settings file stays as the user made it

    fs::path tempPath;
    const int fd = createTemporary(target, tempPath);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, text());
    if (ok && exists)
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tempPath.c_str());
        return false;
    }
    syncFolder(target);
    return true;
}

} // namespace zentar

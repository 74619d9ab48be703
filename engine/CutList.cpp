#include "engine/CutList.h"

#include "engine/Timecode.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace zentar {
namespace {

// A CSV field, quoted when it holds a separator, a quote or a line end.
std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

// The EDL allows printable ASCII on one line; anything else becomes '_'.
std::string EdlText(std::string_view text, std::size_t limit) {
    std::string clean;
    for (const char c : text.substr(0, limit))
        clean += (c >= 0x20 && c < 0x7f) ? c : '_';
    return clean;
}

std::string FileNamePart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

} // namespace

std::string CutListCsv(const SceneRecord& record) {
    std::string text = "index,first_frame,last_frame,start_timecode,end_timecode,start_seconds,"
                       "end_seconds,length_frames,score,clip_file\n";
    const double rate = record.frameRate();
    int index = 0;
    for (const SceneEntry& scene : record.scenes()) {
        if (scene.endFrame < 0)
            continue;
        char numbers[256];
        std::snprintf(
            numbers, sizeof numbers, "%d,%lld,%lld,%s,%s,%.6f,%.6f,%lld,%.4f,", index++,
            static_cast<long long>(scene.firstFrame), static_cast<long long>(scene.lastFrame()),
            ClockTimecode(scene.firstFrame, rate).c_str(),
            ClockTimecode(scene.endFrame, rate).c_str(), record.Seconds(scene.firstFrame),
            record.Seconds(scene.endFrame), static_cast<long long>(scene.length()), scene.score);
        text += numbers;
        text += CsvField(scene.clipFile);
        text += '\n';
    }
    return text;
}

std::string CutListEdl(const SceneRecord& record, std::string_view title) {
    const SmpteBase base = SmpteBaseForRate(record.frameRate());
    std::string text = "TITLE: " + EdlText(title, 70) + "\r\n";
    text += base.dropFrame ? "FCM: DROP FRAME\r\n" : "FCM: NON-DROP FRAME\r\n";
    int event = 0;
    for (const SceneEntry& scene : record.scenes()) {
        if (scene.length() <= 0)
            continue; // an event needs at least one frame
        const std::string in = SmpteTimecode(scene.firstFrame, base);
        const std::string out = SmpteTimecode(scene.endFrame, base);
        char line[160];
        // Event, reel, track, transition, source in/out, record in/out. The scenes follow one
        // another, so the record side is the same span as the source side. The event number
        // has three columns: past 999 it starts again at 001 rather than widen the line.
        event = event % 999 + 1;
        std::snprintf(line, sizeof line, "\r\n%03d  AX       V     C        %s %s %s %s\r\n", event,
                      in.c_str(), out.c_str(), in.c_str(), out.c_str());
        text += line;
        if (!title.empty())
            text += "* FROM CLIP NAME: " + EdlText(title, 200) + "\r\n";
        if (!scene.clipFile.empty())
            text += "* CLIP FILE: " + EdlText(FileNamePart(scene.clipFile), 200) + "\r\n";
    }
    return text;
}

void RefuseRunFile(const SceneRecord& record, const std::string& path) {
    if (record.NamesRunFile(path))
        throw std::runtime_error("cannot write '" + path +
                                 "': it is the run's input, project file or a clip");
}

void WriteListFile(const SceneRecord& record, const std::string& path, std::string_view text) {
    RefuseRunFile(record, path);
    const std::string temporary = path + ".part";
    const auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        throw std::runtime_error("cannot write '" + path + "': " + std::strerror(error));
    };
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw std::runtime_error("cannot write '" + path + "': " + std::strerror(errno));
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : EIO;
            ::close(fd);
            fail(error);
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    if (::close(fd) != 0)
        fail(errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        fail(errno);
}

} // namespace zentar

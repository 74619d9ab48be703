// The project file of clip splitting mode 2: a text file for the video editor with the header
// line "text description 30", the input path as stored, and one decimal frame index per cut,
// every line ending in CR LF (the editor reads that format). Created (replacing any file of that
// name) at the first cut of a run, written a line at a time so nothing waits in our buffers, and
// closed by CloseProjectFile when the run stops. One object per run, owned by the run; used on
// the run's thread only.
//
// Failures to create or write the file throw ProjectFileException. After a failure the file is
// closed at once and forgotten: no final line is attempted and nothing is reported twice.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zentar {

class ProjectFile {
public:
    // clipsFileName: the file to write; srcFileName: the input path written on line 2.
    ProjectFile(std::string clipsFileName, std::string srcFileName);
    // Closes an open file without writing anything more.
    ~ProjectFile();

    ProjectFile(const ProjectFile&) = delete;
    ProjectFile& operator=(const ProjectFile&) = delete;

    // Writes one cut, creating the file with its two header lines first when none is open.
    void AppendCut(std::int64_t value);
    // When a file is open: writes finalCut as the last line and closes the file. Otherwise,
    // including after a failure, does nothing.
    void CloseProjectFile(std::int64_t finalCut);

private:
    void Create();
    void Write(std::string_view text);
    [[noreturn]] void Fail(int errorNumber);

    std::string path_;
    std::string source_;
    int fd_ = -1;
    bool failed_ = false;
};

} // namespace zentar

// ScoreLog: the CSV file of a run's detection, one row per examined frame: frame index, start
// time in seconds, the detector's score, the threshold in force, the thumbnail content score,
// whether a scene starts there, and why (or why not). Created (replacing any file of that
// name) when the run starts, rows collected in a small buffer and written in blocks, closed
// when the run ends by any path. One object per run, owned by the run's detection queue; used
// on the run's thread only.
//
// Failures throw ScoreLogException once; the file is then closed and forgotten, and every
// later call does nothing.
#pragma once

#include <cstdint>
#include <string>

#include "engine/DetectionRules.h"

namespace zentar {

class ScoreLog {
public:
    // Creates the file and writes the header row.
    explicit ScoreLog(std::string path);
    // Closes an open file, writing what is buffered but reporting nothing.
    ~ScoreLog();
    ScoreLog(const ScoreLog&) = delete;
    ScoreLog& operator=(const ScoreLog&) = delete;

    void Write(const FrameDecision& decision, double seconds);
    // Writes what is buffered and closes the file.
    void Close();

private:
    void Flush();
    [[noreturn]] void Fail(int errorNumber);

    std::string path_;
    std::string buffer_;
    int fd_ = -1;
};

} // namespace zentar

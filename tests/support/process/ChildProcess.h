// Runs a program as a child process and collects its exit status, standard output and
// standard error, with a time limit after which the child is killed, so a hanging program
// fails its test instead of blocking the suite. Test threads only.
#pragma once

#include <string>
#include <vector>

namespace zentar::test {

struct ChildResult {
    int exitCode = -1;        // the exit status, or -1 when the child did not exit normally
    bool timedOut = false;    // killed at the time limit
    bool interrupted = false; // sent SIGINT on seeing `interruptOn` in its output
    std::string out;
    std::string err;
};

// Runs `program` with `args` (argv[1..]) in `workingFolder` ("" = the current folder), with
// the extra environment entries "NAME=value" added. With `interruptOn`, the child gets one
// SIGINT (Ctrl-C) as soon as its standard output holds that text.
ChildResult RunChild(const std::string& program, const std::vector<std::string>& args,
                     int timeoutMs = 30000, const std::string& workingFolder = "",
                     const std::vector<std::string>& environment = {},
                     const std::string& interruptOn = "");

} // namespace zentar::test

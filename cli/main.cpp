// zentar-convert: converts one video file with the settings given on the command line.
#include "cli/CommandLine.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return zentar::RunCommandLine(args, std::cout, std::cerr);
}

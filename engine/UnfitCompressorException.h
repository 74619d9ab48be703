// UnfitCompressorException: the chosen compressor cannot go into the chosen output file
// type. Thrown by value at Start, before any output file is created; its text names the
// compressor and the file type, and the front ends show it as it is.
#pragma once

#include <stdexcept>
#include <string>

namespace zentar {

class UnfitCompressorException : public std::runtime_error {
public:
    UnfitCompressorException(const std::string& compressor, const std::string& fileType)
        : std::runtime_error("The compressor \"" + compressor + "\" cannot be written to " +
                             fileType + " files. Choose another compressor or file type.") {}
};

} // namespace zentar

// CMyException: the program's conversion failure, thrown by value with a stage code and
// left to the front end (the window's event dispatch or the command line's main), which
// maps the code to its message (ErrorMessages.h). Codes: 1 writer graph objects,
// 5 compressor binding or pin connection, 6 writer graph does not start, 7 reading graph,
// 9 Windows Media writer; any other code reads "Cannot make conversion.".
#pragma once

#include <cstdint>
#include <exception>

namespace zentar {

class CMyException : public std::exception {
public:
    explicit CMyException(int32_t code) noexcept : code_(code) {}

    int32_t code() const noexcept { return code_; }
    const char* what() const noexcept override { return "conversion failure (CMyException)"; }

private:
    int32_t code_;
};

} // namespace zentar

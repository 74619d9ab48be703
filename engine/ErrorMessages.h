// The mapping from the program's failures to the string-table messages the user sees,
// shared by the window and the command line. Stateless; any thread.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

namespace zentar {

// The string id of the message for a CMyException code: 1 -> 61241, 5 -> 61240,
// 7 -> 61239, 9 -> 61251, every other code -> 61242.
uint32_t MessageIdForCode(int32_t code);

// The string id for a caught exception: a CMyException by its code, a
// ProjectFileException -> 61262, a ScoreLogException -> 61270; nullopt for any other exception (a
// foreign failure the front end reports in its own way).
std::optional<uint32_t> MessageIdForException(const std::exception_ptr& error);

// The message text for a caught exception (an UnfitCompressorException's own text), or
// nullopt as above.
std::optional<std::string> MessageForException(const std::exception_ptr& error);

} // namespace zentar

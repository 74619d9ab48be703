// Small host services: the millisecond tick, the program's own path, the user's
// documents and configuration folders, and dynamic libraries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zentar {

// Milliseconds from an arbitrary start, wrapping at 2^32 like the host's multimedia timer.
uint32_t timeGetTime();

// The full path of the running executable ("" when it cannot be read).
std::string GetModuleFileName();

// The user's documents folder: XDG_DOCUMENTS_DIR from user-dirs.dirs, else
// $HOME/Documents when it exists, else $HOME; "" when there is no home.
std::string GetDocumentsFolder();

// $XDG_CONFIG_HOME, else $HOME/.config; "" when neither is known.
std::string GetConfigFolder();

// The process's current folder ("" when it cannot be read).
std::string GetCurrentFolder();

// Writes all of `text` to the file descriptor, resuming after interruptions and short
// writes. 0 when everything was written, else the errno of the failure (EIO for a write
// that wrote nothing).
int WriteAll(int fd, std::string_view text);

} // namespace zentar

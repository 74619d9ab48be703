// Where the window keeps its settings file: beside the executable, named after it with
// the extension of its file name replaced by ".ini" (appended when the name has none);
// when that folder cannot be written, $XDG_CONFIG_HOME/zentar/zentar-converter.ini.
// Qt-free; called once at start-up on the user-interface thread.
#pragma once

#include <string>

namespace zentar {

// The INI path for a program at `modulePath`, falling back to `configFolder` (the user's
// configuration folder, "" when unknown) when the program's folder is not writable. The
// fallback folder is created. An empty module path goes straight to the fallback; with
// neither, the result is "".
std::string IniPathForProgram(const std::string& modulePath, const std::string& configFolder);

// True when a file can be created in `folder` right now (tried, not guessed from modes,
// so it also holds for read-only file systems and for root).
bool IsWritableFolder(const std::string& folder);

} // namespace zentar

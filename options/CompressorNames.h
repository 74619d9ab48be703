// The names of the installed compressors of one category, in enumeration order, as the
// main window's compressor lists offer them (an unreadable name is an empty entry).
// Qt-free; user-interface thread.
#pragma once

#include <string>
#include <vector>

namespace zentar {

enum class CompressorCategory { Video, Audio };

std::vector<std::string> InstalledCompressorNames(CompressorCategory category);

} // namespace zentar

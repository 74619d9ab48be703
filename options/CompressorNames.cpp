#include "options/CompressorNames.h"

#include "options/CompressorSource.h"

namespace zentar {

// The system device enumerator's compressor categories. Every compressor of our platform
// carries a fixed friendly name, so the audio walk (which leaves unreadable names out) and
// the main window's rule (an unreadable name is an empty entry) give the same list.
std::vector<std::string> InstalledCompressorNames(CompressorCategory category) {
    if (category == CompressorCategory::Video) {
        return InstalledVideoCompressors().names();
    }
    return InstalledAudioCompressorNames();
}

} // namespace zentar

#include "options/CompressorNames.h"

namespace zentar {

// Until the device enumeration is in place no compressor is listed; the main window then
// offers "<Uncompressed>" and "Advanced..." for video and "Advanced..." for audio.
std::vector<std::string> InstalledCompressorNames(CompressorCategory /*category*/) {
    return {};
}

} // namespace zentar

#include "app/IniLocation.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace zentar {

namespace fs = std::filesystem;

bool IsWritableFolder(const std::string& folder) {
    std::string probe = (fs::path(folder.empty() ? "." : folder) / ".zentar-write-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

std::string IniPathForProgram(const std::string& modulePath, const std::string& configFolder) {
    fs::path besideProgram;
    if (!modulePath.empty()) {
        // Only the file name's extension counts: "/opt/a.b/prog" gives "/opt/a.b/prog.ini".
        besideProgram = fs::path(modulePath).replace_extension(".ini");
        if (IsWritableFolder(besideProgram.parent_path().string()))
            return besideProgram.string();
    }
    if (configFolder.empty())
        return besideProgram.string();
    const fs::path folder = fs::path(configFolder) / "zentar";
    std::error_code ec;
    fs::create_directories(folder, ec); // a failure shows later as a settings write that fails
    return (folder / "zentar-converter.ini").string();
}

} // namespace zentar

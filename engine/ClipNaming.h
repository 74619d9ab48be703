// Output file names of a run: the extension of each output type, the single output file of
// clip splitting mode 0 and the numbered clip files ("<stem><index, at least 5
// digits><extension>") of the other modes. Paths are UTF-8 byte strings split at '/' only;
// there is no drive part. Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace zentar {

// The extension of output type dstFileType, dot included: ".wmv" for 1 (WMV), ".mp4" for 2,
// ".mkv" for 3, ".avi" for every other value.
std::string OutputTypeExtension(int dstFileType);

// The name of clip `index` for the output name dstFileName. Its extension (from the last '.'
// of the file-name part, dot included) is kept; a name without one gets typeExtension (the
// output type's extension text, ".avi" or ".wmv"). Mode 0 gives stem + extension; every other
// mode the stem, the index printed as "%05i", and the extension.
std::string MakeClipName(std::string_view dstFileName, std::string_view typeExtension,
                         int sceneDetection, int index);

} // namespace zentar

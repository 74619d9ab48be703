// The input's frame size, which the Video rendering exchange needs for the aspect ratio:
// the width and height of the RGB24 picture a reading graph decodes from the file. A file
// that cannot be opened or has no video raises CMyException with code 7 ("Cannot open
// input file."). Opens and closes the file within the call; user-interface thread.
#pragma once

#include "engine/ConversionSettings.h"

#include <functional>
#include <string>

namespace zentar {

using InputFrameSizeReader = std::function<FrameSize(const std::string& path)>;

FrameSize ReadInputFrameSize(const std::string& path);

} // namespace zentar

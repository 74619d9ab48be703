// The input's frame rate for the Scene detection dialog, which shows the minimum scene length
// in seconds: the nominal rate of the RGB24 picture a reading graph decodes from the file, or
// 0 when the file cannot be opened or states no rate (the dialog then shows frames only).
// Opens and closes the file within the call; user-interface thread.
#pragma once

#include <string>

namespace zentar {

double ReadInputFrameRate(const std::string& path);

} // namespace zentar

// PictureFileWriter: writes one still picture (rows top to bottom, 3 bytes a pixel in red,
// green, blue order) as a PNG or JPEG file through FFmpeg's own image encoders (png, mjpeg),
// so that pictures are written without a user-interface toolkit. The file is written under a
// temporary name and renamed over the target when complete. Any thread; no shared state.
#pragma once

#include <cstdint>
#include <string>

namespace zentar {

class PictureFileWriter {
public:
    enum class Format { Png, Jpeg };

    // Format from the file name: ".jpg" or ".jpeg" (any letter case) is JPEG, anything else
    // PNG.
    static Format FormatForName(const std::string& path);

    // Throws std::runtime_error with a readable message naming the file.
    static void Write(const std::string& path, const std::uint8_t* rgb, int width, int height,
                      Format format);
};

} // namespace zentar

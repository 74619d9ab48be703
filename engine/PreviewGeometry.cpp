#include "engine/PreviewGeometry.h"

namespace zentar {

PreviewRect LetterboxRect(const PreviewRect& client, int inputWidth, int inputHeight) {
    PreviewRect rect = client;
    const double w = client.width();
    const double h = client.height();
    if (inputWidth <= 0 || inputHeight <= 0 || w <= 0.0 || h <= 0.0) {
        return rect; // no aspect to keep; avoid dividing by zero
    }
    const double aspect = static_cast<double>(inputWidth) / static_cast<double>(inputHeight);
    if (aspect < w / h) {
        rect.left = client.left + static_cast<int>(w - aspect * h) / 2;
        rect.right = client.left + static_cast<int>(w + aspect * h) / 2;
    } else {
        rect.top = client.top + static_cast<int>(h - w / aspect) / 2;
        rect.bottom = client.top + static_cast<int>(h + w / aspect) / 2;
    }
    return rect;
}

} // namespace zentar

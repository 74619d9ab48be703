// PreviewRenderer: the preview resources of one run. It holds a picture of the output
// size; for every step it copies the output frame (3 bytes a pixel in blue, green, red
// order, rows padded to 4 bytes, bottom picture line first) into the picture, draws the
// statistics line at the top left in the given font, black on white, presents the picture
// on the preview widget and copies it back into the frame, so that the frame written to
// the output carries the statistics line too.
//
// Created at run start and destroyed at run end by the main window; user-interface thread.
#pragma once

#include "engine/PreviewGeometry.h"

#include <QFont>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <string>

namespace zentar {

class PreviewWidget;

class PreviewRenderer {
public:
    // Allocates the picture of the output size; letterbox is where it is shown.
    void CreatePreview(int outputWidth, int outputHeight, const PreviewRect& letterbox);
    // Draws one frame of the output size (frameBytes at least the padded frame size).
    void DrawPreview(uint8_t* frame, size_t frameBytes, const std::string& statisticsText,
                     const QFont& font, PreviewWidget* target);
    // Frees the picture; the widget must have been blanked first.
    void DestroyPreview();

    bool exists() const { return !picture_.isNull(); }
    const QImage& picture() const { return picture_; }
    const PreviewRect& letterbox() const { return letterbox_; }

    // Bytes of one frame row: 3 bytes a pixel, padded to a multiple of 4.
    static size_t RowBytes(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3}; }

private:
    void copyIn(const uint8_t* frame);
    void copyOut(uint8_t* frame) const;
    void drawText(const std::string& text, const QFont& font);

    QImage picture_;
    PreviewRect letterbox_;
};

} // namespace zentar

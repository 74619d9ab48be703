// Letterbox arithmetic of the preview: where a picture with the input's aspect ratio goes
// inside the preview area. Pure integer/double arithmetic, no drawing; called by whoever
// creates the preview at the start of a run.
#pragma once

namespace zentar {

// A rectangle in the preview area's client coordinates; right and bottom are exclusive.
struct PreviewRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const PreviewRect&) const = default;
};

// The letterbox rectangle for an input of inputWidth x inputHeight shown in the client
// rectangle: centred across the width when the area is relatively wider than the input,
// otherwise centred down the height. Halves are taken after truncating to int, toward zero.
// A degenerate input or area size returns the client rectangle unchanged.
PreviewRect LetterboxRect(const PreviewRect& client, int inputWidth, int inputHeight);

} // namespace zentar

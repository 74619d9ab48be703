// ContactSheet: one picture of a run's scenes, for a quick look without a player: the first
// frame's thumbnail of every scene in a grid (kColumns a row, in scene order; more when the
// picture would grow too tall for the encoders), each labelled "#index hh:mm:ss.ff" in a
// small built-in bitmap font (digits and the punctuation of the label), written as PNG or
// JPEG (by the file name's extension) through the platform's picture writer. Scenes without
// a thumbnail (past the record's memory cap) show a grey box. Pure drawing into a buffer of
// its own; any thread.
#pragma once

#include "engine/SceneRecord.h"

#include <string>

namespace zentar {

class ContactSheet {
public:
    static constexpr int kColumns = 6;
    static constexpr int kMargin = 8;
    static constexpr int kFontScale = 2;

    // The sheet of the record's scenes; an empty picture when there are none.
    static SceneThumbnail Compose(const SceneRecord& record);
    // Composes and writes the sheet; throws std::runtime_error with a readable message
    // (also when the record has no scenes).
    static void Write(const SceneRecord& record, const std::string& path);
    // The label of scene `index` starting at `firstFrame`.
    static std::string Label(int index, std::int64_t firstFrame, double frameRate);

    // Draws text with the built-in 5 x 7 font, scale pixels a dot, glyphs 6 dots apart;
    // characters without a glyph leave a blank. Clipped to the picture.
    static void DrawText(SceneThumbnail& picture, int x, int y, const std::string& text, int scale,
                         const std::uint8_t colour[3]);
    static int TextWidth(const std::string& text, int scale) {
        return static_cast<int>(text.size()) * 6 * scale;
    }
};

} // namespace zentar

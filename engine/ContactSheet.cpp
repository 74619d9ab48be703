#include "engine/ContactSheet.h"

#include "engine/CutList.h"
#include "engine/Timecode.h"
#include "platform/media/PictureFileWriter.h"

#include <algorithm>
#include <stdexcept>

namespace zentar {
namespace {

struct Glyph {
    char c;
    std::uint8_t rows[7]; // five dots a row, the leftmost in bit 4
};

constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'#', {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
};

constexpr std::uint8_t kBackground[3] = {32, 32, 36};
constexpr std::uint8_t kEmptyBox[3] = {96, 96, 96};
constexpr std::uint8_t kText[3] = {230, 230, 230};
constexpr std::uint8_t kFrame[3] = {90, 90, 96};

void Fill(SceneThumbnail& picture, int x, int y, int w, int h, const std::uint8_t colour[3]) {
    const int x0 = std::max(0, x);
    const int y0 = std::max(0, y);
    const int x1 = std::min(picture.width, x + w);
    const int y1 = std::min(picture.height, y + h);
    for (int row = y0; row < y1; ++row) {
        std::uint8_t* p =
            picture.rgb.data() + (static_cast<std::size_t>(row) * picture.width + x0) * 3;
        for (int col = x0; col < x1; ++col, p += 3)
            std::copy(colour, colour + 3, p);
    }
}

void Blit(SceneThumbnail& picture, int x, int y, const SceneThumbnail& thumb) {
    for (int row = 0; row < thumb.height; ++row) {
        const std::uint8_t* from =
            thumb.rgb.data() + static_cast<std::size_t>(row) * thumb.width * 3;
        std::uint8_t* to =
            picture.rgb.data() + (static_cast<std::size_t>(y + row) * picture.width + x) * 3;
        std::copy(from, from + static_cast<std::size_t>(thumb.width) * 3, to);
    }
}

} // namespace

std::string ContactSheet::Label(int index, std::int64_t firstFrame, double frameRate) {
    return "#" + std::to_string(index) + " " + ClockTimecode(firstFrame, frameRate);
}

void ContactSheet::DrawText(SceneThumbnail& picture, int x, int y, const std::string& text,
                            int scale, const std::uint8_t colour[3]) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto glyph = std::find_if(std::begin(kGlyphs), std::end(kGlyphs),
                                        [&](const Glyph& g) { return g.c == text[i]; });
        if (glyph == std::end(kGlyphs))
            continue;
        const int left = x + static_cast<int>(i) * 6 * scale;
        for (int row = 0; row < 7; ++row) {
            for (int dot = 0; dot < 5; ++dot) {
                if (glyph->rows[row] & (0x10 >> dot))
                    Fill(picture, left + dot * scale, y + row * scale, scale, scale, colour);
            }
        }
    }
}

SceneThumbnail ContactSheet::Compose(const SceneRecord& record) {
    const std::vector<SceneEntry>& scenes = record.scenes();
    SceneThumbnail sheet;
    if (scenes.empty())
        return sheet;
    int labelWidth = 0;
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        labelWidth =
            std::max(labelWidth,
                     TextWidth(Label(static_cast<int>(i), scenes[i].firstFrame, record.frameRate()),
                               kFontScale));
    }
    const int boxWidth = SceneRecord::kThumbnailWidth;
    const int boxHeight = SceneRecord::kThumbnailHeight;
    const int cellWidth = std::max(boxWidth, labelWidth) + kMargin;
    const int labelHeight = 7 * kFontScale + kMargin + kMargin / 2;
    const int cellHeight = boxHeight + labelHeight + kMargin;
    // More columns when the rows would pass the largest picture the encoders take.
    const int maxRows = std::max(1, (65535 - kMargin) / cellHeight);
    const int count = static_cast<int>(scenes.size());
    const int columns = std::min(count, std::max(kColumns, (count + maxRows - 1) / maxRows));
    const int rows = static_cast<int>((scenes.size() + columns - 1) / columns);
    sheet.width = columns * cellWidth + kMargin;
    sheet.height = rows * cellHeight + kMargin;
    sheet.rgb.resize(static_cast<std::size_t>(sheet.width) * sheet.height * 3);
    Fill(sheet, 0, 0, sheet.width, sheet.height, kBackground);
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        const int left = kMargin + static_cast<int>(i % columns) * cellWidth;
        const int top = kMargin + static_cast<int>(i / columns) * cellHeight;
        const SceneThumbnail& thumb = scenes[i].thumbnail;
        // Thumbnails sit centred in a box of the largest thumbnail size, framed by a line.
        const int boxLeft = left + (cellWidth - kMargin - boxWidth) / 2;
        Fill(sheet, boxLeft - 1, top - 1, boxWidth + 2, boxHeight + 2, kFrame);
        Fill(sheet, boxLeft, top, boxWidth, boxHeight, kBackground);
        if (thumb.empty() || thumb.width > boxWidth || thumb.height > boxHeight)
            Fill(sheet, left + (cellWidth - kMargin - boxWidth) / 2, top, boxWidth, boxHeight,
                 kEmptyBox);
        else
            Blit(sheet, left + (cellWidth - kMargin - thumb.width) / 2,
                 top + (boxHeight - thumb.height) / 2, thumb);
        const std::string label =
            Label(static_cast<int>(i), scenes[i].firstFrame, record.frameRate());
        DrawText(sheet, left + (cellWidth - kMargin - TextWidth(label, kFontScale)) / 2,
                 top + boxHeight + kMargin / 2, label, kFontScale, kText);
    }
    return sheet;
}

void ContactSheet::Write(const SceneRecord& record, const std::string& path) {
    RefuseRunFile(record, path);
    const SceneThumbnail sheet = Compose(record);
    if (sheet.empty())
        throw std::runtime_error("cannot write '" + path + "': the run found no scenes");
    PictureFileWriter::Write(path, sheet.rgb.data(), sheet.width, sheet.height,
                             PictureFileWriter::FormatForName(path));
}

} // namespace zentar

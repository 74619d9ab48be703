#include "app/PreviewRenderer.h"

#include "app/PreviewWidget.h"

#include <QFontMetrics>
#include <QPainter>

#include <cstring>

namespace zentar {

void PreviewRenderer::CreatePreview(int outputWidth, int outputHeight,
                                    const PreviewRect& letterbox) {
    picture_ = QImage();
    if (outputWidth > 0 && outputHeight > 0) {
        picture_ = QImage(outputWidth, outputHeight, QImage::Format_BGR888);
        picture_.fill(Qt::black);
    }
    letterbox_ = letterbox;
}

void PreviewRenderer::DrawPreview(uint8_t* frame, size_t frameBytes,
                                  const std::string& statisticsText, const QFont& font,
                                  PreviewWidget* target) {
    if (picture_.isNull() || frame == nullptr) {
        return;
    }
    if (frameBytes < RowBytes(picture_.width()) * static_cast<size_t>(picture_.height())) {
        return; // not a frame of the output size: leave frame and widget as they are
    }
    copyIn(frame);
    drawText(statisticsText, font);
    if (target != nullptr) {
        target->present(&picture_, QRect(letterbox_.left, letterbox_.top, letterbox_.width(),
                                         letterbox_.height()));
    }
    copyOut(frame);
}

void PreviewRenderer::DestroyPreview() {
    picture_ = QImage();
    letterbox_ = PreviewRect{};
}

// The frame's rows run bottom-up, the picture's top-down.
void PreviewRenderer::copyIn(const uint8_t* frame) {
    const size_t stride = RowBytes(picture_.width());
    const size_t rowBytes = static_cast<size_t>(picture_.width()) * 3;
    const int height = picture_.height();
    for (int y = 0; y < height; ++y) {
        std::memcpy(picture_.scanLine(y), frame + static_cast<size_t>(height - 1 - y) * stride,
                    rowBytes);
    }
}

void PreviewRenderer::copyOut(uint8_t* frame) const {
    const size_t stride = RowBytes(picture_.width());
    const size_t rowBytes = static_cast<size_t>(picture_.width()) * 3;
    const int height = picture_.height();
    for (int y = 0; y < height; ++y) {
        std::memcpy(frame + static_cast<size_t>(height - 1 - y) * stride, picture_.constScanLine(y),
                    rowBytes);
    }
}

// One line at (0, 0), black text on an opaque white background; control characters are
// drawn as nothing, as a plain text-out call does with the statistics line.
void PreviewRenderer::drawText(const std::string& text, const QFont& font) {
    if (text.empty()) {
        return;
    }
    QString line = QString::fromStdString(text);
    line.remove('\r').remove('\n').replace('\t', ' ');
    QPainter painter(&picture_);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    painter.fillRect(QRect(0, 0, metrics.horizontalAdvance(line), metrics.height()), Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(0, metrics.ascent()), line);
}

} // namespace zentar

#include "app/PreviewWidget.h"

#include <QImage>
#include <QPainter>

namespace zentar {

PreviewWidget::PreviewWidget(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
}

void PreviewWidget::present(const QImage* picture, const QRect& rect) {
    picture_ = picture;
    target_ = rect;
    repaint();
}

void PreviewWidget::blank() {
    picture_ = nullptr;
    update();
}

void PreviewWidget::paintEvent(QPaintEvent* event) {
    if (picture_ == nullptr || picture_->isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.fillRect(contentsRect(), palette().window());
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target_, *picture_);
}

} // namespace zentar

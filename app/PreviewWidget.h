// PreviewWidget: the main window's preview area. Shows its "(preview)" text until a
// picture is presented, then the picture scaled onto its letterbox rectangle without
// smoothing (dropping source pixels, never averaging them). The picture stays borrowed from
// the PreviewRenderer that presents it until blank() is called.
//
// Owned by the main window; user-interface thread only.
#pragma once

#include <QLabel>
#include <QRect>

class QImage;

namespace zentar {

class PreviewWidget : public QLabel {
public:
    explicit PreviewWidget(QWidget* parent = nullptr);

    // Draws the picture onto rect at once (synchronous repaint).
    void present(const QImage* picture, const QRect& rect);
    // Forgets the picture and repaints the empty area (the "(preview)" text).
    void blank();
    bool showsPicture() const { return picture_ != nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage* picture_ = nullptr;
    QRect target_;
};

} // namespace zentar

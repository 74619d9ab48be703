// ScoreStrip: the strip under the main window's preview that shows the detector at work. Two
// pixels a frame, the newest at the right edge: the normalised score of every examined frame
// (1.0, the threshold, is the dashed line at mid height; higher scores are clipped at the top),
// and a full-height mark at each frame where the detector signalled a change. It reads the
// run's SceneRecord when the window's refresh timer asks (refresh(), at most 20 times a
// second) and repaints only when the record has changed, so the run itself pays nothing.
//
// Owned by the main window; the record belongs to the window's run and outlives the strip's
// use of it. User-interface thread only.
#pragma once

#include <QWidget>

#include <cstdint>

namespace zentar {

class SceneRecord;

class ScoreStrip : public QWidget {
public:
    explicit ScoreStrip(QWidget* parent = nullptr);

    void setRecord(const SceneRecord* record);
    // Repaints when the record changed since the last paint.
    void refresh();

    QSize sizeHint() const override { return {300, 44}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SceneRecord* record_ = nullptr;
    std::uint64_t shownRevision_ = ~std::uint64_t{0};
};

} // namespace zentar

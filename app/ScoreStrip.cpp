#include "app/ScoreStrip.h"

#include "engine/SceneRecord.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace zentar {

namespace {

constexpr double kTopScore = 2.0; // the strip's height in score units; 1.0 at mid height
constexpr int kColumnWidth = 2;   // pixels a frame

} // namespace

ScoreStrip::ScoreStrip(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(44);
    setMaximumHeight(44);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setToolTip("Scene change score of each examined frame: the dashed line is the threshold, "
               "orange marks are cuts");
}

void ScoreStrip::setRecord(const SceneRecord* record) {
    record_ = record;
    shownRevision_ = ~std::uint64_t{0};
    update();
}

void ScoreStrip::refresh() {
    if (record_ != nullptr && record_->revision() != shownRevision_)
        update();
}

void ScoreStrip::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect area = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(rect(), QColor(24, 26, 30));
    painter.setPen(QColor(70, 72, 78));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (record_ == nullptr)
        return;
    shownRevision_ = record_->revision();

    const auto yOf = [&](double score) {
        const double clipped = std::clamp(score, 0.0, kTopScore);
        return area.bottom() - clipped / kTopScore * (area.height() - 1);
    };
    const std::size_t count = record_->scoreCount();
    if (!record_->examined() || count == 0) {
        painter.setPen(QColor(150, 150, 150));
        // Before any run, and while a run waits for its first frame, the strip says what
        // it shows; a run that compares nothing says so.
        const bool idle = record_->examined() || record_->revision() == 0;
        painter.drawText(area, Qt::AlignCenter,
                         idle ? "Scene change scores" : "No scene detection in this mode");
        return;
    }
    const int threshold = static_cast<int>(yOf(1.0));
    painter.setPen(QPen(QColor(200, 70, 70), 1, Qt::DashLine));
    painter.drawLine(area.left(), threshold, area.right(), threshold);
    // Columns from the right edge back, one a frame; frames not examined leave a gap.
    const std::int64_t newest = record_->scoreAt(count - 1).frame;
    QPainterPath line;
    bool drawing = false;
    std::int64_t previousFrame = -2;
    for (std::size_t i = 0; i < count; ++i) {
        const ScorePoint& point = record_->scoreAt(i);
        const std::int64_t back = (newest - point.frame) * kColumnWidth;
        if (back > area.width())
            continue;
        const double x = area.right() - static_cast<double>(back);
        if (point.cut) {
            painter.setPen(QColor(255, 160, 40));
            painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        }
        const QPointF at(x, yOf(point.score));
        if (drawing && point.frame == previousFrame + 1)
            line.lineTo(at);
        else
            line.moveTo(at);
        drawing = true;
        previousFrame = point.frame;
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(QColor(90, 210, 120), 1.2));
    painter.drawPath(line);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QColor(200, 70, 70));
    painter.drawText(QRect(area.left() + 3, area.top(), 40, threshold - area.top()),
                     Qt::AlignLeft | Qt::AlignBottom, "1.0");
}

} // namespace zentar

#include "engine/AdaptiveDetector.h"

#include <algorithm>

namespace zentar {

FrameScore AdaptiveDetector::Examine(const RgbFrameView& /*frame*/, const FrameThumb& thumb,
                                     std::uint64_t index) {
    FrameScore result;
    result.changed = index == 0;
    if (hasPrevious_ && index != 0) {
        result.score = FrameThumb::Difference(previous_, thumb);
        result.second = FrameThumb::HistogramDistance(previous_, thumb);
    }
    previous_ = thumb;
    hasPrevious_ = true;
    return result;
}

ChangeJudgement AdaptiveDetector::Judge(std::span<const FrameScore> scores, std::size_t centre,
                                        std::uint64_t index) const {
    ChangeJudgement judgement;
    judgement.score = scores[centre].score;
    if (index == 0) {
        judgement.changed = true;
        return judgement;
    }
    double sum = 0.0;
    double secondSum = 0.0;
    int count = 0;
    const std::size_t first = centre >= kWindow ? centre - kWindow : 0;
    const std::size_t last = std::min(scores.size(), centre + kWindow + 1);
    for (std::size_t i = first; i < last; ++i) {
        if (i != centre && index - centre + i != 0) { // frame 0 has no score
            sum += scores[i].score;
            secondSum += scores[i].second;
            ++count;
        }
    }
    const double average = count ? sum / count : 0.0;
    const double secondAverage = count ? secondSum / count : 0.0;
    judgement.threshold = std::max(kFloor, ratio_ * average);
    const double secondThreshold = std::max(kHistogramFloor, ratio_ * secondAverage);
    const double second = scores[centre].second;
    judgement.changed = judgement.score >= judgement.threshold || second >= secondThreshold;
    // The log shows the measure that came nearer to cutting.
    if (second / secondThreshold > judgement.score / judgement.threshold) {
        judgement.score = second;
        judgement.threshold = secondThreshold;
    }
    return judgement;
}

} // namespace zentar

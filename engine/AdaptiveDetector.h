// AdaptiveDetector ("Adaptive content"): scores each frame by how much its thumbnail changed
// from the previous one, twice: cell by cell (luma, colour and edges, FrameThumb::Difference)
// and by histogram (FrameThumb::HistogramDistance). A frame is a cut when either score is at
// least `ratio` times the average of that score over the kWindow frames on either side and
// above its floor. Steady camera motion raises the neighbours' scores with the frame's own,
// so it does not cut; a cut between similar colours or out of black still changes luma and
// edges cell by cell, and a cut into fast motion still changes the histogram. Owned by the run's
// detection queue; used on the run's thread only.
#pragma once

#include "engine/ChangeDetector.h"

#include <algorithm>
#include <cmath>

namespace zentar {

class AdaptiveDetector : public ChangeDetector {
public:
    static constexpr int kWindow = 2;
    // Below this score (0 ... 255) no frame cuts, however quiet its neighbours.
    static constexpr double kFloor = 6.0;
    static constexpr double kHistogramFloor = 6.0;

    // A ratio below 1 counts as 1; one that is not a number as 3.
    explicit AdaptiveDetector(double ratio)
        : ratio_(std::isfinite(ratio) ? std::max(ratio, 1.0) : 3.0) {}

    void StartRun() override { hasPrevious_ = false; }
    int LookAhead() const override { return kWindow; }
    FrameScore Examine(const RgbFrameView& frame, const FrameThumb& thumb,
                       std::uint64_t index) override;
    ChangeJudgement Judge(std::span<const FrameScore> scores, std::size_t centre,
                          std::uint64_t index) const override;

private:
    double ratio_;
    FrameThumb previous_;
    bool hasPrevious_ = false;
};

} // namespace zentar

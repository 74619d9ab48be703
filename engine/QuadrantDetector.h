// QuadrantDetector: the quadrant colour test (SceneDetector, unchanged) behind the
// ChangeDetector interface. The verdict is SceneDetector's own; the score is the largest
// distance of any region and test relative to its threshold (1.0 or more: that test fires), so
// that a score log shows how near a frame came to cutting. Owned by the run's detection
// queue; used on the run's thread only.
#pragma once

#include "engine/ChangeDetector.h"
#include "engine/SceneDetector.h"

namespace zentar {

class QuadrantDetector : public ChangeDetector {
public:
    explicit QuadrantDetector(const DetectionSettings& settings) : settings_(settings) {}

    void StartRun() override;
    int LookAhead() const override { return 0; }
    FrameScore Examine(const RgbFrameView& frame, const FrameThumb& thumb,
                       std::uint64_t index) override;
    ChangeJudgement Judge(std::span<const FrameScore> scores, std::size_t centre,
                          std::uint64_t index) const override;

    const std::string& statisticsText() const { return detector_.statisticsText(); }
    // The clip counter shown in the statistics line.
    void SetClipCounter(std::int32_t clipCounter) { clipCounter_ = clipCounter; }

private:
    double RelativeScore(const FrameStats& before, const FrameStats& now) const;

    DetectionSettings settings_;
    SceneDetector detector_;
    std::int32_t clipCounter_ = 0;
};

} // namespace zentar

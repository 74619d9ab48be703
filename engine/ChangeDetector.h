// ChangeDetector: what every scene-change detector offers the detection rules. A detector
// examines the frames of a run in order (Examine: how strongly did this frame change from the
// one before) and then judges a frame from its own score and those of the frames around it
// (Judge: did it change, against which threshold). A detector that judges from later frames
// says how many it needs (LookAhead); the rules hold that many back. Owned by the run's
// detection queue; used on the run's thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/FrameThumb.h"
#include "engine/RgbFrame.h"

namespace zentar {

// A detector's measurement of one frame against the previous one.
struct FrameScore {
    double score = 0.0;   // how strongly it changed, in the detector's own units
    double second = 0.0;  // a second measure, where the detector has one
    bool changed = false; // the detector's verdict from this frame alone, where it has one
};

// A detector's judgement of one frame.
struct ChangeJudgement {
    bool changed = false;
    double score = 0.0;
    double threshold = 0.0; // the threshold the score was held against
};

class ChangeDetector {
public:
    virtual ~ChangeDetector() = default;

    // Forgets the previous frame; called when a run starts.
    virtual void StartRun() = 0;
    // Frames after a frame that Judge needs to have examined.
    virtual int LookAhead() const = 0;
    // Examines the next frame (index 0 = the first of the run); thumb is its thumbnail.
    virtual FrameScore Examine(const RgbFrameView& frame, const FrameThumb& thumb,
                               std::uint64_t index) = 0;
    // Judges scores[centre], given the scores of the frames before it and up to LookAhead()
    // after it (fewer at the end of the input).
    virtual ChangeJudgement Judge(std::span<const FrameScore> scores, std::size_t centre,
                                  std::uint64_t index) const = 0;
};

} // namespace zentar

// DetectionRules: the rules around a ChangeDetector that decide where scenes start. Frames are
// pushed in order (Push examines them: thumbnail, detector score, black test, cross-fade
// test) and decided in order once LookAhead() later frames are known (DecideNext):
//   - the first frame always starts a scene;
//   - a frame the detector judges changed starts one, unless
//       FlashGuard G > 0 and the frame G frames later hardly differs from the frame before
//       the change (a flash or a short glitch; the frames after a refused change are then
//       compared with the same "before" frame until G frames have passed), or
//       MinSceneLength M > 0 and the previous scene started fewer than M frames earlier;
//   - with DetectFades, the first frame after a run of black frames starts a scene (a fade
//     through black is one cut), and a run of frames that are each the even blend of the
//     frames kBlendSpan before and after them (a cross-fade) gives one cut at its middle;
//     minimum length still applies.
// The rules keep per-frame records only (thumbnails of a few kilobytes, never frames): the
// caller holds the frames themselves until they are decided. Used on the run's thread only.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "engine/ChangeDetector.h"
#include "engine/FrameThumb.h"

namespace zentar {

struct RuleSettings {
    int minSceneLength = 0; // frames; 0 = off
    int flashGuard = 0;     // frames; 0 = off
    bool detectFades = false;
    int maxLookAhead = 64; // the flash guard and the fade tests look at most this far
};

enum class CutReason { First, Cut, Fade, Dissolve, Below, Flash, MinLength };

// Short name of a reason as the score log writes it.
const char* CutReasonName(CutReason reason);

struct FrameDecision {
    std::uint64_t index = 0;
    bool cut = false;
    CutReason reason = CutReason::Below;
    double score = 0.0;     // the detector's
    double threshold = 0.0; // the detector's threshold in force
    double content = 0.0;   // thumbnail difference from the previous frame (0 ... 255)
};

class DetectionRules {
public:
    // Half the span of the cross-fade test and its look-ahead.
    static constexpr int kBlendSpan = 4;
    static constexpr int kFadeLookAhead = 16;

    // The detector must outlive the rules.
    DetectionRules(ChangeDetector& detector, RuleSettings settings);

    // Frames after a frame that must be pushed before it can be decided.
    int LookAhead() const { return lookAhead_; }
    // Examines the next frame.
    void Push(const RgbFrameView& frame);
    // Frames pushed and not decided yet.
    std::uint64_t Pending() const { return pushed_ - decided_; }
    // Decides the oldest undecided frame. The caller makes sure that LookAhead() frames
    // after it have been pushed, or that the input has ended.
    FrameDecision DecideNext();

private:
    struct Record {
        FrameScore score;
        FrameThumb thumb;
        double content = 0.0;
    };

    Record& At(std::uint64_t index) { return records_[index % records_.size()]; }
    void TestBlend(std::uint64_t middle);
    void EndBlendRun();

    ChangeDetector& detector_;
    RuleSettings settings_;
    int lookAhead_ = 0;
    std::vector<Record> records_; // ring by frame index
    std::vector<FrameScore> window_;
    std::uint64_t pushed_ = 0;
    std::uint64_t decided_ = 0;
    std::int64_t lastCut_ = -1;
    // Flash guard: the "before" frame of the last refused change, valid up to guardUntil_.
    std::uint64_t guardBefore_ = 0;
    std::int64_t guardUntil_ = -1;
    // Fades: the last black frame, an open cross-fade run, and the cuts they scheduled.
    std::int64_t lastBlack_ = -1;
    bool previousBlack_ = false;
    std::int64_t blendStart_ = -1;
    std::int64_t blendEnd_ = -1;
    std::deque<std::pair<std::uint64_t, CutReason>> scheduled_;
};

} // namespace zentar

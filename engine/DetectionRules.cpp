#include "engine/DetectionRules.h"

#include <algorithm>

namespace zentar {
namespace {

// A change survives the flash guard when the frame after the guard still differs from the
// frame before the change by at least this share of the change itself.
constexpr double kFlashKeep = 0.5;
// Cross-fade test: the two ends must differ at least this much (0 ... 255), and the middle
// frame must lie within this share of that difference from their even blend.
constexpr double kBlendMinDistance = 4.0;
constexpr double kBlendLinearity = 0.2;

} // namespace

const char* CutReasonName(CutReason reason) {
    switch (reason) {
    case CutReason::First:
        return "first";
    case CutReason::Cut:
        return "cut";
    case CutReason::Fade:
        return "fade";
    case CutReason::Dissolve:
        return "dissolve";
    case CutReason::Below:
        return "below threshold";
    case CutReason::Flash:
        return "flash guard";
    case CutReason::MinLength:
        return "minimum length";
    }
    return "";
}

DetectionRules::DetectionRules(ChangeDetector& detector, RuleSettings settings)
    : detector_(detector), settings_(settings) {
    const int rulesLookAhead =
        std::min(settings_.maxLookAhead,
                 std::max(settings_.flashGuard, settings_.detectFades ? kFadeLookAhead : 0));
    lookAhead_ = std::max(detector_.LookAhead(), rulesLookAhead);
    settings_.flashGuard = std::clamp(settings_.flashGuard, 0, lookAhead_);
    // Behind the oldest undecided frame: the detector's window, the flash guard's "before"
    // frame, the cross-fade test's far end.
    const int behind = detector_.LookAhead() + settings_.flashGuard + 2 * kBlendSpan + 4;
    records_.resize(static_cast<std::size_t>(lookAhead_ + behind));
    window_.reserve(static_cast<std::size_t>(2 * detector_.LookAhead() + 1));
    detector_.StartRun();
}

void DetectionRules::Push(const RgbFrameView& frame) {
    const std::uint64_t index = pushed_++;
    Record& record = At(index);
    record.thumb.Build(frame);
    record.score = detector_.Examine(frame, record.thumb, index);
    record.content = index ? FrameThumb::Difference(At(index - 1).thumb, record.thumb) : 0.0;
    if (!settings_.detectFades) {
        return;
    }
    const bool black = record.thumb.IsBlack();
    if (black) {
        lastBlack_ = static_cast<std::int64_t>(index);
    } else if (previousBlack_) {
        scheduled_.emplace_back(index, CutReason::Fade); // the first frame after black
    }
    previousBlack_ = black;
    if (index >= 2 * static_cast<std::uint64_t>(kBlendSpan)) {
        TestBlend(index - kBlendSpan);
    }
}

void DetectionRules::TestBlend(std::uint64_t middle) {
    const FrameThumb& a = At(middle - kBlendSpan).thumb;
    const FrameThumb& b = At(middle + kBlendSpan).thumb;
    const double distance = FrameThumb::ColourDistance(a, b);
    const bool blend =
        distance >= kBlendMinDistance &&
        FrameThumb::BlendResidual(a, At(middle).thumb, b) <= kBlendLinearity * distance;
    const auto m = static_cast<std::int64_t>(middle);
    if (blend) {
        if (blendStart_ < 0) {
            blendStart_ = m;
        }
        blendEnd_ = m;
        // A run too long to be decided in time is steady change, not a cross-fade.
        if (blendEnd_ - blendStart_ > 2 * (lookAhead_ - kBlendSpan - 1)) {
            blendStart_ = blendEnd_ = -1;
        }
        return;
    }
    EndBlendRun();
}

void DetectionRules::EndBlendRun() {
    if (blendStart_ < 0) {
        return;
    }
    // Next to black it is a fade, which the black rule cuts once.
    const bool nearBlack = lastBlack_ >= blendStart_ - 2 * kBlendSpan;
    if (!nearBlack) {
        const auto cut = static_cast<std::uint64_t>((blendStart_ + blendEnd_ + 1) / 2);
        auto at = std::find_if(scheduled_.begin(), scheduled_.end(),
                               [cut](const auto& entry) { return entry.first > cut; });
        scheduled_.emplace(at, cut, CutReason::Dissolve);
    }
    blendStart_ = blendEnd_ = -1;
}

FrameDecision DetectionRules::DecideNext() {
    const std::uint64_t t = decided_++;
    Record& record = At(t);
    FrameDecision decision;
    decision.index = t;
    decision.content = record.content;

    const auto window = static_cast<std::uint64_t>(detector_.LookAhead());
    const std::uint64_t first = t >= window ? t - window : 0;
    const std::uint64_t last = std::min(pushed_ - 1, t + window);
    window_.clear();
    for (std::uint64_t i = first; i <= last; ++i) {
        window_.push_back(At(i).score);
    }
    const ChangeJudgement judgement = detector_.Judge(window_, t - first, t);
    decision.score = judgement.score;
    decision.threshold = judgement.threshold;
    if (t == 0) {
        decision.cut = true;
        decision.reason = CutReason::First;
        lastCut_ = 0;
        return decision;
    }

    bool candidate = judgement.changed;
    decision.reason = candidate ? CutReason::Cut : CutReason::Below;
    while (!scheduled_.empty() && scheduled_.front().first < t) {
        scheduled_.pop_front(); // decided before it was known; cannot happen within the bounds
    }
    bool gradual = false;
    if (!scheduled_.empty() && scheduled_.front().first == t) {
        gradual = !candidate;
        if (gradual) {
            decision.reason = scheduled_.front().second;
        }
        candidate = true;
        scheduled_.pop_front();
    }
    const int guard = settings_.flashGuard;
    if (candidate && !gradual && guard > 0) {
        const bool guarding = static_cast<std::int64_t>(t) <= guardUntil_;
        const std::uint64_t before = guarding ? guardBefore_ : t - 1;
        const std::uint64_t after = std::min(pushed_ - 1, t + static_cast<std::uint64_t>(guard));
        if (after > t && FrameThumb::Difference(At(before).thumb, At(after).thumb) <
                             kFlashKeep * record.content) {
            candidate = false;
            decision.reason = CutReason::Flash;
            guardBefore_ = before;
            guardUntil_ = static_cast<std::int64_t>(t) + guard;
        }
    }
    if (candidate && settings_.minSceneLength > 0 &&
        static_cast<std::int64_t>(t) - lastCut_ < settings_.minSceneLength) {
        candidate = false;
        decision.reason = CutReason::MinLength;
    }
    if (candidate) {
        lastCut_ = static_cast<std::int64_t>(t);
    }
    decision.cut = candidate;
    return decision;
}

} // namespace zentar

#include "engine/DetectionQueue.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/AdaptiveDetector.h"

namespace zentar {

bool DetectionQueue::Wanted(const ConversionSettings& settings) {
    return settings.SceneDetection != 0 &&
           (settings.DetectionMethod != 0 || settings.MinSceneLength > 0 ||
            settings.FlashGuard > 0 || settings.DetectFades != 0 ||
            !settings.ScoreLogFileName.empty());
}

DetectionQueue::DetectionQueue(const ConversionSettings& settings,
                               const DetectionSettings& quadrant, int width, int height) {
    if (settings.DetectionMethod == 1) {
        detector_ = std::make_unique<AdaptiveDetector>(settings.AdaptiveThreshold);
    } else {
        auto detector = std::make_unique<QuadrantDetector>(quadrant);
        quadrant_ = detector.get();
        detector_ = std::move(detector);
    }
    const std::size_t frameBytes = std::max<std::size_t>(RgbFrameBytes(width, height), 1);
    const int affordable = static_cast<int>(std::min<std::size_t>(kMaxHeldBytes / frameBytes, 64));
    RuleSettings rules;
    rules.minSceneLength = settings.MinSceneLength;
    rules.detectFades = settings.DetectFades != 0;
    rules.flashGuard = settings.FlashGuard;
    rules.maxLookAhead = affordable - 1;
    rules_ = std::make_unique<DetectionRules>(*detector_, rules);
    lookAhead_ = rules_->LookAhead();
    frames_.reserve(static_cast<std::size_t>(lookAhead_) + 1);
    for (int i = 0; i <= lookAhead_; ++i) {
        frames_.emplace_back(width, height);
    }
    endTimes_.assign(frames_.size(), 0);
    texts_.resize(frames_.size());
    if (!settings.ScoreLogFileName.empty()) {
        log_ = std::make_unique<ScoreLog>(settings.ScoreLogFileName);
    }
}

const std::uint8_t* DetectionQueue::Next(ConversionJob& job, REFERENCE_TIME* endTime, bool* changed,
                                         std::int32_t clipCounter) {
    if (quadrant_) {
        quadrant_->SetClipCounter(clipCounter);
    }
    while (!inputEnded_ && queued_ <= static_cast<std::size_t>(lookAhead_)) {
        REFERENCE_TIME time = 0;
        const std::uint8_t* frame = job.next_video_frame(&time);
        if (!frame) {
            inputEnded_ = true;
            break;
        }
        const std::size_t slot = (head_ + queued_) % frames_.size();
        std::memcpy(frames_[slot].data(), frame, frames_[slot].size());
        endTimes_[slot] = time;
        ++queued_;
        rules_->Push(frames_[slot].view());
        if (quadrant_) {
            texts_[slot] = quadrant_->statisticsText(); // the line of this frame, for later
        }
    }
    if (queued_ == 0) {
        finished_ = true;
        return nullptr;
    }
    const FrameDecision decision = Decide();
    const std::size_t slot = head_;
    head_ = (head_ + 1) % frames_.size();
    --queued_;
    *endTime = endTimes_[slot];
    *changed = decision.cut;
    normalisedScore_ = decision.threshold > 0 ? decision.score / decision.threshold : 0.0;
    return frames_[slot].data();
}

FrameDecision DetectionQueue::Decide() {
    const FrameDecision decision = rules_->DecideNext();
    const double seconds = static_cast<double>(previousEnd_) / 1e7;
    previousEnd_ = endTimes_[head_];
    if (log_) {
        log_->Write(decision, seconds);
    }
    if (quadrant_) {
        statisticsText_ = texts_[head_];
    } else if (decision.index != 0) {
        char line[96];
        std::snprintf(line, sizeof line, "%llu: %.1f / %.1f",
                      static_cast<unsigned long long>(decision.index), decision.score,
                      decision.threshold);
        statisticsText_ = line;
    }
    return decision;
}

void DetectionQueue::Close() {
    if (!log_) {
        return;
    }
    // Frames examined but never handed out (the run was stopped) are decided and logged too,
    // so the log has a row for every examined frame.
    while (queued_ > 0) {
        Decide();
        head_ = (head_ + 1) % frames_.size();
        --queued_;
    }
    std::unique_ptr<ScoreLog> log = std::move(log_);
    log->Close();
}

} // namespace zentar

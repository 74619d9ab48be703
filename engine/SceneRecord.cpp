#include "engine/SceneRecord.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace zentar {

void SceneRecord::Start(double frameRate, bool examined, std::string inputFile,
                        std::string projectFile) {
    frameRate_ = frameRate;
    inputFile_ = std::move(inputFile);
    projectFile_ = std::move(projectFile);
    examined_ = examined;
    scenes_.clear();
    scores_.assign(kScoreHistory, ScorePoint{});
    scoreNext_ = scoreCount_ = 0;
    pendingScore_ = 0.0;
    scorePending_ = false;
    pendingThumbnail_ = {};
    thumbnailBytes_ = 0;
    thumbnailsCapped_ = false;
    ++revision_;
}

void SceneRecord::AddScore(std::int64_t frame, double score, bool changed) {
    if (scores_.empty())
        return; // not started
    scores_[scoreNext_] = {frame, static_cast<float>(score), changed};
    scoreNext_ = (scoreNext_ + 1) % scores_.size();
    scoreCount_ = std::min(scoreCount_ + 1, scores_.size());
    if (changed && !scorePending_) {
        pendingScore_ = score;
        scorePending_ = true;
    }
    ++revision_;
}

const ScorePoint& SceneRecord::scoreAt(std::size_t i) const {
    const std::size_t oldest = (scoreNext_ + scores_.size() - scoreCount_) % scores_.size();
    return scores_[(oldest + i) % scores_.size()];
}

void SceneRecord::TakeThumbnail(const RgbFrameView& frame) {
    if (thumbnailBytes_ >= kThumbnailBudget) {
        thumbnailsCapped_ = true;
        pendingThumbnail_ = {};
        return;
    }
    pendingThumbnail_ = MakeThumbnail(frame);
}

void SceneRecord::AddScene(std::int64_t firstFrame, std::string clipFile) {
    if (!scenes_.empty() && scenes_.back().endFrame < 0)
        scenes_.back().endFrame = firstFrame;
    SceneEntry scene;
    scene.firstFrame = firstFrame;
    scene.score = scenes_.empty() ? 0.0 : pendingScore_;
    scene.clipFile = std::move(clipFile);
    thumbnailBytes_ += pendingThumbnail_.rgb.size();
    scene.thumbnail = std::move(pendingThumbnail_);
    pendingThumbnail_ = {};
    pendingScore_ = 0.0;
    scorePending_ = false;
    scenes_.push_back(std::move(scene));
    ++revision_;
}

void SceneRecord::Finish(std::int64_t endFrame) {
    if (scenes_.empty() || scenes_.back().endFrame >= 0)
        return;
    scenes_.back().endFrame = std::max(endFrame, scenes_.back().firstFrame);
    pendingThumbnail_ = {};
    ++revision_;
}

std::size_t SceneRecord::clipCount() const {
    std::set<std::string> files;
    for (const SceneEntry& scene : scenes_) {
        if (!scene.clipFile.empty())
            files.insert(scene.clipFile);
    }
    return files.size();
}

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    if (a.empty() || b.empty())
        return false;
    std::error_code error;
    if (fs::equivalent(a, b, error) && !error)
        return true;
    std::error_code errorA, errorB;
    const fs::path resolvedA = fs::weakly_canonical(a, errorA);
    const fs::path resolvedB = fs::weakly_canonical(b, errorB);
    return !errorA && !errorB && resolvedA == resolvedB;
}

} // namespace

bool SceneRecord::NamesRunFile(const std::string& path) const {
    if (SameFile(path, inputFile_) || SameFile(path, projectFile_))
        return true;
    return std::any_of(scenes_.begin(), scenes_.end(),
                       [&](const SceneEntry& scene) { return SameFile(path, scene.clipFile); });
}

double SceneRecord::Seconds(std::int64_t frame) const {
    return frameRate_ > 0 ? static_cast<double>(frame) / frameRate_ : 0.0;
}

SceneThumbnail SceneRecord::MakeThumbnail(const RgbFrameView& frame) {
    SceneThumbnail thumb;
    if (frame.data == nullptr || frame.width <= 0 || frame.height <= 0)
        return thumb;
    // Fit the frame's aspect into the thumbnail box, never enlarging.
    const double scale = std::min({1.0, static_cast<double>(kThumbnailWidth) / frame.width,
                                   static_cast<double>(kThumbnailHeight) / frame.height});
    thumb.width = std::max(1, static_cast<int>(frame.width * scale + 0.5));
    thumb.height = std::max(1, static_cast<int>(frame.height * scale + 0.5));
    thumb.rgb.resize(static_cast<std::size_t>(thumb.width) * thumb.height * 3);
    const std::size_t stride = frame.stride();
    for (int ty = 0; ty < thumb.height; ++ty) {
        // Frame rows are stored bottom line first; thumbnail rows top line first.
        const int y0 = static_cast<int>(static_cast<int64_t>(ty) * frame.height / thumb.height);
        const int y1 = std::max(
            y0 + 1, static_cast<int>(static_cast<int64_t>(ty + 1) * frame.height / thumb.height));
        for (int tx = 0; tx < thumb.width; ++tx) {
            const int x0 = static_cast<int>(static_cast<int64_t>(tx) * frame.width / thumb.width);
            const int x1 = std::max(
                x0 + 1, static_cast<int>(static_cast<int64_t>(tx + 1) * frame.width / thumb.width));
            std::uint32_t sum[3] = {0, 0, 0};
            for (int y = y0; y < y1; ++y) {
                const std::uint8_t* row =
                    frame.data + static_cast<std::size_t>(frame.height - 1 - y) * stride;
                for (int x = x0; x < x1; ++x) {
                    const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
                    sum[0] += p[2];
                    sum[1] += p[1];
                    sum[2] += p[0];
                }
            }
            const std::uint32_t count = static_cast<std::uint32_t>((y1 - y0) * (x1 - x0));
            std::uint8_t* out =
                thumb.rgb.data() + (static_cast<std::size_t>(ty) * thumb.width + tx) * 3;
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<std::uint8_t>((sum[c] + count / 2) / count);
        }
    }
    return thumb;
}

} // namespace zentar

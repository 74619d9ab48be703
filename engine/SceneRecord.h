// SceneRecord: what a run learns about its scenes, kept for the front ends to show and write
// out after the run: the detector's normalised score of the latest examined frames (a short
// history for the score strip), and per scene its first and end frame, the score that cut it,
// the clip file it went to and a thumbnail of its first frame. Thumbnails are small copies of
// frames the run has already decoded (the frame itself belongs to the reader), scaled down to
// at most kThumbnailWidth x kThumbnailHeight, and their memory is capped (kThumbnailBudget):
// past the cap scenes are still recorded, without a picture.
//
// Ownership: owned by ConversionRun, filled on the run's thread, emptied when the next run
// starts and kept after a run ends. Front ends read it on the same thread (the window's run is
// stepped on the user-interface thread); revision() tells them when something changed. No Qt.
#pragma once

#include "engine/RgbFrame.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zentar {

// A small picture: rows top to bottom, 3 bytes a pixel in red, green, blue order, no padding.
struct SceneThumbnail {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    bool empty() const { return rgb.empty(); }
};

struct SceneEntry {
    std::int64_t firstFrame = 0;
    std::int64_t endFrame = -1; // exclusive: the next scene's first frame or the run's end
    double score = 0.0;         // the normalised score of the frame that cut (0 for the first)
    std::string clipFile;       // clip splitting modes; empty when cuts go to a project file
    SceneThumbnail thumbnail;   // the first frame; empty past the memory cap

    std::int64_t lastFrame() const { return endFrame - 1; }
    std::int64_t length() const { return endFrame - firstFrame; }
};

// One examined frame's score; cut when the detector signalled a change at it.
struct ScorePoint {
    std::int64_t frame = 0;
    float score = 0.0f;
    bool cut = false;
};

class SceneRecord {
public:
    static constexpr int kThumbnailWidth = 160;
    static constexpr int kThumbnailHeight = 120;
    static constexpr std::size_t kThumbnailBudget = std::size_t{64} << 20;
    static constexpr std::size_t kScoreHistory = 2048;

    // Empties the record for a run of frameRate frames a second; examined: the run compares
    // frames for scene changes (scores are recorded). inputFile and projectFile ("" without)
    // are the run's files that no list may be written over.
    void Start(double frameRate, bool examined, std::string inputFile = {},
               std::string projectFile = {});
    // The score of examined frame `frame`; changed: the detector signalled a change there.
    void AddScore(std::int64_t frame, double score, bool changed);
    // Keeps a thumbnail of the frame that the next scene starts at (the frame is copied).
    void TakeThumbnail(const RgbFrameView& frame);
    // A scene starts at firstFrame (ending the one before); takes the pending thumbnail and
    // the score of the change since the last scene.
    void AddScene(std::int64_t firstFrame, std::string clipFile);
    // The run has ended with endFrame (exclusive) as the end of its last scene.
    void Finish(std::int64_t endFrame);

    double frameRate() const { return frameRate_; }
    const std::string& inputFile() const { return inputFile_; }
    // True when `path` names the run's input, its project file or one of its clips (the
    // same file by identity, or the same path once resolved).
    bool NamesRunFile(const std::string& path) const;
    bool examined() const { return examined_; }
    const std::vector<SceneEntry>& scenes() const { return scenes_; }
    // Number of distinct clip files the scenes went to.
    std::size_t clipCount() const;
    bool thumbnailsCapped() const { return thumbnailsCapped_; }
    // Seconds from the start of the input to the start of `frame`.
    double Seconds(std::int64_t frame) const;

    // The latest scores, oldest first (at most kScoreHistory).
    std::size_t scoreCount() const { return scoreCount_; }
    const ScorePoint& scoreAt(std::size_t i) const;
    // Counts every change; equal values mean nothing new to show.
    std::uint64_t revision() const { return revision_; }

    // A thumbnail of a frame: the mean colour of each cell, at most kThumbnailWidth x
    // kThumbnailHeight with the frame's aspect.
    static SceneThumbnail MakeThumbnail(const RgbFrameView& frame);

private:
    double frameRate_ = 0.0;
    std::string inputFile_;
    std::string projectFile_;
    bool examined_ = false;
    std::vector<SceneEntry> scenes_;
    std::vector<ScorePoint> scores_; // ring of kScoreHistory
    std::size_t scoreNext_ = 0;
    std::size_t scoreCount_ = 0;
    double pendingScore_ = 0.0;
    bool scorePending_ = false;
    SceneThumbnail pendingThumbnail_;
    std::size_t thumbnailBytes_ = 0;
    bool thumbnailsCapped_ = false;
    std::uint64_t revision_ = 0;
};

} // namespace zentar

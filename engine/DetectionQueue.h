// DetectionQueue: the run's detection when it goes beyond the plain quadrant test (another
// detector, minimum scene length, flash guard, fades or a score log). It reads the input's
// frames from the job ahead of the run, examines each as it arrives (DetectionRules around the
// chosen ChangeDetector), and hands them back in order with the decision whether a scene
// starts there, so the run still writes every frame in order and a clip starts exactly at the
// first frame of its scene.
//
// Memory: the look-ahead holds copies of decoded frames, (LookAhead() + 1) x the input frame
// size (w x h x 3 bytes, rows padded to 4): 17 frames with fades (about 21 MB at 720x576), at
// most 31 with the flash guard (38 MB at 720x576). The flash guard and the fade tests look
// only as far ahead as kMaxHeldBytes (256 MiB) of copies allow, so for very large frames they
// look fewer frames ahead; the adaptive detector's own look-ahead (3 frames held) stays.
//
// Ownership: owned by the run; frames returned by Next belong to the queue and stay valid
// until the next call. Threads: the run's thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/ChangeDetector.h"
#include "engine/ConversionJob.h"
#include "engine/ConversionSettings.h"
#include "engine/DetectionRules.h"
#include "engine/QuadrantDetector.h"
#include "engine/RgbFrame.h"
#include "engine/ScoreLog.h"

namespace zentar {

class DetectionQueue {
public:
    static constexpr std::size_t kMaxHeldBytes = std::size_t{256} << 20;

    // Whether the settings need the queue; without it the run examines frames itself.
    static bool Wanted(const ConversionSettings& settings);

    // Creates the score log when one is asked for (throws ScoreLogException).
    // `quadrant`: the quadrant test's settings, as the run derives them from `settings`.
    DetectionQueue(const ConversionSettings& settings, const DetectionSettings& quadrant, int width,
                   int height);

    // The next input frame with its end time and whether a scene starts at it, or null once
    // at the end of the video (endTime then unchanged).
    const std::uint8_t* Next(ConversionJob& job, REFERENCE_TIME* endTime, bool* changed,
                             std::int32_t clipCounter);
    // False once Next has returned null.
    bool HasFrames() const { return !finished_; }
    // Decides and logs the frames still held, and closes the score log (throws
    // ScoreLogException when it could not be completed).
    void Close();

    int LookAhead() const { return lookAhead_; }
    // The score of the frame Next returned last, divided by the threshold in force (1.0 and
    // more: the detector saw a change there).
    double normalisedScore() const { return normalisedScore_; }
    // The statistics line of the frame Next returned last.
    const std::string& statisticsText() const { return statisticsText_; }

private:
    FrameDecision Decide();

    std::unique_ptr<ChangeDetector> detector_;
    QuadrantDetector* quadrant_ = nullptr;
    std::unique_ptr<DetectionRules> rules_;
    std::unique_ptr<ScoreLog> log_;
    std::vector<RgbFrame> frames_; // ring of held frames
    std::vector<REFERENCE_TIME> endTimes_;
    std::vector<std::string> texts_; // the quadrant test's statistics line of each held frame
    std::size_t head_ = 0;
    std::size_t queued_ = 0;
    int lookAhead_ = 0;
    bool inputEnded_ = false;
    bool finished_ = false;
    REFERENCE_TIME previousEnd_ = 0;
    std::string statisticsText_;
    double normalisedScore_ = 0.0;
};

} // namespace zentar

// Scene-change detection for a conversion run: compares the colour statistics of four regions
// of each examined frame with those of the previously examined frame against the thresholds.
// Holds the detection state of a run (previousStats, statisticsText); owned by the run, used on
// the run's thread only. Nothing is allocated per frame except the statistics line when asked.
#pragma once

#include <cstdint>
#include <string>

#include "engine/FrameStats.h"
#include "engine/RgbFrame.h"

namespace zentar {

// The settings detection reads; the run copies them from its ConversionSettings.
struct DetectionSettings {
    int SceneDetection = 0;    // clip splitting mode: 0 = one output file, no measurement
    double HueThreshold = 1.0; // a threshold of 0 or below switches its test off
    double SatThreshold = 0.0;
    double ValThreshold = 0.7;
    bool ShowStatistics = false; // produce statisticsText for compared frames
};

class SceneDetector {
public:
    // Empties statisticsText; called when a run starts.
    void StartRun() { statisticsText_.clear(); }

    // Examines one frame of the run's input size and returns the changed flag. framesRead is
    // the number of frames read before this one (0 for the first frame of the run, which is
    // always a change); clipCounter only feeds the statistics line.
    bool DetectSceneChange(const RgbFrameView& frame, std::uint64_t framesRead,
                           std::int32_t clipCounter, const DetectionSettings& settings);

    // How near `now` came to a change from `before`: the largest distance of any region and
    // test divided by its threshold (tests switched off count 0), so that 1.0 or more means
    // that test fires. Used by the run's score display; the verdict stays Compare's.
    static double NormalisedScore(const FrameStats& before, const FrameStats& now,
                                  const DetectionSettings& settings);

    const FrameStats& previousStats() const { return previousStats_; }
    const std::string& statisticsText() const { return statisticsText_; }

private:
    static FrameStats Measure(const RgbFrameView& frame);
    bool Compare(const FrameStats& current, const DetectionSettings& settings) const;
    void FormatStatistics(const FrameStats& current, std::uint64_t framesRead,
                          std::int32_t clipCounter);

    FrameStats previousStats_;
    std::string statisticsText_;
};

} // namespace zentar

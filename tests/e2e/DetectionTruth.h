// Ground truth for scene detection: a shot list (a text file beside this generator, one line
// per shot or transition) rendered at test time into an MPEG-4 AVI with our own FFmpeg
// libraries, from real photographs (earth and night of the xplanet-images package) and pictures of
// FFmpeg's own sources, with the frames where scenes start; and the one-to-one scoring of detected
// cuts against it (±1 frame for a cut, inside the span for a gradual transition). Test threads
// only.
#pragma once

#include <string>
#include <vector>

namespace zentar::e2e {

struct TruthSet {
    struct Span {
        int first = 0;
        int last = 0;
        bool gradual = false; // a hard cut is a span of one frame
    };
    std::vector<Span> transitions;
    std::vector<Span> noCut; // flashes and fast pans: no cut may fall inside
    int frames = 0;
};

// Renders the shot list at width x height and 25 frames/s into clipPath.
TruthSet writeTruthClip(const std::string& listPath, const std::string& clipPath, int width,
                        int height);

struct DetectionScore {
    int truth = 0;
    int detected = 0;
    int matched = 0;
    int noCutHits = 0; // detected cuts inside a flash or a fast pan
    double precision() const { return detected ? double(matched) / detected : 1.0; }
    double recall() const { return truth ? double(matched) / truth : 1.0; }
};

// Scores the cuts (first frames of scenes, frame 0 left out) against the truth.
DetectionScore scoreCuts(const TruthSet& truth, const std::vector<int>& cuts);

} // namespace zentar::e2e

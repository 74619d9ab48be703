#include "tests/e2e/DetectionTruth.h"

#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace zentar::e2e {
namespace {

constexpr int kPictureWidth = 1024;
constexpr int kPictureHeight = 512;
constexpr size_t kPictureBytes = size_t{kPictureWidth} * kPictureHeight * 3;

using Picture = std::vector<uint8_t>; // kPictureWidth x kPictureHeight RGB24

// A photograph of the image package, or a picture of one of FFmpeg's own sources.
Picture loadPicture(const std::string& name) {
    const std::string size = std::to_string(kPictureWidth) + "x" + std::to_string(kPictureHeight);
    const std::string input = name == "earth" || name == "night"
                                  ? "-i /usr/share/xplanet/images/" + name + ".jpg"
                                  : "-f lavfi -i '" + name + "=s=" + size + "'";
    std::string pixels;
    test::runCommand("ffmpeg -nostdin -v error " + input + " -frames:v 1 -vf scale=" + size +
                         " -f rawvideo -pix_fmt rgb24 - 2>/dev/null",
                     pixels);
    if (pixels.size() != kPictureBytes)
        throw std::runtime_error("cannot make the picture '" + name + "'");
    return Picture(pixels.begin(), pixels.end());
}

struct Shot {
    const Picture* picture = nullptr;
    double cx = 0.5, cy = 0.5, w = 0.5, dx = 0, dy = 0, zoom = 1;
};

// What one output frame shows: shot a at time ta, blended towards shot b, times brightness,
// towards white for a flash.
struct FramePlan {
    int a = 0;
    double ta = 0;
    int b = -1;
    double tb = 0, mix = 0, brightness = 1;
    bool flash = false;
};

void sample(const Shot& shot, double t, double u, double v, double out[3]) {
    const double width = shot.w * kPictureWidth * std::pow(shot.zoom, t);
    const double height = width * 3 / 4;
    double x = (shot.cx + shot.dx * t) * kPictureWidth + (u - 0.5) * width;
    double y = shot.cy * kPictureHeight + shot.dy * kPictureWidth * t + (v - 0.5) * height;
    x = std::fmod(std::fmod(x, kPictureWidth) + kPictureWidth, kPictureWidth); // wraps round
    y = std::clamp(y, 0.0, kPictureHeight - 1.001);
    const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    const int x1 = (x0 + 1) % kPictureWidth;
    const double fx = x - x0, fy = y - y0;
    const uint8_t* p = shot.picture->data();
    for (int c = 0; c < 3; ++c) {
        auto at = [&](int px, int py) { return p[(size_t(py) * kPictureWidth + px) * 3 + c]; };
        out[c] = (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) +
                 (at(x0, y0 + 1) * (1 - fx) + at(x1, y0 + 1) * fx) * fy;
    }
}

} // namespace

TruthSet writeTruthClip(const std::string& listPath, const std::string& clipPath, int width,
                        int height) {
    std::ifstream list(listPath);
    if (!list)
        throw std::runtime_error("cannot read " + listPath);
    auto pictures = std::make_shared<std::map<std::string, Picture>>();
    auto shots = std::make_shared<std::vector<Shot>>();
    auto plan = std::make_shared<std::vector<FramePlan>>();
    TruthSet truth;
    std::string line;
    std::string pending; // the transition before the next shot
    int out = 0, black = 0, in = 0;
    int shotStart = 0;
    while (std::getline(list, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string kind;
        if (!(words >> kind))
            continue;
        if (kind == "cut" || kind == "dissolve" || kind == "fade") {
            pending = kind;
            if (kind == "dissolve")
                words >> out;
            if (kind == "fade")
                words >> out >> black >> in;
            continue;
        }
        if (kind == "flash") {
            int offset = 0, length = 0;
            words >> offset >> length;
            for (int i = 0; i < length; ++i)
                (*plan)[size_t(shotStart + offset + i)].flash = true;
            truth.noCut.push_back({shotStart + offset, shotStart + offset + length});
            continue;
        }
        if (kind != "shot")
            throw std::runtime_error("unknown line in " + listPath + ": " + line);
        int frames = 0;
        std::string source, tag;
        Shot shot;
        words >> frames >> source;
        auto found = pictures->find(source);
        if (found == pictures->end())
            found = pictures
                        ->emplace(source, source == "black" ? Picture(kPictureBytes, 0)
                                                            : loadPicture(source))
                        .first;
        shot.picture = &found->second;
        words >> shot.cx >> shot.cy >> shot.w >> shot.dx >> shot.dy >> shot.zoom >> tag;
        const int previous = static_cast<int>(shots->size()) - 1;
        const int next = previous + 1;
        const int start = static_cast<int>(plan->size());
        const double end = previous >= 0 ? plan->back().ta : 0; // the previous shot's last time
        for (int k = 1; pending == "dissolve" && k <= out; ++k)
            plan->push_back({previous, end + k, next, k - out - 1.0, k / (out + 1.0)});
        for (int k = 1; pending == "fade" && k <= out + black + in; ++k) {
            if (k <= out + black)
                plan->push_back({previous, end + k, -1, 0, 0, std::max(0.0, 1 - k / (out + 1.0))});
            else
                plan->push_back(
                    {next, k - out - black - in - 1.0, -1, 0, 0, (k - out - black) / (in + 1.0)});
        }
        const int last = static_cast<int>(plan->size()) - 1;
        if (!pending.empty())
            truth.transitions.push_back({start, std::max(start, last), last >= start});
        pending.clear();
        shots->push_back(shot);
        shotStart = static_cast<int>(plan->size());
        for (int t = 0; t < frames; ++t)
            plan->push_back({next, double(t)});
        if (tag == "fast")
            truth.noCut.push_back({shotStart + 2, shotStart + frames - 2});
    }
    truth.frames = static_cast<int>(plan->size());

    test::VideoSpec video{
        .width = width, .height = height, .frames = truth.frames, .bitRate = width * height * 60};
    video.painter = [=](int index, uint8_t* rgb, int linesize) {
        const FramePlan& f = (*plan)[size_t(index)];
        for (int y = 0; y < height; ++y) {
            uint8_t* row = rgb + ptrdiff_t(y) * linesize;
            for (int x = 0; x < width; ++x) {
                const double u = (x + 0.5) / width, v = (y + 0.5) / height;
                double a[3], b[3];
                sample((*shots)[size_t(f.a)], f.ta, u, v, a);
                if (f.b >= 0)
                    sample((*shots)[size_t(f.b)], f.tb, u, v, b);
                for (int c = 0; c < 3; ++c) {
                    double value = f.b >= 0 ? a[c] * (1 - f.mix) + b[c] * f.mix : a[c];
                    value *= f.brightness;
                    if (f.flash)
                        value = 255 - (255 - value) * 0.15;
                    row[3 * x + c] = static_cast<uint8_t>(std::lround(value));
                }
            }
        }
    };
    test::writeClip(clipPath, {.video = video});
    return truth;
}

DetectionScore scoreCuts(const TruthSet& truth, const std::vector<int>& cuts) {
    DetectionScore score;
    score.truth = static_cast<int>(truth.transitions.size());
    std::vector<int> found;
    std::copy_if(cuts.begin(), cuts.end(), std::back_inserter(found), [](int c) { return c > 0; });
    std::sort(found.begin(), found.end());
    score.detected = static_cast<int>(found.size());
    std::vector<bool> used(found.size(), false);
    for (const TruthSet::Span span : truth.transitions) {
        const int slack = span.gradual ? 0 : 1;
        for (size_t k = 0; k < found.size(); ++k) {
            if (!used[k] && found[k] >= span.first - slack && found[k] <= span.last + slack) {
                used[k] = true;
                ++score.matched;
                break;
            }
        }
    }
    for (const int cut : found) {
        for (const TruthSet::Span span : truth.noCut) {
            if (cut >= span.first && cut <= span.last)
                ++score.noCutHits;
        }
    }
    return score;
}

} // namespace zentar::e2e

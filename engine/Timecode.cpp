#include "engine/Timecode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace zentar {

SmpteBase SmpteBaseForRate(double frameRate) {
    SmpteBase base;
    base.framesPerSecond = std::max(1, static_cast<int>(std::lround(frameRate)));
    const int whole = base.framesPerSecond;
    base.dropFrame =
        (whole == 30 || whole == 60) && std::abs(frameRate - whole * 1000.0 / 1001.0) < 0.005;
    return base;
}

std::string ClockTimecode(std::int64_t frame, double frameRate) {
    const double seconds = frameRate > 0 ? static_cast<double>(frame) / frameRate : 0.0;
    // A hair over, so that a frame that starts exactly on a second is not shown one early.
    const auto whole = static_cast<std::int64_t>(std::floor(seconds + 1e-9));
    const auto into = static_cast<std::int64_t>(
        std::floor(static_cast<double>(frame) - static_cast<double>(whole) * frameRate + 1e-6));
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%02lld",
                  static_cast<long long>(whole / 3600), static_cast<long long>(whole / 60 % 60),
                  static_cast<long long>(whole % 60),
                  static_cast<long long>(std::max<std::int64_t>(0, into)));
    return text;
}

std::string SmpteTimecode(std::int64_t frame, SmpteBase base) {
    const std::int64_t fps = base.framesPerSecond;
    std::int64_t counted = frame;
    if (base.dropFrame) {
        // Frame numbers skipped so far: `drop` a minute, except every tenth minute.
        const std::int64_t drop = fps / 15; // 2 at 29.97, 4 at 59.94
        const std::int64_t perMinute = fps * 60 - drop;
        const std::int64_t perTenMinutes = fps * 600 - drop * 9;
        const std::int64_t tens = frame / perTenMinutes;
        const std::int64_t rest = frame % perTenMinutes;
        counted += drop * 9 * tens;
        if (rest >= drop)
            counted += drop * ((rest - drop) / perMinute);
    }
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld%c%02lld",
                  static_cast<long long>(counted / (fps * 3600) % 24),
                  static_cast<long long>(counted / (fps * 60) % 60),
                  static_cast<long long>(counted / fps % 60), base.dropFrame ? ';' : ':',
                  static_cast<long long>(counted % fps));
    return text;
}

} // namespace zentar

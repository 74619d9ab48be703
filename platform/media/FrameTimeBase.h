// FrameTimeBase: the exact rational frame period behind a period in 100-ns units, as the
// muxers and encoders that store rational rates need it. The NTSC family (24, 30, 48, 60,
// 120 / 1.001) is recognised from its truncated period, so 29.97 becomes 1001/30000; other
// periods are reduced, with the denominator at most maxDen. Pure; any thread.
#pragma once

#include <cmath>
#include <cstdint>

extern "C" {
#include <libavutil/rational.h>
}

namespace zentar {

inline AVRational FrameTimeBase(int64_t periodHns, int maxDen = INT32_MAX) {
    for (const int rate : {24, 30, 48, 60, 120}) {
        const double exact = 10'000'000.0 * 1001 / (rate * 1000);
        if (std::abs(static_cast<double>(periodHns) - exact) < 1.0)
            return AVRational{1001, rate * 1000};
    }
    AVRational base{0, 1};
    av_reduce(&base.num, &base.den, periodHns, 10'000'000, maxDen);
    return base;
}

} // namespace zentar

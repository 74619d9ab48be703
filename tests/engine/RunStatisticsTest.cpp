#include <gtest/gtest.h>

#include "engine/RunStatistics.h"

namespace zentar {
namespace {

TEST(FormatDuration, SplitsMillisecondsIntoHoursMinutesSecondsAndHundredths) {
    EXPECT_EQ(FormatDuration(3723450), "1:02:03.45 (3723.45 sec)");
    EXPECT_EQ(FormatDuration(0), "0:00:00.00 (0.00 sec)");
    EXPECT_EQ(FormatDuration(59999), "0:00:59.99 (59.99 sec)");
    EXPECT_EQ(FormatDuration(4294967295u), "1193:02:47.29 (4294967.29 sec)");
}

TEST(FormatStatistics, ShowsFramesRateTimesAndClips) {
    RunCounters counters;
    counters.framesRead = 250;
    counters.elapsedMs = 4000;
    counters.inputTimeHns = 100000000; // 10 s
    counters.clipCounter = 3;
    EXPECT_EQ(FormatStatistics(counters), " Frames processed\t       250 (62.50 fps)\r\n"
                                          " Time processed\t0:00:10.00 (10.00 sec)\r\n"
                                          " Time elapsed\t0:00:04.00 (4.00 sec)\r\n"
                                          " Clips processed\t3");
    counters.elapsedMs = 0;
    EXPECT_NE(FormatStatistics(counters).find("(0.00 fps)"), std::string::npos);
}

} // namespace
} // namespace zentar

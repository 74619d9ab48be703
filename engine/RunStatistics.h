// The statistics text of a conversion run as the status box shows it: frames processed with
// frames per second, time processed, time elapsed and clips processed, formatted from the
// string table. Pure functions; called on the run's thread once per step.
#pragma once

#include <cstdint>
#include <string>

namespace zentar {

// "h:mm:ss.hh (s.hh sec)" of a duration in milliseconds, unsigned 32-bit arithmetic.
std::string FormatDuration(std::uint32_t ms);

// The run's counters as the statistics text reads them.
struct RunCounters {
    std::uint64_t framesRead = 0;  // shown as a signed 32-bit value
    std::uint32_t elapsedMs = 0;   // wall time of the run
    std::int64_t inputTimeHns = 0; // end time of the last input frame read, 100-ns units
    std::int32_t clipCounter = 0;
};

// The multi-line statistics text; 0.00 fps while no time has elapsed.
std::string FormatStatistics(const RunCounters& counters);

} // namespace zentar

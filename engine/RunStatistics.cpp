#include "engine/RunStatistics.h"

#include <cstdio>

#include "resources/strings/StringTable.h"

namespace zentar {
namespace {

// printf into a string; the formats are the string table's own texts.
template <typename... Args> std::string Format(const std::string& format, Args... args) {
    const int length = std::snprintf(nullptr, 0, format.c_str(), args...);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, format.c_str(), args...);
    return text;
}

} // namespace

std::string FormatDuration(std::uint32_t ms) {
    const std::uint32_t hours = ms / 3600000;
    const std::uint32_t minutes = (ms % 3600000) / 60000;
    const std::uint32_t seconds = (ms % 3600000 % 60000) / 1000;
    const std::uint32_t hundredths = (ms % 3600000 % 60000 % 1000) / 10;
    return Format(LoadString(IDS_DURATION_FORMAT), static_cast<long>(hours),
                  static_cast<long>(minutes), static_cast<long>(seconds),
                  static_cast<long>(hundredths), static_cast<long>(ms / 1000),
                  static_cast<long>(hundredths));
}

std::string FormatStatistics(const RunCounters& counters) {
    const double fps = counters.elapsedMs == 0 ? 0.0
                                               : static_cast<double>(counters.framesRead) /
                                                     (counters.elapsedMs * 0.001);
    // The time processed is taken in milliseconds from its low 32 bits.
    const auto processedMs = static_cast<std::uint32_t>(counters.inputTimeHns / 10000);
    return Format(LoadString(IDS_STATISTICS_FORMAT),
                  static_cast<long>(static_cast<std::int32_t>(counters.framesRead)), fps,
                  FormatDuration(processedMs).c_str(), FormatDuration(counters.elapsedMs).c_str(),
                  static_cast<long>(counters.clipCounter));
}

} // namespace zentar

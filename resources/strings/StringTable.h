// The string table: every user-visible text of the program that code loads by number.
// Immutable data; any thread may call LoadString.
#pragma once

#include <cstdint>
#include <string>

namespace zentar {

// Ids with a name of their own, for the texts that code picks by meaning.
enum StringId : uint32_t {
    IDS_UNCOMPRESSED = 1,
    IDS_INPUT_DEFAULT_EXT = 2,
    IDS_INPUT_FILTER = 3,
    IDS_OUTPUT_FILTER = 4,
    IDS_ABOUTBOX = 101,
    IDS_DURATION_FORMAT = 61238,
    IDS_CANNOT_OPEN_INPUT = 61239,
    IDS_CANNOT_OPEN_OUTPUT = 61240,
    IDS_CANNOT_INIT_GRAPH = 61241,
    IDS_CANNOT_CONVERT = 61242,
    IDS_STATISTICS_FORMAT = 61244,
    IDS_WINDOWS_MEDIA_ERROR = 61251,
    IDS_PROFILE_DEFAULT_EXT = 61252,
    IDS_PROFILE_FILTER = 61253,
    IDS_BROWSE_INPUT = 61254,
    IDS_BROWSE_OUTPUT = 61255,
    IDS_BROWSE_PROFILES = 61256,
    IDS_AUDIO_ADVANCED = 61257,
    IDS_VIDEO_ADVANCED = 61258,
    IDS_PROJECT_FILTER = 61259,
    IDS_PROJECT_DEFAULT_EXT = 61260,
    IDS_PROJECT_ENTRY_FORMAT = 61261,
    IDS_CANNOT_WRITE_PROJECT = 61262,
    IDS_CANNOT_WRITE_SCORE_LOG = 61270,
    // The file filters with every input kind and output type the program has today.
    IDS_INPUT_FILTER_ALL_KINDS = 61320,
    IDS_OUTPUT_FILTER_ALL_TYPES = 61321,
    // Messages of the option dialogs' field checks (%1, %2: the limits).
    IDS_PARSE_INT = 61712,
    IDS_PARSE_REAL = 61713,
    IDS_PARSE_INT_RANGE = 61714,
    IDS_PARSE_REAL_RANGE = 61715,
    IDS_PARSE_UINT = 61719,
};

// The text of string `id`, or "" when the table has no such string.
std::string LoadString(uint32_t id);

} // namespace zentar

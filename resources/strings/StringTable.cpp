#include "resources/strings/StringTable.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace zentar {

namespace {

struct Entry {
    uint32_t id;
    std::string_view text;
};

// Sorted by id. File-dialog filters separate their fields with '|' and end with "||".
constexpr std::array kStrings{
    Entry{IDS_UNCOMPRESSED, "<Uncompressed>"},
    Entry{IDS_INPUT_DEFAULT_EXT, "avi"},
    Entry{IDS_INPUT_FILTER, "Video files (*.avi;*.mpg;*.mpeg;*.dat;*.wmv)|*.avi;*.mpg;*.mpeg;"
                            "*.dat;*.wmv|All files|*.*||"},
    Entry{IDS_OUTPUT_FILTER, "AVI video files (*.avi)|*.avi|Windows Media video files "
                             "(*.wmv)|*.wmv|All files|*.*||"},
    Entry{IDS_ABOUTBOX, "&About Zentar Video Converter..."},
    Entry{IDS_DURATION_FORMAT, "%li:%02li:%02li.%02li (%li.%02li sec)"},
    Entry{IDS_CANNOT_OPEN_INPUT, "Cannot open input file."},
    Entry{IDS_CANNOT_OPEN_OUTPUT, "Cannot open output file."},
    Entry{IDS_CANNOT_INIT_GRAPH, "Cannot initialize DirectShow base system."},
    Entry{IDS_CANNOT_CONVERT, "Cannot make conversion."},
    Entry{IDS_STATISTICS_FORMAT, " Frames processed\t%10li (%.2f fps)\r\n Time processed\t%s\r\n"
                                 " Time elapsed\t%s\r\n Clips processed\t%li"},
    Entry{IDS_WINDOWS_MEDIA_ERROR, "Windows Media error."},
    Entry{IDS_PROFILE_DEFAULT_EXT, "prx"},
    Entry{IDS_PROFILE_FILTER, "Media profiles (*.prx)|*.prx|All files|*.*||"},
    Entry{IDS_BROWSE_INPUT, "Browse for input file..."},
    Entry{IDS_BROWSE_OUTPUT, "Browse for output file..."},
    Entry{IDS_BROWSE_PROFILES, "Browse for more profiles..."},
    Entry{IDS_AUDIO_ADVANCED, "Advanced..."},
    Entry{IDS_VIDEO_ADVANCED, "Advanced..."},
    Entry{IDS_PROJECT_FILTER, "Frameloom project files (*.flp)|*.flp|All files|*.*||"},
    Entry{IDS_PROJECT_DEFAULT_EXT, "flp"},
    Entry{IDS_PROJECT_ENTRY_FORMAT, "Make Frameloom 3.0 project (%s)"},
    Entry{IDS_CANNOT_WRITE_PROJECT, "Cannot write Frameloom project file"},
    Entry{IDS_CANNOT_WRITE_SCORE_LOG, "Cannot write the detection score log."},
    Entry{IDS_INPUT_FILTER_ALL_KINDS,
          "Video files (*.avi;*.mpg;*.mpeg;*.dat;*.wmv;*.asf;*.mp4;*.m4v;*.mov;*.mkv;*.webm;"
          "*.ts;*.m2ts;*.mts;*.flv;*.3gp;*.ogv;*.vob)|*.avi;*.mpg;*.mpeg;*.dat;*.wmv;*.asf;"
          "*.mp4;*.m4v;*.mov;*.mkv;*.webm;*.ts;*.m2ts;*.mts;*.flv;*.3gp;*.ogv;*.vob|"
          "All files|*.*||"},
    Entry{IDS_OUTPUT_FILTER_ALL_TYPES,
          "AVI video files (*.avi)|*.avi|Windows Media video files (*.wmv)|*.wmv|MPEG-4 video "
          "files (*.mp4)|*.mp4|Matroska video files (*.mkv)|*.mkv|All files|*.*||"},
    Entry{IDS_PARSE_INT, "Please enter an integer."},
    Entry{IDS_PARSE_REAL, "Please enter a number."},
    Entry{IDS_PARSE_INT_RANGE, "Please enter an integer between %1 and %2."},
    Entry{IDS_PARSE_REAL_RANGE, "Please enter a number between %1 and %2."},
    Entry{IDS_PARSE_UINT, "Please enter a positive integer."},
};

constexpr bool sortedById() {
    for (size_t i = 1; i < kStrings.size(); ++i) {
        if (kStrings[i - 1].id >= kStrings[i].id)
            return false;
    }
    return true;
}
static_assert(sortedById(), "the string table must stay sorted by id");

} // namespace

std::string LoadString(uint32_t id) {
    const auto it = std::lower_bound(kStrings.begin(), kStrings.end(), id,
                                     [](const Entry& e, uint32_t key) { return e.id < key; });
    return (it != kStrings.end() && it->id == id) ? std::string(it->text) : std::string();
}

} // namespace zentar

#include "resources/strings/StringTable.h"

#include <gtest/gtest.h>

namespace zentar {
namespace {

TEST(StringTableTest, HoldsEveryNumberedTextExactly) {
    const std::pair<uint32_t, const char*> expected[] = {
        {1, "<Uncompressed>"},
        {2, "avi"},
        {3, "Video files (*.avi;*.mpg;*.mpeg;*.dat;*.wmv)|*.avi;*.mpg;*.mpeg;*.dat;*.wmv|"
            "All files|*.*||"},
        {4, "AVI video files (*.avi)|*.avi|Windows Media video files (*.wmv)|*.wmv|"
            "All files|*.*||"},
        {101, "&About Zentar Video Converter..."},
        {61238, "%li:%02li:%02li.%02li (%li.%02li sec)"},
        {61239, "Cannot open input file."},
        {61240, "Cannot open output file."},
        {61241, "Cannot initialize DirectShow base system."},
        {61242, "Cannot make conversion."},
        {61244, " Frames processed\t%10li (%.2f fps)\r\n Time processed\t%s\r\n"
                " Time elapsed\t%s\r\n Clips processed\t%li"},
        {61251, "Windows Media error."},
        {61252, "prx"},
        {61253, "Media profiles (*.prx)|*.prx|All files|*.*||"},
        {61254, "Browse for input file..."},
        {61255, "Browse for output file..."},
        {61256, "Browse for more profiles..."},
        {61257, "Advanced..."},
        {61258, "Advanced..."},
        {61259, "Frameloom project files (*.flp)|*.flp|All files|*.*||"},
        {61260, "flp"},
        {61261, "Make Frameloom 3.0 project (%s)"},
        {61262, "Cannot write Frameloom project file"},
    };
    for (const auto& [id, text] : expected)
        EXPECT_EQ(LoadString(id), text) << id;
    for (const uint32_t unknown : {0u, 5u, 100u, 61243u, 61263u, 0xFFFFFFFFu})
        EXPECT_EQ(LoadString(unknown), "") << unknown;
}

} // namespace
} // namespace zentar

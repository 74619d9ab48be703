#include "engine/ConversionSettings.h"

#include "platform/profile/IniFile.h"
#include "platform/system/System.h"
#include "tests/support/media/MediaFixture.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

namespace zentar {
namespace {

namespace fs = std::filesystem;
using Result = ConversionSettings::StoredValueResult;

class ConversionSettingsTest : public ::testing::Test {
protected:
    void writeIni(const std::string& text) const { std::ofstream(ini_, std::ios::binary) << text; }
    std::string readIni() const { return test::FileText(ini_); }
    // Loads a fresh record from an [Options] section holding `lines`.
    ConversionSettings loadWith(const std::string& lines) const {
        writeIni("[Options]\n" + lines);
        ConversionSettings settings(ini_);
        settings.load_settings();
        return settings;
    }
    // The value line of `key` in the saved file, e.g. "FrameRate=29970".
    std::string savedLine(const std::string& key) const {
        std::istringstream in(readIni());
        for (std::string line; std::getline(in, line);) {
            if (line.rfind(key + "=", 0) == 0)
                return line;
        }
        return "<missing " + key + ">";
    }

    test::TempFolder folder_{"settings"};
    const std::string ini_ = folder_.file("zentar-converter.ini");
};

// The default file's exact text is the command-line test's (--print-settings).
TEST_F(ConversionSettingsTest, MissingFileGivesTheDefaultsAndSavesEveryKey) {
    ConversionSettings settings(ini_);
    settings.load_settings();
    EXPECT_EQ(settings.VideoFormat.dwQuality, 10000u);
    EXPECT_EQ(settings.FrameRate, 30000 * 0.001);
    ASSERT_TRUE(settings.save_settings());
    EXPECT_EQ(ConversionSettings().stored_text(), readIni()); // a fresh record is the defaults
    EXPECT_EQ(savedLine("LastFolder"), "LastFolder=" + GetCurrentFolder());
}

TEST_F(ConversionSettingsTest, FrameRateIsStoredInTruncatedThousandthsWithoutDrift) {
    ConversionSettings settings(ini_);
    settings.FrameRate = 29.97;
    ASSERT_TRUE(settings.save_settings());
    EXPECT_EQ(savedLine("FrameRate"), "FrameRate=29970");
    settings.load_settings();
    EXPECT_DOUBLE_EQ(settings.FrameRate, 29.97);

    // Rates whose thousandths are not exact in binary keep their value across saves.
    for (const char* stored : {"4007", "4015", "1000000", "1"}) {
        ASSERT_EQ(settings.set_stored_value("FrameRate", stored), Result::Applied);
        for (int cycle = 0; cycle < 3; ++cycle) {
            ASSERT_TRUE(settings.save_settings());
            settings.load_settings();
        }
        EXPECT_EQ(savedLine("FrameRate"), std::string("FrameRate=") + stored);
    }

    settings.FrameRate = 12.3456;
    ASSERT_TRUE(settings.save_settings());
    EXPECT_EQ(savedLine("FrameRate"), "FrameRate=12345");
    settings.load_settings();
    EXPECT_DOUBLE_EQ(settings.FrameRate, 12.345);
}

TEST_F(ConversionSettingsTest, LoadedValuesAreNormalisedAndSavedInTheirShortestForm) {
    ConversionSettings settings =
        loadWith("HueThreshold=0.25\nSatThreshold=abc\nValThreshold= 1.5xyz\n"
                 "DisThreshold=0.123456789\nWantPreview=5\nShowStatistics=-3\nKeepSettings=7\n");
    // Not a number switches the test off; otherwise the leading number counts; other flags
    // load as stored.
    EXPECT_EQ(std::tuple(settings.SatThreshold, settings.ValThreshold, settings.KeepSettings),
              std::tuple(0.0, 1.5, 7));
    settings.SatThreshold = 1;
    ASSERT_TRUE(settings.save_settings());
    for (const char* line : {"HueThreshold=0.25", "SatThreshold=1", "DisThreshold=0.123457",
                             "WantPreview=1", "ShowStatistics=1"})
        EXPECT_EQ(savedLine(std::string(line).substr(0, std::string(line).find('='))), line);
    settings.load_settings();
    EXPECT_DOUBLE_EQ(settings.DisThreshold, 0.123457);
}

TEST_F(ConversionSettingsTest, NumbersDoNotFollowTheProcessLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    ConversionSettings settings = loadWith("ValThreshold=0.7\n");
    settings.HueThreshold = 0.25;
    const std::string text = settings.stored_text();
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(settings.ValThreshold, 0.7);
    EXPECT_NE(text.find("HueThreshold=0.25\n"), std::string::npos);
}

TEST_F(ConversionSettingsTest, BinaryRecordsNeedExactlyTheirSize) {
    const std::string pcm = "BAAACAAAEEMKAAAAABBLCAAAEAAAABAAAAAA";
    ConversionSettings settings = loadWith("AudioFormat=" + pcm + "\n");
    EXPECT_EQ(settings.AudioFormat, (AudioFormatRecord{1, 2, 44100, 176400, 4, 16, 0}));
    ASSERT_TRUE(settings.save_settings());
    EXPECT_EQ(savedLine("AudioFormat"), "AudioFormat=" + pcm);

    for (const size_t bytes : {43u, 45u}) {
        const ConversionSettings wrong =
            loadWith("VideoFormat=" + std::string(bytes * 2, 'B') + "\nAudioFormat=BAAA\n");
        EXPECT_EQ(wrong.VideoFormat, ConversionSettings().VideoFormat) << bytes;
        EXPECT_EQ(wrong.AudioFormat, AudioFormatRecord{});
    }
    const ConversionSettings right = loadWith("VideoFormat=" + std::string(88, 'B') + "\n");
    EXPECT_EQ(right.VideoFormat.dwQuality, 0x11111111u);
}

// Hand-edited values the run cannot use fall back to the key's default, when loading and
// when set one by one (the command line's KEY=VALUE).
TEST_F(ConversionSettingsTest, OutOfRangeIntegersFallBackToTheDefault) {
    struct Case {
        const char* key;
        const char* text;
        int32_t ConversionSettings::*field;
        int32_t expected;
    };
    const Case cases[] = {
        {"DstFileType", "4", &ConversionSettings::DstFileType, 0},
        {"SceneDetection", "3", &ConversionSettings::SceneDetection, 0},
        {"SampleRate", "-1", &ConversionSettings::SampleRate, 3},
        {"Channels", "2", &ConversionSettings::Channels, 1},
        {"FrameWidth", "9000", &ConversionSettings::FrameWidth, 320},
        {"FrameHeight", "0", &ConversionSettings::FrameHeight, 240},
    };
    for (const Case& c : cases) {
        const ConversionSettings loaded = loadWith(std::string(c.key) + "=" + c.text + "\n");
        EXPECT_EQ(loaded.*c.field, c.expected) << c.key << "=" << c.text;
        ConversionSettings set;
        set.*c.field = 77;
        EXPECT_EQ(set.set_stored_value(c.key, c.text), Result::OutOfRange) << c.key;
        EXPECT_EQ(set.*c.field, c.expected) << c.key << "=" << c.text;
    }
    for (const char* rate : {"0", "-1", "1000001"}) {
        EXPECT_EQ(loadWith(std::string("FrameRate=") + rate + "\n").FrameRate, 30.0) << rate;
    }
    // The limits themselves are valid.
    const ConversionSettings edge = loadWith("SceneDetection=2\nSampleRate=4\nFrameWidth=8192\n"
                                             "FrameHeight=1\nFrameRate=1\nDstFileType=1\n");
    EXPECT_EQ(std::tuple(edge.SceneDetection, edge.SampleRate, edge.FrameWidth, edge.FrameHeight,
                         edge.FrameRate, edge.DstFileType),
              std::tuple(2, 4, 8192, 1, 0.001, 1));
}

TEST_F(ConversionSettingsTest, SavingKeepsTheRestOfTheFileAndAFailedSaveKeepsTheOldFile) {
    writeIni("; my settings\r\n[Other]\r\nx=1\r\n[OPTIONS]\r\nframewidth=640\r\nMine=keep\r\n");
    ConversionSettings settings(ini_);
    settings.load_settings();
    EXPECT_EQ(settings.FrameWidth, 640);
    ASSERT_TRUE(settings.save_settings());
    const std::string saved = readIni();
    EXPECT_EQ(saved.rfind("; my settings\n[Other]\nx=1\n[OPTIONS]\nframewidth=640\nMine=keep\n"
                          "LastFolder=",
                          0),
              0u)
        << saved;
    EXPECT_EQ(saved.find("FrameWidth="), std::string::npos); // replaced in place, not added

    fs::permissions(ini_, fs::perms::owner_read);
    settings.FrameWidth = 100;
    EXPECT_FALSE(settings.save_settings());
    EXPECT_EQ(readIni(), saved);
}

TEST(ConversionSettingsDerivedTest, RunParametersFollowTheKeepFlags) {
    ConversionSettings s;
    const AudioFormatRecord input{2, 6, 48000, 0, 12, 16, 0};
    EXPECT_EQ(s.InputFrameRate(), 0.0);
    EXPECT_EQ(s.OutputFrameSize({720, 576}), (FrameSize{720, 576}));
    EXPECT_EQ(s.OutputAudioFormat(input), input);
    s.KeepSettings = 0;
    s.KeepFrameRate = 0;
    s.KeepFrameSize = 0;
    s.KeepSound = 0;
    s.FrameRate = 12.5;
    s.FrameWidth = 321;
    EXPECT_EQ(s.InputFrameRate(), 12.5);
    EXPECT_EQ(s.OutputFrameSize({640, 480}), (FrameSize{321, 241})); // 240.75 rounds up
    EXPECT_EQ(s.OutputFrameSize({8000, 2}), (FrameSize{321, 1}));    // never 0 lines
    EXPECT_EQ(s.OutputFrameSize({2, 8000}), (FrameSize{321, 8192})); // nor a giant frame
    s.KeepAspect = 0;
    EXPECT_EQ(s.OutputFrameSize({640, 480}), (FrameSize{321, 240}));
    s.Channels = 0;
    s.Bits = 0;
    s.SampleRate = 0;
    EXPECT_EQ(s.OutputAudioFormat(input), (AudioFormatRecord{1, 1, 11025, 11025, 1, 8, 0}));
    s.Channels = 1;
    s.Bits = 1;
    s.SampleRate = 4;
    EXPECT_EQ(s.OutputAudioFormat(input), (AudioFormatRecord{1, 2, 48000, 192000, 4, 16, 0}));
}

} // namespace
} // namespace zentar

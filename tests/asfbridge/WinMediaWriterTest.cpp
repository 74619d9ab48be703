#include "tests/asfbridge/WriterLibrary.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"

#include "platform/com/Bstr.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace zentar::test {
namespace {

namespace fs = std::filesystem;

class WinMediaWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(writerEntryPoint(), nullptr) << dlerror(); }

    std::string file(const std::string& name) const { return folder_.file(name); }

    TempFolder folder_{currentTestName()};
};

std::u16string wide(const std::string& s) {
    return WideFromUtf8(s);
}

std::vector<std::u16string> profileNames(WinMediaWriter* writer) {
    std::vector<std::u16string> names;
    for (int32_t i = 0;; ++i) {
        BSTR name = nullptr;
        if (writer->GetProfileName(i, &name) != 0)
            break;
        UniqueBstr owned(name);
        names.emplace_back(owned.view());
    }
    return names;
}

// Every built-in profile writes a file whose codecs and frame size are the profile's:
// "WMV 7" is wmv1 with WMA 1, "WMV 8" wmv2 with WMA 2, and "WxH" in the name is the
// size frames are scaled to.
TEST_F(WinMediaWriterTest, EveryBuiltinProfileWritesItsCodecsAndSize) {
    const auto names = profileNames(newWriter().Get());
    const WmWaveFormat pcm = pcmFormat(1, 11025, 8);
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(Utf8FromWide(names[i]));
        const std::string path = file("profile" + std::to_string(i) + ".wmv");
        auto writer = newWriter();
        ASSERT_EQ(writer->Open(wide(path).c_str(), names[i].c_str()), 0);
        ASSERT_EQ(writer->SetInputFormats(100, 76, 18, &pcm, 25.0), 0);
        ASSERT_TRUE(writeClip(writer.Get(), 100, 76, 20, true, pcm));
        writer.Reset();

        const std::string name = Utf8FromWide(names[i]);
        const bool wmv7 = name.find("WMV 7") != std::string::npos;
        int width = 100, height = 76; // kept unless the name ends in ", WxH)"
        if (const auto comma = name.rfind(", "); comma != std::string::npos)
            std::sscanf(name.c_str() + comma + 2, "%dx%d)", &width, &height);
        EXPECT_EQ(streamFacts(path, "v:0"), std::string(wmv7 ? "wmv1 " : "wmv2 ") +
                                                std::to_string(width) + "x" +
                                                std::to_string(height) + " 20");
        EXPECT_EQ(streamFacts(path, "a:0").rfind(wmv7 ? "wmav1 " : "wmav2 ", 0), 0u);
    }
}

// A long clip at 29.97 frames per second with 44.1 kHz stereo cut into 5,885-byte blocks
// (not whole sample frames): frame count, both durations, and no drift between them.
TEST_F(WinMediaWriterTest, LongClipAtNtscRateKeepsFrameCountAndDurationsWithoutDrift) {
    const std::string path = file("long.wmv");
    const WmWaveFormat pcm = pcmFormat(2, 44100, 16);
    const double fps = 30000.0 / 1001.0;
    auto writer = newWriter();
    ASSERT_EQ(writer->Open(wide(path).c_str(), nullptr), 0);
    ASSERT_EQ(writer->SetInputFormats(64, 48, 18, &pcm, fps), 0);
    uint32_t block = 0;
    writer->GetAudioBlockSize(&block);
    EXPECT_EQ(block, 5885u);
    uint32_t frameBytes = 0;
    writer->GetVideoFrameSize(&frameBytes);
    EXPECT_EQ(frameBytes, 64u * 3 * 48);
    constexpr int kFrames = 1800; // one minute
    ASSERT_TRUE(writeClip(writer.Get(), 64, 48, kFrames, true, pcm));
    writer.Reset();

    const auto video = probeStream(path, "v:0", true);
    const auto audio = probeStream(path, "a:0", true);
    ASSERT_TRUE(video && audio);
    EXPECT_EQ(video->codecName, "wmv2");
    EXPECT_EQ(video->frames, kFrames);
    const double audioSeconds = kFrames * 5885.0 / 176400.0;
    EXPECT_NEAR(video->durationSeconds, kFrames / fps, 0.1);
    EXPECT_NEAR(audio->durationSeconds, audioSeconds, 0.1);
    EXPECT_EQ(streamFacts(path, "a:0"), "wmav2 44100 2");
    // Audio frames of 2,048 samples at 44.1 kHz: their count gives the sound's length.
    EXPECT_NEAR(audio->frames * 2048 / 44100.0, audioSeconds, 0.1);
}

TEST_F(WinMediaWriterTest, ProfileFileSelectsItsCodecsRatesAndFormat) {
    struct Case {
        std::string fourCC;
        int width, height, formatTag, sampleRate, channels;
        std::string video, audio; // what ffprobe reads back
    };
    const Case cases[] = {
        {"WMV1", 96, 64, 353, 32000, 1, "wmv1 96x64", "wmav2 32000 1"},
        {"WMV2", 0, 0, 352, 22050, 2, "wmv2 120x90", "wmav1 22050 2"},
        {"WMV3", 161, 121, 353, 44100, 2, "wmv2 162x122", "wmav2 44100 2"}, // later codec: WMV 8
    };
    const WmWaveFormat pcm = pcmFormat(2, 44100, 16);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fourCC);
        const std::string path = file(c.fourCC + ".wmv");
        const auto prx = prxText(c.fourCC, 300000, c.width, c.height, c.formatTag, c.sampleRate,
                                 c.channels, 48000);
        auto writer = newWriter();
        ASSERT_EQ(writer->Open(wide(path).c_str(), prx.c_str()), 0);
        ASSERT_EQ(writer->SetInputFormats(120, 90, 18, &pcm, 25.0), 0);
        ASSERT_TRUE(writeClip(writer.Get(), 120, 90, 25, true, pcm));
        writer.Reset();
        EXPECT_EQ(streamFacts(path, "v:0"), c.video + " 25");
        EXPECT_EQ(streamFacts(path, "a:0"), c.audio);
        EXPECT_EQ(probeAudioBitRate(path), 48000);
    }
}

TEST_F(WinMediaWriterTest, ProfileTextsItCannotUnderstandFailOpenWithoutCreatingTheFile) {
    const std::u16string good = prxText("WMV2", 300000, 0, 0, 353, 44100, 2, 64000);
    // The profile file's bytes read as UTF-16 although they were 8-bit text.
    std::string narrow = Utf8FromWide(good.substr(1));
    narrow.resize(narrow.size() & ~size_t{1});
    std::u16string packed(narrow.size() / 2, u'\0');
    std::memcpy(packed.data(), narrow.data(), narrow.size());

    std::u16string hugeText = good;
    hugeText.insert(hugeText.find(u"<profile"), u"<!--" + std::u16string(17u << 20, u'x') + u"-->");
    std::u16string loneSurrogate = good;
    loneSurrogate.insert(loneSurrogate.find(u"Test"), 1, u'\xD800');

    const std::pair<const char*, std::u16string> bad[] = {
        {"not UTF-16", packed},
        {"empty", u""},
        {"unknown name", u"No such profile"},
        {"unbalanced tags", u"<profile><streamconfig></profile>"},
        {"unterminated", good.substr(0, good.size() / 2)},
        {"unknown entity", u"<profile name=\"&bogus;\"/>"},
        {"two roots", good + u"<profile/>"},
        {"no video stream", u"\xFEFF<profile><streamconfig bitrate=\"1\"/></profile>"},
        {"wrong root", u"<notaprofile/>"},
        {"unknown video codec", prxText("XVID", 300000, 0, 0, 353, 44100, 2, 64000)},
        {"unknown audio tag", prxText("WMV2", 300000, 0, 0, 85, 44100, 2, 64000)},
        {"negative size", prxText("WMV2", 300000, -64, 48, 353, 44100, 2, 64000)},
        {"garbage bit rate", prxText("WMV2", 300000, 0, 0, 353, 44100, 2, 0)},
        {"lone surrogate", loneSurrogate},
        {"huge", hugeText},
    };
    for (const auto& [what, text] : bad) {
        SCOPED_TRACE(what);
        const std::string path = file("bad.wmv");
        auto writer = newWriter();
        EXPECT_LT(writer->Open(wide(path).c_str(), text.c_str()), 0);
        EXPECT_FALSE(fs::exists(path));
        // The writer stays usable for the close path.
        EXPECT_GE(writer->WriteVideo(0, nullptr), 0);
        EXPECT_GE(writer->WriteAudio(0, nullptr), 0);
    }

    // Large but reasonable, big-endian with its swapped mark: understood.
    std::u16string large = good;
    large.insert(large.find(u"<profile"),
                 u"<!--" + std::u16string(1u << 20, u'-').replace(0, 2, u"ab") + u"-->");
    std::u16string bigEndian = good;
    for (char16_t& ch : bigEndian)
        ch = static_cast<char16_t>((ch << 8) | (ch >> 8));
    for (const auto& text : {large, bigEndian}) {
        auto writer = newWriter();
        EXPECT_EQ(writer->Open(wide(file("ok.wmv")).c_str(), text.c_str()), 0);
    }
}

// A device that refuses every write: the failure comes back as a negative result at the
// latest with the end markers, and the device itself is not removed.
TEST_F(WinMediaWriterTest, WriteFailuresOfTheDeviceAreReportedNotHidden) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    auto writer = newWriter();
    const WmWaveFormat pcm = pcmFormat(2, 44100, 16);
    bool failed = writer->Open(u"/dev/full", nullptr) < 0 ||
                  writer->SetInputFormats(320, 240, 18, &pcm, 25.0) < 0;
    for (int n = 0; n < 100 && !failed; ++n) {
        const auto frame = movingFrame(320, 240, n);
        failed = writer->WriteVideo(static_cast<uint32_t>(frame.size()), frame.data()) < 0;
    }
    const bool endFailed = writer->WriteVideo(0, nullptr) < 0 || writer->WriteAudio(0, nullptr) < 0;
    EXPECT_TRUE(failed || endFailed);
    writer.Reset();
    EXPECT_TRUE(fs::exists("/dev/full"));
}

// A relative name with a colon is a file name, not an FFmpeg protocol.
TEST_F(WinMediaWriterTest, NamesThatLookLikeProtocolsAreWrittenAsFiles) {
    const fs::path previous = fs::current_path();
    fs::current_path(folder_.path());
    auto writer = newWriter();
    const bool opened = writer->Open(u"pipe:1.wmv", nullptr) == 0 &&
                        writer->SetInputFormats(32, 32, 18, nullptr, 25.0) == 0;
    const auto frame = movingFrame(32, 32, 0);
    const bool written =
        opened && writer->WriteVideo(static_cast<uint32_t>(frame.size()), frame.data()) == 0 &&
        writer->WriteVideo(0, nullptr) == 0 && writer->WriteAudio(0, nullptr) == 0;
    fs::current_path(previous);
    EXPECT_TRUE(written);
    EXPECT_TRUE(probeStream(file("pipe:1.wmv"), "v:0"));
}

// Bottom-up BGR rows come out the right way up with their colours, and an odd size is
// padded with a copy of the last column and row, not with black.
TEST_F(WinMediaWriterTest, FramesKeepOrientationColoursAndEdgesWhenPadded) {
    const int width = 33, height = 25, stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> frame(static_cast<size_t>(stride) * height);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) {
            // Buffer row 0 is the bottom line: the lower part blue, the upper part red,
            // the last column green.
            uint8_t* p = &frame[static_cast<size_t>(row) * stride + static_cast<size_t>(x) * 3];
            const bool green = x == width - 1, blue = row < height / 2;
            p[0] = green ? 0 : blue ? 255 : 0;
            p[1] = green ? 255 : 0;
            p[2] = green ? 0 : blue ? 0 : 255;
        }
    const std::string path = file("colours.wmv");
    auto writer = newWriter();
    const std::u16string best = profileNames(writer.Get()).back();
    ASSERT_EQ(writer->Open(wide(path).c_str(), best.c_str()), 0);
    ASSERT_EQ(writer->SetInputFormats(width, height, 18, nullptr, 25.0), 0);
    for (int n = 0; n < 5; ++n)
        ASSERT_EQ(writer->WriteVideo(static_cast<uint32_t>(frame.size()), frame.data()), 0);
    writer.Reset();

    const auto decoded = ffmpegDecodeBgr24(path); // top-down, 34 x 26, unpadded
    const int outWidth = 34, outHeight = 26;
    ASSERT_EQ(decoded.size(), static_cast<size_t>(outWidth) * outHeight * 3 * 5);
    auto pixel = [&](int x, int y) {
        return &decoded[(static_cast<size_t>(y) * outWidth + x) * 3];
    };
    EXPECT_GT(pixel(8, 3)[2], 180); // top: red
    EXPECT_LT(pixel(8, 3)[0], 80);
    EXPECT_GT(pixel(8, 22)[0], 180); // bottom: blue
    EXPECT_LT(pixel(8, 22)[2], 80);
    EXPECT_GT(pixel(33, 8)[1], 150); // the padding column repeats the green one
    EXPECT_GT(pixel(8, 25)[0], 150); // the padding row repeats the blue bottom line
}

// Blocks cut anywhere in a sample frame (5,885 bytes of 16-bit stereo) are carried over
// and played as one continuous tone of the full length.
TEST_F(WinMediaWriterTest, BlocksCutInsideSampleFramesPlayAsOneContinuousTone) {
    const std::string path = file("tone.wmv");
    const WmWaveFormat pcm = pcmFormat(2, 44100, 16);
    auto writer = newWriter();
    const std::u16string best = profileNames(writer.Get()).back();
    ASSERT_EQ(writer->Open(wide(path).c_str(), best.c_str()), 0);
    ASSERT_EQ(writer->SetInputFormats(32, 32, 18, &pcm, 30000.0 / 1001.0), 0);
    constexpr int kFrames = 90;
    ASSERT_TRUE(writeClip(writer.Get(), 32, 32, kFrames, true, pcm));
    writer.Reset();

    std::string out;
    ASSERT_EQ(runCommand("ffmpeg -v error -nostdin -i '" + path +
                             "' -vn -f s16le -ac 1 -ar 44100 - 2>/dev/null",
                         out),
              0);
    std::vector<int16_t> samples(out.size() / 2);
    std::memcpy(samples.data(), out.data(), samples.size() * 2);
    const double written = kFrames * 5885.0 / 4;
    EXPECT_NEAR(static_cast<double>(samples.size()), written, 4096);
    // A 440 Hz tone changes little from one sample to the next; bytes read out of step
    // would make noise.
    double level = 0, change = 0;
    for (size_t i = 4096; i + 4096 < samples.size(); ++i) {
        level += std::abs(samples[i]);
        change += std::abs(samples[i] - samples[i - 1]);
    }
    EXPECT_GT(level / static_cast<double>(samples.size()), 5000);
    EXPECT_LT(change / level, 0.2);
}

// Sound kept from an input can be in a form the writer cannot carry: refused, not written.
TEST_F(WinMediaWriterTest, AudioFormatsItCannotWriteAreRefused) {
    const WmWaveFormat badFormats[] = {
        WmWaveFormat{2, 2, 44100, 176400, 4, 16, 0},  // not PCM
        WmWaveFormat{1, 2, 44100, 264600, 6, 24, 0},  // 24 bits
        WmWaveFormat{1, 6, 44100, 529200, 12, 16, 0}, // six channels
        WmWaveFormat{1, 2, 44100, 100000, 4, 16, 0},  // inconsistent rate
    };
    for (const auto& f : badFormats)
        EXPECT_LT(newWriter()->SetInputFormats(64, 48, 18, &f, 25.0), 0);
}

} // namespace
} // namespace zentar::test

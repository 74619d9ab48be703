#include "wmout/WinMediaLibrary.h"
#include "wmout/WinMediaOutput.h"
#include "wmout/WinMediaProfiles.h"

#include "engine/CMyException.h"
#include "platform/com/Bstr.h"
#include "platform/system/System.h"
#include "tests/asfbridge/WriterLibrary.h"
#include "tests/support/media/MediaFixture.h"
#include "tests/support/media/Probe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace zentar::test {
namespace {

namespace fs = std::filesystem;

class WinMediaAdapterTest : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return folder_.file(name); }
    std::string writeBytes(const std::string& name, const void* data, size_t size) const {
        std::ofstream(file(name), std::ios::binary)
            .write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
        return file(name);
    }

    TempFolder folder_{currentTestName()};
    WinMediaLibrary library_{{writerLibraryPath()}};
    WinMediaLibrary missing_{{"/nonexistent/libasfbridge.so"}};
};

TEST_F(WinMediaAdapterTest, LibraryIsFoundBesideTheExecutableAndListsItsProfiles) {
    // Tests run from the build's bin folder, where the library is built.
    WinMediaLibrary beside;
    ASSERT_TRUE(beside.available());
    EXPECT_EQ(fs::path(beside.loadedFrom()).parent_path(),
              fs::path(GetModuleFileName()).parent_path());
    const auto names = list_profiles(beside);
    ASSERT_GE(names.size(), 6u);
    EXPECT_EQ(names, list_profiles(library_));

    EXPECT_FALSE(missing_.available());
    EXPECT_TRUE(list_profiles(missing_).empty());
    EXPECT_FALSE(resolve_profile(missing_, names[0]));
}

TEST_F(WinMediaAdapterTest, SettingResolvesToTheNameTheFileTextOrNothing) {
    const auto names = list_profiles(library_);
    ASSERT_FALSE(names.empty());

    // A profile name is passed as the name even when a file of that name exists.
    const fs::path previous = fs::current_path();
    fs::current_path(folder_.path());
    writeBytes(names[1], u"\xFEFF<profile/>", 24);
    const auto byName = resolve_profile(library_, names[1]);
    fs::current_path(previous);
    ASSERT_TRUE(byName);
    EXPECT_EQ(*byName, WideFromUtf8(names[1]));

    EXPECT_FALSE(resolve_profile(library_, ""));
    EXPECT_FALSE(resolve_profile(library_, file("missing.prx")));
    EXPECT_FALSE(resolve_profile(library_, folder_.path()));

    // The file's text with its byte-order mark; it ends at the first 0 character, and an
    // odd last byte is no character.
    const std::u16string text = u"\xFEFF<profile name=\"x\"/>";
    std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    const auto whole = resolve_profile(library_, writeBytes("a.prx", bytes.data(), bytes.size()));
    ASSERT_TRUE(whole);
    EXPECT_EQ(*whole, text);
    bytes += std::string("\0\0junk", 6) + "z";
    const auto cut = resolve_profile(library_, writeBytes("b.prx", bytes.data(), bytes.size()));
    ASSERT_TRUE(cut);
    EXPECT_EQ(*cut, text);
    bytes = "abc";
    const auto odd = resolve_profile(library_, writeBytes("c.prx", bytes.data(), bytes.size()));
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->size(), 1u);

    EXPECT_EQ(profileDisplayName("/home/user/profiles/My profile.prx"), "My profile.prx");
    EXPECT_EQ(profileDisplayName(names[0]), names[0]);
    EXPECT_EQ(profileDisplayName(""), "");
}

TEST_F(WinMediaAdapterTest, OutputWritesAFileFromAResolvedProfileFile) {
    const std::u16string prx = prxText("WMV1", 250000, 0, 0, 352, 22050, 1, 32000);
    const auto value =
        resolve_profile(library_, writeBytes("my.prx", prx.data(), prx.size() * sizeof(char16_t)));
    ASSERT_TRUE(value);
    ASSERT_EQ(value->front(), u'\xFEFF');

    const std::string path = file("out.wmv");
    const auto pcm = pcmFormat(2, 44100, 16);
    const AudioFormatRecord audio{1, 2, 44100, 176400, 4, 16, 0}; // the same as a record
    {
        WinMediaOutput output(library_);
        output.open(path, value, 80, 60, &audio, 25.0);
        const uint32_t block = 44100 * 4 / 25;
        for (int n = 0; n < 25; ++n) {
            const auto frame = movingFrame(80, 60, n);
            ASSERT_TRUE(output.writeVideo(frame.data(), frame.size()));
            const auto sound = toneBytes(pcm, int64_t{n} * block, block);
            ASSERT_TRUE(output.writeAudio(sound.data(), sound.size()));
        }
        // A buffer smaller than what the writer counts is refused rather than over-read.
        const auto small = movingFrame(80, 59, 0);
        EXPECT_FALSE(output.writeVideo(small.data(), small.size()));
        output.close();
        EXPECT_FALSE(output.isOpen());
    }
    const auto video = probeStream(path, "v:0", true);
    const auto sound = probeStream(path, "a:0");
    ASSERT_TRUE(video && sound);
    EXPECT_EQ(video->codecName, "wmv1");
    EXPECT_EQ(video->frames, 25);
    EXPECT_EQ(sound->codecName, "wmav1");
    EXPECT_EQ(sound->channels, 1);

    // Without audio the writer gets 18 zero bytes and the file has no audio stream.
    const std::string silent = file("silent.wmv");
    {
        WinMediaOutput output(library_);
        output.open(silent, std::nullopt, 80, 60, nullptr, 25.0);
        const auto frame = movingFrame(80, 60, 0);
        ASSERT_TRUE(output.writeVideo(frame.data(), frame.size()));
    } // the destructor closes
    const auto silentVideo = probeStream(silent, "v:0", true);
    ASSERT_TRUE(silentVideo);
    EXPECT_EQ(silentVideo->frames, 1);
    EXPECT_FALSE(probeStream(silent, "a:0"));
}

int32_t openFailure(const WinMediaLibrary& library, const std::string& path,
                    const std::optional<std::u16string>& profile, int32_t width) {
    WinMediaOutput output(library);
    try {
        output.open(path, profile, width, 60, nullptr, 25.0);
    } catch (const CMyException& e) {
        output.close(); // the close path ends and releases the partly set-up writer
        return e.code();
    }
    return 0;
}

TEST_F(WinMediaAdapterTest, OpeningFailuresRaiseTheWindowsMediaCode) {
    EXPECT_EQ(openFailure(missing_, file("a.wmv"), std::nullopt, 80), 9);
    EXPECT_EQ(openFailure(library_, file("no/such/folder.wmv"), std::nullopt, 80), 9);
    EXPECT_EQ(openFailure(library_, file("b.wmv"), u"<profile/>", 80), 9);
    EXPECT_EQ(openFailure(library_, file("c.wmv"), std::nullopt, 0), 9);
    EXPECT_FALSE(fs::exists(file("c.wmv")));
}

} // namespace
} // namespace zentar::test

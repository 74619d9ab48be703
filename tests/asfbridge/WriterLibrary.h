// Test helper: the writer library as the program meets it, loaded with dlopen from the
// build's bin folder and reached through its exported entry point only; plus frame and
// sound generators and the UTF-16 profile-file text used by the writer tests.
#pragma once

#include "asfbridge/WinMediaWriter.h"
#include "platform/com/ComPtr.h"
#include "tests/support/media/Probe.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace zentar::test {

using asfbridge::WinMediaWriter;
using asfbridge::WmWaveFormat;

inline std::string currentTestName() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

// The bit rate ffprobe reports for the first audio stream, or -1.
inline long long probeAudioBitRate(const std::string& path) {
    std::string out;
    if (runCommand("ffprobe -v error -select_streams a:0 -show_entries stream=bit_rate -of "
                   "default=noprint_wrappers=1:nokey=1 '" +
                       path + "' 2>/dev/null",
                   out) != 0)
        return -1;
    return std::strtoll(out.c_str(), nullptr, 10);
}

inline const char* writerLibraryPath() {
    return ZENTAR_BINARY_DIR "/bin/libasfbridge.so";
}

// The entry point of the library (loaded once for the test process).
inline asfbridge::CreateWinMediaWriterFn writerEntryPoint() {
    static void* handle = dlopen(writerLibraryPath(), RTLD_NOW | RTLD_LOCAL);
    return handle ? reinterpret_cast<asfbridge::CreateWinMediaWriterFn>(
                        dlsym(handle, asfbridge::kCreateWinMediaWriterName))
                  : nullptr;
}

inline ComPtr<WinMediaWriter> newWriter() {
    ComPtr<WinMediaWriter> writer;
    const auto create = writerEntryPoint();
    if (create && create(writer.GetAddressOf()) < 0)
        writer.Reset();
    return writer;
}

inline WmWaveFormat pcmFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
    const auto align = static_cast<uint16_t>(channels * bits / 8);
    return WmWaveFormat{1, channels, rate, rate * align, align, bits, 0};
}

// A bottom-up BGR24 frame, rows padded to 4 bytes, with a diagonal pattern moving with n.
inline std::vector<uint8_t> movingFrame(int width, int height, int n) {
    const int stride = (width * 3 + 3) & ~3;
    std::vector<uint8_t> frame(static_cast<size_t>(stride) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &frame[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
            p[0] = static_cast<uint8_t>((x + y + 4 * n) * 3);
            p[1] = static_cast<uint8_t>(x * 5 - n * 2);
            p[2] = static_cast<uint8_t>(y * 7 + n);
        }
    return frame;
}

// size bytes of a tone in the format, continuing at byte offset (a byte stream).
inline std::vector<uint8_t> toneBytes(const WmWaveFormat& f, int64_t offset, size_t size) {
    std::vector<uint8_t> out(size);
    const int bytesPerSample = f.wBitsPerSample / 8;
    for (size_t i = 0; i < size; ++i) {
        const int64_t at = offset + static_cast<int64_t>(i);
        const int64_t sample = at / f.nBlockAlign;
        const int byteInSample = static_cast<int>(at % f.nBlockAlign) % bytesPerSample;
        const double v =
            std::sin(2 * M_PI * 440.0 * static_cast<double>(sample) / f.nSamplesPerSec);
        if (bytesPerSample == 1) {
            out[i] = static_cast<uint8_t>(128 + 100 * v);
        } else {
            const auto s = static_cast<uint16_t>(static_cast<int16_t>(20000 * v));
            out[i] = static_cast<uint8_t>(byteInSample == 0 ? s & 0xFF : s >> 8);
        }
    }
    return out;
}

// Writes `frames` frames and, with audio, one block of GetAudioBlockSize bytes per frame
// as the conversion job does, then the end markers. Returns false at the first failure.
inline bool writeClip(WinMediaWriter* writer, int width, int height, int frames, bool audio,
                      const WmWaveFormat& format) {
    int64_t audioOffset = 0;
    for (int n = 0; n < frames; ++n) {
        uint32_t size = 0;
        writer->GetVideoFrameSize(&size);
        const auto frame = movingFrame(width, height, n);
        if (size != frame.size() || writer->WriteVideo(size, frame.data()) < 0)
            return false;
        if (audio) {
            writer->GetAudioBlockSize(&size);
            const auto block = toneBytes(format, audioOffset, size);
            audioOffset += size;
            if (writer->WriteAudio(size, block.data()) < 0)
                return false;
        }
    }
    return writer->WriteVideo(0, nullptr) >= 0 && writer->WriteAudio(0, nullptr) >= 0;
}

// A profile file's text as UTF-16 with a byte-order mark.
inline std::u16string prxText(const std::string& fourCC, int videoRate, int width, int height,
                              int formatTag, int sampleRate, int channels, int audioRate) {
    const std::string xml =
        "<?xml version=\"1.0\"?>\r\n<!-- written by the test -->\r\n"
        "<profile version=\"589824\" storageformat=\"1\" name=\"Test\" description=\"\">\r\n"
        " <streamconfig majortype=\"{73647561-0000-0010-8000-00AA00389B71}\" streamnumber=\"1\""
        " bitrate=\"" +
        std::to_string(audioRate) +
        "\" bufferwindow=\"-1\">\r\n"
        "  <wmmediatype subtype=\"{00000161-0000-0010-8000-00AA00389B71}\">\r\n"
        "   <waveformatex wFormatTag=\"" +
        std::to_string(formatTag) + "\" nChannels=\"" + std::to_string(channels) +
        "\" nSamplesPerSec=\"" + std::to_string(sampleRate) + "\" nAvgBytesPerSec=\"" +
        std::to_string(audioRate / 8) +
        "\" nBlockAlign=\"1485\" wBitsPerSample=\"16\" codecdata=\"008800000F00\"/>\r\n"
        "  </wmmediatype>\r\n </streamconfig>\r\n"
        " <streamconfig majortype=\"{73646976-0000-0010-8000-00AA00389B71}\" streamnumber=\"2\""
        " bitrate=\"" +
        std::to_string(videoRate) +
        "\">\r\n"
        "  <videomediaprops maxkeyframespacing=\"30000000\" quality=\"75\"/>\r\n"
        "  <wmmediatype subtype=\"{33564D57-0000-0010-8000-00AA00389B71}\">\r\n"
        "   <videoinfoheader dwbitrate=\"" +
        std::to_string(videoRate) +
        "\" avgtimeperframe=\"400000\">\r\n"
        "    <rcsource left=\"0\" top=\"0\" right=\"0\" bottom=\"0\"/>\r\n"
        "    <bitmapinfoheader biwidth=\"" +
        std::to_string(width) + "\" biheight=\"" + std::to_string(height) +
        "\" biplanes=\"1\" bibitcount=\"24\" bicompression=\"" + fourCC +
        "\"/>\r\n   </videoinfoheader>\r\n  </wmmediatype>\r\n </streamconfig>\r\n</profile>\r\n";
    std::u16string text(1, u'\xFEFF');
    text.append(xml.begin(), xml.end());
    return text;
}

} // namespace zentar::test

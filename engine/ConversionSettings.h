// ConversionSettings: every user choice for a conversion, one record owned by the main
// window (or by the command line), persisted in section [Options] of an INI file whose
// path the owner gives. Fields carry the names of their INI keys. Only the owner's thread
// touches the record and its file. It lives in the Qt-free engine so that the run, the
// window and the command line share one record and one set of file rules.
//
// Stored forms: texts as they are; integers as signed decimals read with the profile
// integer rules; the two binary records in the profile binary encoding, ignored unless
// they decode to exactly their size; FrameRate as trunc(fps x 1000), read back as an
// unsigned 32-bit count of thousandths; the thresholds with "%g" (read as the leading
// number, 0.0 when there is none); WantPreview and ShowStatistics normalised to 0/1.
// Numbers are written and read independently of the process locale.
//
// Range checks: an integer outside its valid range (see kIntegerRanges in the .cpp:
// DstFileType 0..3 (AVI, WMV, MP4, MKV), SceneDetection 0..2, Channels and Bits 0..1,
// SampleRate 0..4, FrameWidth/FrameHeight 1..8192, FrameRate 0.001..1000 fps,
// DetectionMethod 0..1, MinSceneLength 0..100000, FlashGuard 0..30) falls back to the key's
// default, both when loading and in set_stored_value, so a hand-edited file can never
// hand the run a size, rate or index it cannot use.
#pragma once

#include "engine/FormatRecords.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zentar {

class IniFile;

inline constexpr std::string_view kSettingsSection = "Options";
inline constexpr int32_t kMaxFrameDimension = 8192;
inline constexpr uint32_t kMinFrameRateThousandths = 1;
inline constexpr uint32_t kMaxFrameRateThousandths = 1000000;
inline constexpr int32_t kMaxMinSceneLength = 100000;
inline constexpr int32_t kMaxFlashGuard = 30;

// Samples per second of the SampleRate indices 0..4.
inline constexpr uint32_t kSampleRates[] = {11025, 22050, 32000, 44100, 48000};

struct FrameSize {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const FrameSize&) const = default;
};

class ConversionSettings {
public:
    // What applying one key's stored text did (see set_stored_value).
    enum class StoredValueResult {
        Applied,    // the field holds the value
        OutOfRange, // the number was outside the key's range; the field holds the default
        BadBinary,  // not a binary record of the right size; the field is unchanged
        Malformed,  // not a clean number for a numeric key, or a text with a line end
        UnknownKey, // no such key in [Options]
    };

    // Pre-load values: both records zeroed except quality 10000; every other field holds
    // its key's default, so a fresh object equals one loaded from a missing file.
    ConversionSettings();
    explicit ConversionSettings(std::string iniPath);

    void set_ini_path(std::string path) { iniPath_ = std::move(path); }

    // VideoFormat := zero except quality 10000; AudioFormat := zero.
    void reset_binary_records();

    // Fills every field from the INI file (defaults for what is missing; the binary
    // records keep their value unless the key holds a record of the right size).
    // Never fails.
    void load_settings();
    // Writes "LastFolder" (the current folder) and every key in key order into the INI
    // file, keeping the file's other sections and keys. False when the file could not be
    // written; the previous file then stays whole.
    bool save_settings() const;
    // Reads a binary key of [Options]: true and `expectedSize` bytes copied to
    // `destination` when the key decodes to exactly that many bytes; otherwise false and
    // `destination` untouched.
    bool read_binary_setting(std::string_view key, void* destination, size_t expectedSize) const;

    // Applies `text` as the stored form of `key` (any letter case) with the loader's
    // rules and range checks. Also reports text that the loader would accept leniently
    // but that is not a clean stored value (Malformed), so that a command line can refuse
    // it; the field then holds what the loader would have made of it.
    StoredValueResult set_stored_value(std::string_view key, std::string_view text);

    // Writes every key, "LastFolder" first, into the [Options] section of `file`.
    void store_into(IniFile& file) const;
    // The INI text save_settings writes into a new, empty file.
    std::string stored_text() const;
    // The keys of [Options] in save order, "LastFolder" first.
    static std::vector<std::string_view> key_names();

    // What the run takes from the record: 0 (keep the input's rate) or FrameRate.
    double InputFrameRate() const;
    // The output frame size for an input of the given size.
    FrameSize OutputFrameSize(FrameSize input) const;
    // The output audio format for the given input format.
    AudioFormatRecord OutputAudioFormat(const AudioFormatRecord& input) const;

    // Fields, named after their INI keys.
    VideoFormatRecord VideoFormat;
    AudioFormatRecord AudioFormat;
    int32_t KeepFrameRate = 1;
    double FrameRate = 30.0;
    int32_t KeepFrameSize = 1;
    int32_t KeepAspect = 1;
    int32_t FrameWidth = 320;
    int32_t FrameHeight = 240;
    int32_t KeepSound = 1;
    int32_t Channels = 1;
    int32_t Bits = 1;
    int32_t SampleRate = 3;
    double HueThreshold = 1.0;
    double SatThreshold = 0.0;
    double ValThreshold = 0.7;
    double DisThreshold = 0.3;
    bool ShowStatistics = false;
    std::string AudioCodec = "PCM";
    std::string SrcFileName;
    std::string DstFileName;
    std::string VideoCodec = "Microsoft Video 1";
    int32_t KeepSettings = 1;
    int32_t WantPreview = 1;
    int32_t DstFileType = 0;
    int32_t SceneDetection = 0;
    std::string ClipsFileName;
    std::string MediaProfile;
    int32_t ShowScenes = 0; // 0/1: open the Scenes window at the end of a run
    // Detection beyond the quadrant test (see engine/DetectionRules.h).
    int32_t DetectionMethod = 0;    // 0 = quadrant colour test, 1 = adaptive content
    double AdaptiveThreshold = 3.0; // adaptive: score / neighbours' average that cuts
    int32_t MinSceneLength = 0;     // frames; 0 = off
    int32_t FlashGuard = 0;         // frames; 0 = off
    int32_t DetectFades = 0;        // 0/1
    std::string ScoreLogFileName;   // CSV of every examined frame; empty = off
    // The x264, x265 or SVT-AV1 preset of the video compressor; empty: the encoder's own.
    std::string VideoPreset;

private:
    std::string iniPath_;
};

} // namespace zentar

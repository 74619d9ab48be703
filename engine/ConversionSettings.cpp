#include "engine/ConversionSettings.h"

#include "platform/profile/IniFile.h"
#include "platform/profile/PrivateProfile.h"
#include "platform/profile/ProfileBinary.h"
#include "platform/system/System.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <variant>

namespace zentar {

namespace {

using Result = ConversionSettings::StoredValueResult;
using S = ConversionSettings;

enum class Kind {
    Folder,    // LastFolder: written, never applied
    Text,      // the value as it is
    Binary,    // profile binary encoding of a record
    Integer,   // signed decimal with a valid range
    Flag,      // integer normalised to 0/1 (WantPreview)
    Bool,      // bool field stored as 0/1 (ShowStatistics)
    FrameRate, // double fps stored as unsigned thousandths
    Threshold, // double stored with "%g"
};

using Field = std::variant<std::monostate, std::string S::*, int32_t S::*, double S::*, bool S::*,
                           VideoFormatRecord S::*, AudioFormatRecord S::*>;

struct KeySpec {
    std::string_view name;
    Kind kind;
    Field field;
    std::string_view defaultText; // text, threshold and integer defaults as stored
    int32_t min = std::numeric_limits<int32_t>::min();
    int32_t max = std::numeric_limits<int32_t>::max();
};

// The keys of [Options] in the order they are written; the ranges are the range checks.
const std::array<KeySpec, 36> kKeys{{
    {"LastFolder", Kind::Folder, std::monostate{}, ""},
    {"SrcFileName", Kind::Text, &S::SrcFileName, ""},
    {"DstFileName", Kind::Text, &S::DstFileName, ""},
    {"AudioCodec", Kind::Text, &S::AudioCodec, "PCM"},
    {"VideoCodec", Kind::Text, &S::VideoCodec, "Microsoft Video 1"},
    {"AudioFormat", Kind::Binary, &S::AudioFormat, ""},
    {"MediaProfile", Kind::Text, &S::MediaProfile, ""},
    {"VideoFormat", Kind::Binary, &S::VideoFormat, ""},
    {"DstFileType", Kind::Integer, &S::DstFileType, "0", 0, 3},
    {"KeepSettings", Kind::Integer, &S::KeepSettings, "1"},
    {"SceneDetection", Kind::Integer, &S::SceneDetection, "0", 0, 2},
    {"WantPreview", Kind::Flag, &S::WantPreview, "1"},
    {"KeepFrameRate", Kind::Integer, &S::KeepFrameRate, "1"},
    {"FrameRate", Kind::FrameRate, &S::FrameRate, "30000"},
    {"KeepFrameSize", Kind::Integer, &S::KeepFrameSize, "1"},
    {"FrameWidth", Kind::Integer, &S::FrameWidth, "320", 1, kMaxFrameDimension},
    {"FrameHeight", Kind::Integer, &S::FrameHeight, "240", 1, kMaxFrameDimension},
    {"KeepAspect", Kind::Integer, &S::KeepAspect, "1"},
    {"KeepSound", Kind::Integer, &S::KeepSound, "1"},
    {"Channels", Kind::Integer, &S::Channels, "1", 0, 1},
    {"Bits", Kind::Integer, &S::Bits, "1", 0, 1},
    {"SampleRate", Kind::Integer, &S::SampleRate, "3", 0, 4},
    {"HueThreshold", Kind::Threshold, &S::HueThreshold, "1.0"},
    {"SatThreshold", Kind::Threshold, &S::SatThreshold, "0.0"},
    {"ValThreshold", Kind::Threshold, &S::ValThreshold, "0.7"},
    {"DisThreshold", Kind::Threshold, &S::DisThreshold, "0.3"},
    {"ShowStatistics", Kind::Bool, &S::ShowStatistics, "0"},
    {"ClipsFileName", Kind::Text, &S::ClipsFileName, ""},
    // The window's Scenes list opens by itself when a run that found scenes ends.
    {"ShowScenes", Kind::Flag, &S::ShowScenes, "0"},
    // Detection beyond the quadrant test; every default leaves the outputs as they were.
    {"DetectionMethod", Kind::Integer, &S::DetectionMethod, "0", 0, 1},
    {"AdaptiveThreshold", Kind::Threshold, &S::AdaptiveThreshold, "3"},
    {"MinSceneLength", Kind::Integer, &S::MinSceneLength, "0", 0, kMaxMinSceneLength},
    {"FlashGuard", Kind::Integer, &S::FlashGuard, "0", 0, kMaxFlashGuard},
    {"DetectFades", Kind::Flag, &S::DetectFades, "0"},
    {"ScoreLogFileName", Kind::Text, &S::ScoreLogFileName, ""},
    {"VideoPreset", Kind::Text, &S::VideoPreset, ""},
}};

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// True when the whole text (blanks aside) is one optionally signed decimal integer.
bool isCleanInteger(std::string_view text) {
    text = trimBlanks(text);
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The C library's reading of a leading decimal number, but in the C locale whatever the
// process locale is: blanks and '+' skipped, 0.0 when there is no number. `clean` tells
// whether the number was the whole text.
double parseLeadingDouble(std::string_view text, bool* clean = nullptr) {
    std::string_view rest = trimBlanks(text);
    if (!rest.empty() && rest.front() == '+')
        rest.remove_prefix(1);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
    if (ec != std::errc())
        value = 0.0;
    if (clean)
        *clean = ec == std::errc() && end == rest.data() + rest.size();
    return value;
}

// "%g" in the C locale: six significant digits, shortest form.
std::string formatG(double value) {
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

// trunc(fps x 1000) as stored; values no 32-bit count can hold are stored as 0, which the
// loader replaces by the default. A loaded rate n x 0.001 is not exact in binary and may
// multiply back to a hair below n (4.007 x 1000 = 4006.9999...); the millionth added
// before truncating keeps such a rate at n instead of losing a thousandth per save.
int64_t frameRateThousandths(double fps) {
    constexpr double kRepresentationSlack = 1e-6;
    const double scaled = fps * 1000.0;
    const double thousandths =
        std::trunc(scaled + (scaled < 0 ? -kRepresentationSlack : kRepresentationSlack));
    if (!std::isfinite(thousandths) || thousandths < std::numeric_limits<int32_t>::min() ||
        thousandths > std::numeric_limits<uint32_t>::max())
        return 0;
    return static_cast<int64_t>(thousandths);
}

template <class Record> std::span<const uint8_t> bytesOf(const Record& record) {
    return {reinterpret_cast<const uint8_t*>(&record), sizeof record};
}

bool copyBinary(const std::optional<std::string>& text, void* destination, size_t expectedSize) {
    if (!text)
        return false;
    const std::optional<std::vector<uint8_t>> bytes = DecodeProfileBinary(*text);
    if (!bytes || bytes->size() != expectedSize)
        return false;
    std::memcpy(destination, bytes->data(), expectedSize);
    return true;
}

const KeySpec* findKey(std::string_view name) {
    for (const KeySpec& spec : kKeys) {
        if (ProfileNamesEqual(spec.name, trimBlanks(name)))
            return &spec;
    }
    return nullptr;
}

Result applyInteger(S& s, const KeySpec& spec, const std::optional<std::string>& text) {
    const auto defaultValue =
        static_cast<int32_t>(ParseProfileInt(std::string(spec.defaultText), 0));
    auto value = static_cast<int32_t>(ParseProfileInt(text, defaultValue));
    const bool malformed = text && !text->empty() && !isCleanInteger(*text);
    Result result = malformed ? Result::Malformed : Result::Applied;
    if (value < spec.min || value > spec.max) {
        value = defaultValue;
        result = malformed ? Result::Malformed : Result::OutOfRange;
    }
    if (spec.kind == Kind::Bool)
        s.*std::get<bool S::*>(spec.field) = value != 0;
    else if (spec.kind == Kind::Flag)
        s.*std::get<int32_t S::*>(spec.field) = value != 0 ? 1 : 0;
    else
        s.*std::get<int32_t S::*>(spec.field) = value;
    return result;
}

Result applyFrameRate(S& s, const std::optional<std::string>& text) {
    constexpr uint32_t kDefault = 30000;
    uint32_t thousandths = ParseProfileInt(text, kDefault);
    const bool malformed = text && !text->empty() && !isCleanInteger(*text);
    Result result = malformed ? Result::Malformed : Result::Applied;
    if (thousandths < kMinFrameRateThousandths || thousandths > kMaxFrameRateThousandths) {
        thousandths = kDefault;
        result = malformed ? Result::Malformed : Result::OutOfRange;
    }
    s.FrameRate = thousandths * 0.001;
    return result;
}

// Applies one key's stored text (nullopt: the key is missing) with the loader's rules.
Result apply(S& s, const KeySpec& spec, const std::optional<std::string>& text) {
    switch (spec.kind) {
    case Kind::Folder:
        return Result::Applied;
    case Kind::Text:
        if (text && text->find_first_of("\r\n") != std::string::npos)
            return Result::Malformed;
        s.*std::get<std::string S::*>(spec.field) = text ? *text : std::string(spec.defaultText);
        return Result::Applied;
    case Kind::Binary:
        if (const auto* video = std::get_if<VideoFormatRecord S::*>(&spec.field))
            return copyBinary(text, &(s.**video), sizeof(VideoFormatRecord)) ? Result::Applied
                                                                             : Result::BadBinary;
        return copyBinary(text, &s.AudioFormat, sizeof(AudioFormatRecord)) ? Result::Applied
                                                                           : Result::BadBinary;
    case Kind::Integer:
    case Kind::Flag:
    case Kind::Bool:
        return applyInteger(s, spec, text);
    case Kind::FrameRate:
        return applyFrameRate(s, text);
    case Kind::Threshold: {
        bool clean = false;
        s.*std::get<double S::*>(spec.field) =
            parseLeadingDouble(text ? *text : spec.defaultText, &clean);
        return clean ? Result::Applied : Result::Malformed;
    }
    }
    return Result::UnknownKey;
}

std::string storedForm(const S& s, const KeySpec& spec) {
    switch (spec.kind) {
    case Kind::Folder:
        return GetCurrentFolder();
    case Kind::Text:
        return s.*std::get<std::string S::*>(spec.field);
    case Kind::Binary:
        if (const auto* video = std::get_if<VideoFormatRecord S::*>(&spec.field))
            return EncodeProfileBinary(bytesOf(s.**video));
        return EncodeProfileBinary(bytesOf(s.AudioFormat));
    case Kind::Integer:
    case Kind::Flag:
        return std::to_string(s.*std::get<int32_t S::*>(spec.field));
    case Kind::Bool:
        return s.*std::get<bool S::*>(spec.field) ? "1" : "0";
    case Kind::FrameRate:
        return std::to_string(frameRateThousandths(s.FrameRate));
    case Kind::Threshold:
        return formatG(s.*std::get<double S::*>(spec.field));
    }
    return {};
}

} // namespace

ConversionSettings::ConversionSettings() {
    reset_binary_records();
}

ConversionSettings::ConversionSettings(std::string iniPath) : iniPath_(std::move(iniPath)) {
    reset_binary_records();
}

void ConversionSettings::reset_binary_records() {
    VideoFormat = VideoFormatRecord{};
    VideoFormat.dwQuality = kMaxVideoQuality;
    AudioFormat = AudioFormatRecord{};
}

void ConversionSettings::load_settings() {
    IniFile file;
    file.load(iniPath_); // an unreadable file reads as an empty one: every key its default
    for (const KeySpec& spec : kKeys)
        apply(*this, spec, file.get(kSettingsSection, spec.name));
}

bool ConversionSettings::save_settings() const {
    IniFile file;
    if (iniPath_.empty() || !file.load(iniPath_))
        return false;
    store_into(file);
    return file.save(iniPath_);
}

bool ConversionSettings::read_binary_setting(std::string_view key, void* destination,
                                             size_t expectedSize) const {
    IniFile file;
    return file.load(iniPath_) &&
           copyBinary(file.get(kSettingsSection, key), destination, expectedSize);
}

ConversionSettings::StoredValueResult ConversionSettings::set_stored_value(std::string_view key,
                                                                           std::string_view text) {
    const KeySpec* spec = findKey(key);
    if (!spec)
        return Result::UnknownKey;
    return apply(*this, *spec, std::string(text));
}

void ConversionSettings::store_into(IniFile& file) const {
    for (const KeySpec& spec : kKeys)
        file.set(kSettingsSection, spec.name, storedForm(*this, spec));
}

std::string ConversionSettings::stored_text() const {
    IniFile file;
    store_into(file);
    return file.text();
}

std::vector<std::string_view> ConversionSettings::key_names() {
    std::vector<std::string_view> names;
    for (const KeySpec& spec : kKeys)
        names.push_back(spec.name);
    return names;
}

double ConversionSettings::InputFrameRate() const {
    return (KeepSettings || KeepFrameRate) ? 0.0 : FrameRate;
}

FrameSize ConversionSettings::OutputFrameSize(FrameSize input) const {
    if (KeepSettings || KeepFrameSize)
        return input;
    if (!KeepAspect || input.width <= 0)
        return {FrameWidth, FrameHeight};
    // Height from the input's aspect ratio, rounded to the nearest pixel; kept within the
    // sizes a frame may have, so an extreme aspect ratio cannot give 0 or a giant frame.
    const int64_t height =
        (int64_t{input.height} * FrameWidth + input.width / 2) / int64_t{input.width};
    return {FrameWidth, static_cast<int32_t>(std::clamp<int64_t>(height, 1, kMaxFrameDimension))};
}

AudioFormatRecord ConversionSettings::OutputAudioFormat(const AudioFormatRecord& input) const {
    if (KeepSettings || KeepSound)
        return input;
    AudioFormatRecord pcm;
    pcm.wFormatTag = kWaveFormatPcm;
    pcm.nChannels = static_cast<uint16_t>(Channels + 1);
    pcm.nSamplesPerSec = kSampleRates[SampleRate >= 0 && SampleRate <= 4 ? SampleRate : 3];
    pcm.nBlockAlign = static_cast<uint16_t>(pcm.nChannels * (Bits + 1));
    pcm.nAvgBytesPerSec = pcm.nBlockAlign * pcm.nSamplesPerSec;
    pcm.wBitsPerSample = static_cast<uint16_t>(8 * Bits + 8);
    pcm.cbSize = 0;
    return pcm;
}

} // namespace zentar

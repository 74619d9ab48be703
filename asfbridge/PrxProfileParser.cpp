#include "asfbridge/PrxProfileParser.h"

#include "asfbridge/WideText.h"
#include "asfbridge/XmlElements.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>

namespace zentar::asfbridge {

namespace {

constexpr std::string_view kAudioMajorType = "{73647561-0000-0010-8000-00aa00389b71}";
constexpr std::string_view kVideoMajorType = "{73646976-0000-0010-8000-00aa00389b71}";

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// A decimal or 0x-prefixed hexadecimal integer filling the whole text.
std::optional<int64_t> parseInteger(std::string_view text) {
    text = trim(text);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::optional<int64_t> integerAttribute(const XmlElement* element, std::string_view name) {
    if (!element)
        return std::nullopt;
    const std::string* value = element->attribute(name);
    return value ? parseInteger(*value) : std::nullopt;
}

bool isInside(const std::vector<XmlElement>& all, size_t index, int ancestor) {
    for (int p = all[index].parent; p >= 0; p = all[static_cast<size_t>(p)].parent)
        if (p == ancestor)
            return true;
    return false;
}

// The first element of that name inside the stream configuration, or nullptr.
const XmlElement* findInside(const std::vector<XmlElement>& all, int stream,
                             std::string_view name) {
    for (size_t i = static_cast<size_t>(stream) + 1; i < all.size(); ++i)
        if (all[i].name == name && isInside(all, i, stream))
            return &all[i];
    return nullptr;
}

std::optional<WmVideoCodec> videoCodecFor(std::string fourCC) {
    for (char& c : fourCC)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    if (fourCC == "WMV1")
        return WmVideoCodec::Wmv7;
    if (fourCC == "WMV2")
        return WmVideoCodec::Wmv8;
    // Later Windows Media video codecs have no encoder here: written as WMV 8.
    static constexpr std::string_view kLater[] = {"WMV3", "WMVA", "WVC1", "WVP2",
                                                  "WMVP", "MSS1", "MSS2"};
    for (std::string_view later : kLater)
        if (fourCC == later)
            return WmVideoCodec::Wmv8;
    return std::nullopt;
}

std::optional<WmAudioCodec> audioCodecFor(int64_t formatTag) {
    switch (formatTag) {
    case 0x160:
        return WmAudioCodec::Wma1;
    case 0x161:
        return WmAudioCodec::Wma2;
    case 0x00A: // voice
    case 0x162: // professional
    case 0x163: // lossless
        return WmAudioCodec::Wma2;
    default:
        return std::nullopt;
    }
}

// The compression entry is a FourCC text ("WMV2") or its 32-bit number.
std::optional<std::string> fourCCText(const std::string& value) {
    if (value.size() == 4 && !parseInteger(value))
        return value;
    const auto number = parseInteger(value);
    if (!number || *number <= 0 || *number > UINT32_MAX)
        return std::nullopt;
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i)
        text[static_cast<size_t>(i)] = static_cast<char>((*number >> (8 * i)) & 0xFF);
    return text;
}

bool readVideo(const std::vector<XmlElement>& all, int stream, WmProfile& profile) {
    const XmlElement* header = findInside(all, stream, "bitmapinfoheader");
    const std::string* compression = header ? header->attribute("bicompression") : nullptr;
    const auto fourCC = compression ? fourCCText(*compression) : std::nullopt;
    const auto codec = fourCC ? videoCodecFor(*fourCC) : std::nullopt;
    if (!codec)
        return false;
    profile.videoCodec = *codec;

    auto rate = integerAttribute(&all[static_cast<size_t>(stream)], "bitrate");
    if (!rate || *rate <= 0)
        rate = integerAttribute(findInside(all, stream, "videoinfoheader"), "dwbitrate");
    if (!rate || *rate <= 0)
        return false;
    profile.videoBitRate = std::clamp(*rate, kMinVideoBitRate, kMaxVideoBitRate);

    const int64_t width = integerAttribute(header, "biwidth").value_or(0);
    const int64_t height = std::abs(integerAttribute(header, "biheight").value_or(0));
    if (width < 0 || width > kMaxFrameSide || height > kMaxFrameSide ||
        (width == 0) != (height == 0))
        return false;
    // The encoders need even sizes.
    profile.width = static_cast<int>((width + 1) & ~int64_t{1});
    profile.height = static_cast<int>((height + 1) & ~int64_t{1});

    const auto spacing =
        integerAttribute(findInside(all, stream, "videomediaprops"), "maxkeyframespacing");
    if (spacing && *spacing > 0)
        profile.keyFrameSeconds = std::clamp(static_cast<double>(*spacing) / 1e7, 0.1, 60.0);
    return true;
}

bool readAudio(const std::vector<XmlElement>& all, int stream, WmProfile& profile) {
    const XmlElement* format = findInside(all, stream, "waveformatex");
    const auto tag = integerAttribute(format, "wformattag");
    const auto codec = tag ? audioCodecFor(*tag) : std::nullopt;
    const auto channels = integerAttribute(format, "nchannels");
    const auto sampleRate = integerAttribute(format, "nsamplespersec");
    if (!codec || !channels || *channels < 1 || *channels > 8 || !sampleRate ||
        *sampleRate < 1000 || *sampleRate > 192000)
        return false;
    profile.hasAudio = true;
    profile.audioCodec = *codec;
    // The encoders take at most two channels and 48 kHz.
    profile.channels = static_cast<int>(std::min<int64_t>(*channels, 2));
    profile.sampleRate =
        static_cast<int>(std::clamp<int64_t>(*sampleRate, kMinSampleRate, kMaxSampleRate));

    auto rate = integerAttribute(&all[static_cast<size_t>(stream)], "bitrate");
    if (!rate || *rate <= 0) {
        const auto bytes = integerAttribute(format, "navgbytespersec");
        if (bytes && *bytes > 0 && *bytes < INT64_MAX / 8)
            rate = *bytes * 8;
    }
    if (!rate || *rate <= 0)
        return false;
    profile.audioBitRate = std::clamp(*rate, kMinAudioBitRate, kMaxAudioBitRate);
    return true;
}

enum class StreamKind { Audio, Video, Other };

StreamKind kindOf(const std::vector<XmlElement>& all, int stream) {
    const std::string* major = all[static_cast<size_t>(stream)].attribute("majortype");
    if (major) {
        const std::string value = asciiLower(trim(*major));
        if (value == kAudioMajorType)
            return StreamKind::Audio;
        if (value == kVideoMajorType)
            return StreamKind::Video;
        return StreamKind::Other;
    }
    if (findInside(all, stream, "waveformatex"))
        return StreamKind::Audio;
    if (findInside(all, stream, "videoinfoheader") || findInside(all, stream, "bitmapinfoheader"))
        return StreamKind::Video;
    return StreamKind::Other;
}

std::optional<std::string> documentText(std::u16string_view text) {
    std::u16string swapped;
    if (!text.empty() && text.front() == 0xFFFE) {
        swapped.assign(text.substr(1));
        for (char16_t& c : swapped)
            c = static_cast<char16_t>((c << 8) | (c >> 8));
        text = swapped;
    } else if (!text.empty() && text.front() == 0xFEFF) {
        text.remove_prefix(1);
    }
    return utf8FromUtf16(text);
}

} // namespace

std::optional<WmProfile> parsePrxProfile(std::u16string_view text) {
    if (text.size() > kMaxProfileTextChars)
        return std::nullopt;
    const auto utf8 = documentText(text);
    if (!utf8)
        return std::nullopt;
    const auto elements = parseXmlElements(*utf8);
    if (!elements || elements->front().name != "profile")
        return std::nullopt;

    WmProfile profile;
    profile.hasAudio = false;
    bool haveVideo = false;
    for (size_t i = 1; i < elements->size(); ++i) {
        if ((*elements)[i].name != "streamconfig" || (*elements)[i].parent != 0)
            continue;
        const int stream = static_cast<int>(i);
        switch (kindOf(*elements, stream)) {
        case StreamKind::Audio:
            if (!profile.hasAudio && !readAudio(*elements, stream, profile))
                return std::nullopt;
            break;
        case StreamKind::Video:
            if (!haveVideo && !readVideo(*elements, stream, profile))
                return std::nullopt;
            haveVideo = true;
            break;
        case StreamKind::Other:
            break; // script or image streams: not written
        }
    }
    if (!haveVideo)
        return std::nullopt;
    return profile;
}

} // namespace zentar::asfbridge

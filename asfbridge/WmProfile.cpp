#include "asfbridge/WmProfile.h"

namespace zentar::asfbridge {

namespace {

WmProfile make(std::u16string name, WmVideoCodec video, int64_t videoRate, int width, int height,
               WmAudioCodec audio, int64_t audioRate, int sampleRate, int channels) {
    WmProfile p;
    p.name = std::move(name);
    p.videoCodec = video;
    p.videoBitRate = videoRate;
    p.width = width;
    p.height = height;
    p.audioCodec = audio;
    p.audioBitRate = audioRate;
    p.sampleRate = sampleRate;
    p.channels = channels;
    return p;
}

std::vector<WmProfile> makeBuiltins() {
    using V = WmVideoCodec;
    using A = WmAudioCodec;
    return {
        make(u"Modem video 56 Kbps (WMV 7, 176x144)", V::Wmv7, 32000, 176, 144, A::Wma1, 24000,
             22050, 1),
        make(u"Dial-up video 100 Kbps (WMV 8, 240x180)", V::Wmv8, 68000, 240, 180, A::Wma2, 32000,
             22050, 1),
        make(u"Broadband video 300 Kbps (WMV 8, 320x240)", V::Wmv8, 252000, 320, 240, A::Wma2,
             48000, 32000, 2),
        make(u"Broadband video 600 Kbps (WMV 8)", V::Wmv8, 536000, 0, 0, A::Wma2, 64000, 44100, 2),
        make(u"Compatible video 800 Kbps (WMV 7)", V::Wmv7, 704000, 0, 0, A::Wma1, 96000, 44100, 2),
        make(u"LAN video 1.2 Mbps (WMV 8)", V::Wmv8, 1072000, 0, 0, A::Wma2, 128000, 44100, 2),
        make(u"High quality video 2.5 Mbps (WMV 8)", V::Wmv8, 2340000, 0, 0, A::Wma2, 160000, 48000,
             2),
    };
}

} // namespace

const std::vector<WmProfile>& builtinProfiles() {
    static const std::vector<WmProfile> profiles = makeBuiltins();
    return profiles;
}

int32_t findBuiltinProfile(std::u16string_view name) {
    const auto& all = builtinProfiles();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i].name == name)
            return static_cast<int32_t>(i);
    return -1;
}

const WmProfile& defaultProfile() {
    // Keeps the input frame size at a rate that suits most material.
    return builtinProfiles()[3];
}

} // namespace zentar::asfbridge

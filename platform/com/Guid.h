// GUID: the 128-bit identifier of classes, interfaces, media types and formats.
// Values are written as their registry text ("{XXXXXXXX-XXXX-...}") and parsed at
// compile time, so a typo fails the build instead of producing a wrong identifier.
#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zentar {

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};

    constexpr bool operator==(const GUID& other) const {
        if (Data1 != other.Data1 || Data2 != other.Data2 || Data3 != other.Data3)
            return false;
        for (int i = 0; i < 8; ++i)
            if (Data4[i] != other.Data4[i])
                return false;
        return true;
    }
    constexpr bool operator!=(const GUID& other) const { return !(*this == other); }
    bool operator<(const GUID& other) const { return std::memcmp(this, &other, sizeof(GUID)) < 0; }

    // The registry form, upper case with braces.
    std::string toString() const;
};
static_assert(sizeof(GUID) == 16);

using IID = GUID;
using CLSID = GUID;
using REFIID = const GUID&;
using REFCLSID = const GUID&;
using REFGUID = const GUID&;

inline constexpr GUID GUID_NULL{};

namespace detail {
constexpr int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    throw std::invalid_argument("GUID: not a hex digit");
}
constexpr uint64_t hexField(std::string_view text, size_t pos, size_t digits) {
    uint64_t value = 0;
    for (size_t i = 0; i < digits; ++i)
        value = value * 16 + static_cast<uint64_t>(hexDigit(text[pos + i]));
    return value;
}
} // namespace detail

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional). Used in constexpr
// context the parse errors are compile errors.
constexpr GUID MakeGuid(std::string_view text) {
    if (!text.empty() && text.front() == '{') {
        if (text.size() != 38 || text.back() != '}')
            throw std::invalid_argument("GUID: bad length");
        text = text.substr(1, 36);
    }
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-')
        throw std::invalid_argument("GUID: bad layout");
    GUID g;
    g.Data1 = static_cast<uint32_t>(detail::hexField(text, 0, 8));
    g.Data2 = static_cast<uint16_t>(detail::hexField(text, 9, 4));
    g.Data3 = static_cast<uint16_t>(detail::hexField(text, 14, 4));
    g.Data4[0] = static_cast<uint8_t>(detail::hexField(text, 19, 2));
    g.Data4[1] = static_cast<uint8_t>(detail::hexField(text, 21, 2));
    for (size_t i = 0; i < 6; ++i)
        g.Data4[2 + i] = static_cast<uint8_t>(detail::hexField(text, 24 + 2 * i, 2));
    return g;
}

// A media subtype made from a FourCC: {XXXXXXXX-0000-0010-8000-00AA00389B71}.
constexpr GUID FourCCGuid(uint32_t fourcc) {
    GUID g = MakeGuid("{00000000-0000-0010-8000-00AA00389B71}");
    g.Data1 = fourcc;
    return g;
}

constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

} // namespace zentar

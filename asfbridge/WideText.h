// Text helpers of the writer library: bounded length of a caller's string, UTF-16 to
// UTF-8 for file names, and the allocation of the length-prefixed strings handed to the
// program (freed there by its SysFreeString, so the layout must match it exactly).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace zentar::asfbridge {

// Length of a 0-terminated UTF-16 string, reading at most limit + 1 characters;
// nothing when no terminator comes within limit characters.
inline std::optional<size_t> boundedWideLength(const char16_t* text, size_t limit) {
    for (size_t i = 0; i <= limit; ++i)
        if (text[i] == 0)
            return i;
    return std::nullopt;
}

// Appends one code point as UTF-8.
inline void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// ASCII letters in lower case; other bytes unchanged.
inline std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// UTF-16 to UTF-8; nothing when the text holds an unpaired surrogate.
inline std::optional<std::string> utf8FromUtf16(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return std::nullopt;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            return std::nullopt;
        }
        appendUtf8(out, cp);
    }
    return out;
}

// A length-prefixed string for the caller: [uint32 byte count][chars][0], malloc'ed,
// returned as a pointer to the first character; nullptr when memory runs out.
inline char16_t* allocCallerString(std::u16string_view text) {
    if (text.size() > (UINT32_MAX - 8) / sizeof(char16_t))
        return nullptr;
    const size_t bytes = sizeof(uint32_t) + (text.size() + 1) * sizeof(char16_t);
    auto* block = static_cast<unsigned char*>(std::malloc(bytes));
    if (!block)
        return nullptr;
    const auto byteCount = static_cast<uint32_t>(text.size() * sizeof(char16_t));
    std::memcpy(block, &byteCount, sizeof byteCount);
    auto* chars = reinterpret_cast<char16_t*>(block + sizeof(uint32_t));
    std::memcpy(chars, text.data(), text.size() * sizeof(char16_t));
    chars[text.size()] = 0;
    return chars;
}

} // namespace zentar::asfbridge

#include "platform/profile/ProfileBinary.h"

namespace zentar {

std::string EncodeProfileBinary(std::span<const uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const uint8_t b : bytes) {
        text += static_cast<char>('A' + (b & 0x0F));
        text += static_cast<char>('A' + (b >> 4));
    }
    return text;
}

std::optional<std::vector<uint8_t>> DecodeProfileBinary(std::string_view text) {
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::vector<uint8_t> bytes(text.size() / 2);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] < 'A' || text[i] > 'P')
            return std::nullopt;
        const auto nibble = static_cast<uint8_t>(text[i] - 'A');
        bytes[i / 2] |= static_cast<uint8_t>(i % 2 == 0 ? nibble : nibble << 4);
    }
    return bytes;
}

} // namespace zentar

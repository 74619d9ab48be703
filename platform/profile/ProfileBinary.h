// The profile binary encoding: n bytes are stored as 2n capital letters, byte b as the
// letter 'A' + (b & 0x0F) followed by 'A' + (b >> 4). Settings files hold binary records
// in this form, so it is part of the file format.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zentar {

std::string EncodeProfileBinary(std::span<const uint8_t> bytes);

// nullopt for an odd length or a character outside 'A'..'P'; "" decodes to no bytes.
std::optional<std::vector<uint8_t>> DecodeProfileBinary(std::string_view text);

} // namespace zentar
